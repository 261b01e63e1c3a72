// Each family's happy exchange, through the program's own serial component, as the procedures
// will talk to the simulator.
#include "tests/modemsim/SimTestSupport.h"

#include "tools/modemsim/ModemSimulator.h"
#include "tools/modemsim/TransferLog.h"

#include <QFile>

using namespace modemsim;

namespace {

Options family(Family which)
{
    Options options;
    options.family = which;
    return options;
}

Options replaying(const QByteArray &transferLog)
{
    Options options = family(Family::Replay);
    options.transferLogText = transferLog;
    return options;
}

} // namespace

class FamilyExchanges : public LeakCheckedTest
{
};

TEST_F(FamilyExchanges, ScriptStoreWritesVerifiesAndDeletes)
{
    ModemSimulator modem(family(Family::Script));
    CommLine line(modem.devicePath());

    line.send("ATE0\r\n");
    EXPECT_EQ(line.waitFor("OK\r\n"), "ATE0\r\r\nOK\r\n"); // the probe itself is still echoed
    line.send("AT+IPR=9600\r\n");
    EXPECT_EQ(line.waitFor("OK\r\n"), "\r\nOK\r\n");
    line.send("AT#DSCRIPT=\"main.pyo\"\r\n");
    EXPECT_EQ(line.waitFor("ERROR\r\n"), "\r\nERROR\r\n");

    const QByteArray script("12345\r\n6789", 11);
    line.send("AT#WSCRIPT=\"main.pyo\",11,1\r\n");
    EXPECT_EQ(line.waitFor(">>>"), "\r\n>>>");
    line.send(script.first(4)); // raw bytes are counted, not read as lines
    line.send(script.sliced(4));
    EXPECT_EQ(line.waitFor("OK\r\n"), "\r\nOK\r\n");
    EXPECT_EQ(modem.storedFiles().at("main.pyo"), script);

    modem.putFile("123456789.pyo", "123456789");
    line.send("AT#LCSCRIPT=\"123456789.pyo\"\r\n");
    EXPECT_EQ(line.waitFor("OK\r\n"), "\r\n#LCSCRIPT: \"123456789.pyo\",9,6F91\r\n\r\nOK\r\n");

    for (const char *command : {"AT#ESCRIPT=\"\"", "AT#ENHRST=1,0", "AT#STARTMODESCR=1,15"}) {
        line.send(QByteArray(command) + "\r\n");
        EXPECT_EQ(line.waitFor("OK\r\n"), "\r\nOK\r\n") << command;
    }
    line.send("AT#DSCRIPT=\"main.pyo\"\r\n");
    EXPECT_EQ(line.waitFor("OK\r\n"), "\r\nOK\r\n");
    EXPECT_FALSE(modem.storedFiles().contains("main.pyo"));
    line.send("AT^SJDL=1,2,\"x\"\r\n"); // another family's command
    EXPECT_EQ(line.waitFor("ERROR\r\n"), "\r\nERROR\r\n");

    EXPECT_EQ(modem.commands().at(3), "AT#WSCRIPT=\"main.pyo\",11,1");
    EXPECT_EQ(modem.received().count(script), 1);
}

TEST_F(FamilyExchanges, JavaDownloadTakesExactlyTheAnnouncedBytes)
{
    ModemSimulator modem(family(Family::Java));
    CommLine line(modem.devicePath());

    line.send("ATE0\r\n");
    line.waitFor("OK\r\n");
    line.send("AT^SJAM=2,\"a:/ehsx.jar\",\"\"\r\n");
    EXPECT_EQ(line.waitFor("OK\r\n"), "\r\nOK\r\n");

    const QByteArray jar("PK\x03\x04\r\nAT\r\n+++\0\xFF", 15);
    line.send("AT^SJDL=1,15,\"ehsx.jar\"\r\n");
    EXPECT_EQ(line.waitFor("CONNECT\r\n"), "\r\nCONNECT\r\n");
    line.send(jar + "AT\r\n"); // what follows the file is a command again
    EXPECT_EQ(line.waitFor("OK\r\n\r\nOK\r\n"), "\r\nJDL END OK\r\n\r\nOK\r\n");
    EXPECT_EQ(modem.storedFiles().at("ehsx.jar"), jar);
}

TEST_F(FamilyExchanges, ReplayAnswersOnlyTheBlocksTheLogSends)
{
    ModemSimulator modem(replaying("// header line, skipped\r\n"
                                   "<- 41 54 0D 0A\r\n" // superseded, never sent
                                   "<- 2b 2b 2b\r\n"    // lower case is fine for sending
                                   "-> 0D 0A 4F 4B 0D 0A\r\n"
                                   "<- 00 0D 0A 41 54 0D FF\n" // a binary block with line ends
                                   "-> 41\n"
                                   "-> 42 0D 0A\n" // nothing pending: answers the block
                                   "<-\n"          // an empty block sends nothing, so
                                   "-> 43\n"       // this still answers the block before
                                   "<- 09\n"));    // never sent: no "->" after it
    CommLine line(modem.devicePath());

    line.send("at^SCFG=\"userware/autostart\",\"\",\"0\"\r\n");
    EXPECT_EQ(line.waitFor("OK\r\n"), "at^SCFG=\"userware/autostart\",\"\",\"0\"\r\r\nOK\r\n");
    line.send("+++");
    EXPECT_EQ(line.waitFor("OK\r\n"), "\r\nOK\r\n");
    line.send(QByteArray("\x00\x0D\x0A", 3));
    line.send("AT\x0D\xFF");
    EXPECT_EQ(line.waitFor("B\r\nC"), "AB\r\nC");
    EXPECT_EQ(modem.replayedBlocks(), (std::vector<int>{1, 2}));

    line.send("AT\r\n"); // the log is done: plain commands again
    EXPECT_EQ(line.waitFor("OK\r\n"), "AT\r\r\nOK\r\n");
}

TEST_F(FamilyExchanges, ReplayRejectsABlockTheLogDoesNotExpect)
{
    ModemSimulator modem(replaying("<- 01 02 03\n-> 4F 4B\n"));
    SlaveLine line(modem.devicePath());

    line.send("\x01\x02\x04");
    EXPECT_EQ(line.waitFor("ERROR\r\n"), "\r\nERROR\r\n");
    line.send("\x01\x02\x03");
    EXPECT_EQ(line.waitFor("OK"), "OK");
    EXPECT_EQ(modem.replayedBlocks(), (std::vector<int>{0}));
}

TEST_F(FamilyExchanges, DemoTransferLogIsAnsweredWholeRunAfterRun)
{
    QFile log(QStringLiteral(QUILLON_DEMO_DATA "/tc65/transfer_fw.log"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const std::vector<ReplayExchange> exchanges = parseTransferLog(log.readAll());
    ASSERT_GE(exchanges.size(), 10U);

    Options options = family(Family::Replay);
    options.transferLog = log.fileName(); // read from the file, as the executable does
    ModemSimulator modem(options);
    SlaveLine line(modem.devicePath());
    std::vector<int> sent;
    for (const std::size_t stop : {exchanges.size() / 2, exchanges.size(), exchanges.size()}) {
        for (std::size_t i = 0; i < stop; ++i) { // a run given up half way, then two whole ones
            EXPECT_LE(exchanges[i].block.size(), 2048);
            line.send(exchanges[i].block);
            EXPECT_EQ(line.waitFor(exchanges[i].answer), exchanges[i].answer);
            sent.push_back(exchanges[i].blockIndex);
        }
    }
    EXPECT_EQ(modem.replayedBlocks(), sent);
}
