// A run given up half-way: by the quit request, or because the device went away.
#include "atlink/Timing.h"
#include "atlink/TmyComm.h"
#include "procedures/Procedures.h"
#include "tests/common/TestSupport.h"
#include "tests/procedures/ProcedureTestKit.h"

#include <gtest/gtest.h>

#include <QDir>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;
using modemsim::Family;
using Clock = std::chrono::steady_clock;

namespace {

std::vector<QByteArray> After(const std::vector<QByteArray> &Commands, const QByteArray &Prefix)
{
    auto at = std::find_if(Commands.begin(), Commands.end(),
                           [&](const QByteArray &command) { return command.startsWith(Prefix); });
    return at == Commands.end() ? std::vector<QByteArray>{}
                                : std::vector<QByteArray>(at + 1, Commands.end());
}

} // namespace

// Real time: the delete waits up to 7 s for an answer that never comes; the quit request ends
// that wait at once and nothing more is sent.
TEST(StopRun, QuitEndsTheRunningWaitAndSendsNothingMore)
{
    modemsim::Faults silent;
    silent.silentCommands = {"AT#DSCRIPT="};
    const auto bench = MakeBench(Family::Script, silent);
    bench->Put(u"compiled/a.pyo"_s, "print(1)");
    bench->host.quitOnLine = u"Удаление старого файла a.pyo ..."_s;
    bench->host.quitDelay = 900ms; // the 500 ms pause is over, the 7 s wait has begun

    EXPECT_FALSE(PerformProgrammingRun(bench->host, u"velmora"_s));
    const auto stopped = Clock::now() - bench->host.quitAt;
    EXPECT_LT(stopped, 5000ms); // of the 6.1 s the wait had left
    EXPECT_TRUE(After(bench->Commands(), "AT#DSCRIPT=").empty());
    EXPECT_TRUE(HasLines(bench->host.lines, {u"таймаут"_s, QString(), QString(), RunFailedText()}));
    EXPECT_FALSE(bench->channel.Comm->PortOpen());
}

// The Java modem is told to start its loader whatever happened, a quit included; nothing else
// goes out after the request.
TEST(StopRun, QuitLetsOnlyTheJavaClosingCommandsOut)
{
    modemsim::Faults silent;
    silent.silentCommands = {"AT^SJDL="};
    const auto bench = MakeBench(Family::Java, silent);
    bench->Put(u"compiled/a.jar"_s, "jar");
    bench->Put(u"compiled/b.jar"_s, "jar");
    bench->host.quitOnLine = u"Запись файла a.jar (3 bytes)"_s;
    bench->host.quitDelay = 400ms;

    EXPECT_FALSE(PerformProgrammingRun(bench->host, u"tu41"_s));
    EXPECT_EQ(After(bench->Commands(), "AT^SJDL="),
              (std::vector<QByteArray>{"AT^SJAM=2,\"a:/ehsx_loader.jad\",\"\"",
                                       "AT^SJAM=0,\"a:/ehsx_loader.jad\",\"\""}));
    EXPECT_TRUE(HasLines(bench->host.lines, {Exchange(u"AT^SJAM=0,\"a:/ehsx_loader.jad\",\"\""_s),
                                             QString(), RunFailedText()}));
}

// The modem goes away in the middle of a file and comes back under a new name. The 120 s wait
// for its confirmation (30 s sped up) ends at once, the log names the lost port, and the next run
// over the same link programs the modem.
TEST(StopRun, UnpluggedModemFailsTheRunPromptlyAndWorksWhenBack)
{
    Timing::ScopedSpeedUp faster(4);
    QTemporaryDir links;
    modemsim::Options options;
    options.family = Family::Script;
    options.faults.vanishAfterBytes = 300;
    options.faults.comeBackAfter = 200ms;
    options.linkPath = links.filePath(u"modem"_s);
    ModemBench bench(options);
    bench.channel.Comm->ClosePort();
    bench.channel.Comm->SetCommPort(options.linkPath);
    ASSERT_TRUE(bench.channel.Comm->OpenPort());
    bench.Put(u"compiled/a.pyo"_s, FileBytes(2000, 'a'));
    bench.channel.Reply = "OK";

    const auto start = Clock::now();
    EXPECT_FALSE(PerformProgrammingRun(bench.host, u"velmora"_s));
    EXPECT_LT(Clock::now() - start, 15s); // the preamble's pauses, not the time-out
    const QString lost = u"СОМ-порт "_s + options.linkPath + u" потерян (устройство отключено)."_s;
    EXPECT_EQ(bench.host.lines.count(lost), 1);
    EXPECT_TRUE(HasLines(bench.host.lines, {lost, QString(), RunFailedText()}));
    EXPECT_FALSE(bench.channel.Comm->PortOpen());
    EXPECT_TRUE(bench.modem.vanished());

    ASSERT_TRUE(waitUntil([&] { return bench.modem.cameBack(); }));
    bench.host.lines.clear();
    ASSERT_TRUE(bench.channel.Comm->OpenPort());
    SendProbe(bench.channel);
    ASSERT_TRUE(waitUntil([&] { return ProbeAnswered(bench.channel); }));
    EXPECT_TRUE(PerformProgrammingRun(bench.host, u"velmora"_s))
        << bench.host.lines.join(u'\n').toStdString();
    EXPECT_EQ(bench.host.lines.count(lost), 0);
}
