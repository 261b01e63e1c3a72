// The faults other tests inject, each seen on the wire as the program would see it.
#include "tests/modemsim/SimTestSupport.h"

#include "tools/modemsim/ModemSimulator.h"

#include <QList>

using namespace modemsim;

namespace {

Options scriptModem()
{
    Options options;
    options.family = Family::Script;
    return options;
}

// Starts a raw transfer, sends only `bytes` of it, and expects it to end in `ending`, nothing
// stored, and plain commands answered afterwards.
void expectTransferEnding(const Options &options, const QByteArray &command,
                          const QByteArray &bytes, const QByteArray &ending)
{
    ModemSimulator modem(options);
    SlaveLine line(modem.devicePath());
    line.send("ATE0\r\n" + command + "\r\n");
    line.waitFor(options.family == Family::Java ? "CONNECT\r\n" : ">>>");
    line.send(bytes);
    EXPECT_EQ(line.waitFor(ending), ending) << command.constData();
    line.send("AT\r\n");
    EXPECT_EQ(line.waitFor("OK\r\n"), "\r\nOK\r\n") << command.constData();
    EXPECT_TRUE(modem.storedFiles().empty()) << command.constData();
}

} // namespace

class InjectedFaults : public LeakCheckedTest
{
};

TEST_F(InjectedFaults, SilentErrorAndFailingCommands)
{
    Options options = scriptModem();
    options.faults.neverAnswerProbe = true;
    options.faults.silentCommands = {"AT#DSCRIPT="};
    options.faults.errorCommands = {{"at#enhrst=", "+CME ERROR: 4"}}; // letter case does not matter
    options.faults.failFirstN = {{"AT#ESCRIPT=", 2}};
    ModemSimulator modem(options);
    SlaveLine line(modem.devicePath());

    line.send("ATE0\r\n");
    line.send("AT#DSCRIPT=\"a.pyo\"\r\n");
    EXPECT_EQ(line.drain(), "");
    line.send("AT#ENHRST=1,0\r\n");
    EXPECT_EQ(line.waitFor("4\r\n"), "AT#ENHRST=1,0\r\r\n+CME ERROR: 4\r\n");
    for (const char *expected : {"\r\nERROR\r\n", "\r\nERROR\r\n", "\r\nOK\r\n"}) {
        line.send("AT#ESCRIPT=\"\"\r\n");
        EXPECT_EQ(line.waitFor(expected), "AT#ESCRIPT=\"\"\r" + QByteArray(expected));
    }
    EXPECT_EQ(modem.commands().size(), 6U); // unanswered commands are still received
}

TEST_F(InjectedFaults, PowerOnDelayLosesEarlyInputThenAnnouncesItself)
{
    Options options = scriptModem();
    options.powerOnDelay = 1000ms;
    options.powerOnLines = "\r\n^SYSSTART\r\n";
    const auto start = std::chrono::steady_clock::now();
    ModemSimulator modem(options);
    SlaveLine line(modem.devicePath());

    line.send("ATE0\r\n"); // the modem is still booting
    EXPECT_EQ(line.waitFor("^SYSSTART\r\n"), "\r\n^SYSSTART\r\n");
    EXPECT_GE(std::chrono::steady_clock::now() - start, 1000ms);
    line.send("ATE0\r\n");
    EXPECT_EQ(line.waitFor("OK\r\n"), "ATE0\r\r\nOK\r\n");
    EXPECT_EQ(modem.commands(), (std::vector<QByteArray>{"ATE0"}));
    EXPECT_EQ(modem.received(), "ATE0\r\nATE0\r\n");
}

TEST_F(InjectedFaults, DelayedAnswerInPiecesWithPauses)
{
    Options options = scriptModem();
    options.faults.answerDelay = 200ms;
    options.faults.splitReplies = 3;
    options.faults.splitPause = 100ms;
    ModemSimulator modem(options);
    SlaveLine line(modem.devicePath());

    line.send("ATE0\r\n");
    EXPECT_EQ(line.waitFor("OK\r\n"), "ATE0\r\r\nOK\r\n");
    // The simulator records a write after making it, and on a busy machine it may write pieces
    // that fell due together at once; what holds is that no byte goes out before its time.
    ASSERT_TRUE(waitUntil([&] { return modem.sent() == "ATE0\r\r\nOK\r\n"; }));
    const std::vector<WireRecord> wire = modem.wire();
    ASSERT_GE(wire.size(), 3U);
    EXPECT_EQ(wire[1].bytes, "ATE0\r"); // the echo is not held back
    qsizetype answered = 0;
    for (std::size_t at = 2; at < wire.size(); ++at) {
        answered += wire[at].bytes.size();
        const int lastPiece = static_cast<int>((answered - 1) / 2); // two bytes a piece
        EXPECT_GE(wire[at].when - wire[0].when, 200ms + 100ms * lastPiece) << at;
    }
    EXPECT_EQ(answered, 6);
}

TEST_F(InjectedFaults, GarbageAndZeroBytesAroundIntactAnswers)
{
    Options options = scriptModem();
    options.faults.garbage = true;
    options.faults.zeroBytes = true;
    ModemSimulator modem(options);
    SlaveLine line(modem.devicePath());

    line.send("ATE0\r\n");
    const QByteArray answer = line.waitFor(QByteArray("OK\r\n\0", 5)).sliced(5); // after the echo
    EXPECT_TRUE(answer.startsWith('\0'));
    EXPECT_TRUE(answer.endsWith(QByteArray("\r\nOK\r\n\0", 7)));
    EXPECT_GT(answer.size(), 8); // stray bytes between the zero and the result code
}

TEST_F(InjectedFaults, ScriptStoreFaults)
{
    Options options = scriptModem();
    options.faults.wrongCrcWrites = 1;
    options.faults.noWritePrompt = true;
    ModemSimulator modem(options);
    SlaveLine line(modem.devicePath());
    line.send("ATE0\r\n");
    line.waitFor("OK\r\n");

    QList<QByteArray> reports;
    for (int write = 0; write < 2; ++write) {
        line.send("AT#WSCRIPT=\"a.pyo\",9,1\r\n");
        EXPECT_EQ(line.drain(), ""); // no prompt, yet the bytes are taken
        line.send("123456789");
        EXPECT_EQ(line.waitFor("OK\r\n"), "\r\nOK\r\n");
        line.send("AT#LCSCRIPT=\"a.pyo\"\r\n");
        reports.append(line.waitFor("OK\r\n"));
    }
    EXPECT_TRUE(reports[0].contains("#LCSCRIPT: \"a.pyo\",9,"));
    EXPECT_FALSE(reports[0].contains("\"a.pyo\",9,6F91"));
    EXPECT_TRUE(reports[1].contains("#LCSCRIPT: \"a.pyo\",9,6F91"));
    EXPECT_EQ(modem.storedFiles().at("a.pyo"), "123456789");
}

TEST_F(InjectedFaults, DeviceVanishesAfterGivenBytes)
{
    Options options = scriptModem();
    options.faults.vanishAfterBytes = 10;
    ModemSimulator modem(options);
    SlaveLine line(modem.devicePath());

    line.send("ATE0\r\n");
    EXPECT_EQ(line.waitFor("OK\r\n"), "ATE0\r\r\nOK\r\n");
    line.send("AT+IPR=9600\r\n");
    EXPECT_TRUE(line.hungUp());
    EXPECT_TRUE(waitUntil([&] { return modem.vanished(); }, kPatience));
    EXPECT_EQ(modem.received(), "ATE0\r\nAT+I");
    EXPECT_EQ(modem.sent(), "ATE0\r\r\nOK\r\n");
}

TEST_F(InjectedFaults, RawTransfersThatEndBadly)
{
    Options java;
    java.family = Family::Java;
    java.rawByteTimeout = 200ms;
    expectTransferEnding(java, "AT^SJDL=1,10,\"a.jar\"", "0123", "\r\nJDL TIMEOUT\r\n");
    Options script = scriptModem();
    script.rawByteTimeout = 200ms;
    expectTransferEnding(script, "AT#WSCRIPT=\"a.pyo\",10,1", "0123", "\r\nERROR\r\n");
    java.faults.jdlTimeout = true; // the whole file arrives, and still
    expectTransferEnding(java, "AT^SJDL=1,4,\"a.jar\"", "0123", "\r\nJDL TIMEOUT\r\n");
}

TEST_F(InjectedFaults, LineEndsEchoAndSplitCommands)
{
    Options options = scriptModem();
    options.lineEnds = 2;
    ModemSimulator modem(options);
    SlaveLine line(modem.devicePath());

    for (const char *piece : {"A", "T", "\r", "\n"})
        line.send(piece);
    EXPECT_EQ(line.waitFor("OK\r\n\r\n"), "AT\r\r\n\r\nOK\r\n\r\n");
    line.send("ATE0\r\nAT\r\nATE1\r\nAT\r\n");
    EXPECT_EQ(line.waitFor("AT\r\r\n\r\nOK\r\n\r\n"),
              "ATE0\r\r\n\r\nOK\r\n\r\n" + QByteArray("\r\n\r\nOK\r\n\r\n").repeated(2) +
                  "AT\r\r\n\r\nOK\r\n\r\n");
}
