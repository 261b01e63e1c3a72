// A run given up half-way: by the quit request, or because the device went away.
#include "atlink/Timing.h"
#include "atlink/TmyComm.h"
#include "procedures/Procedures.h"
#include "tests/common/TestSupport.h"
#include "tests/procedures/ProcedureTestKit.h"

#include <gtest/gtest.h>

#include <QDir>

#include <algorithm>

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
    bench->Put(QStringLiteral("compiled/a.pyo"), "print(1)");
    bench->host.quitOnLine = QStringLiteral("Удаление старого файла a.pyo ...");
    bench->host.quitDelay = 900ms; // the 500 ms pause is over, the 7 s wait has begun

    EXPECT_FALSE(PerformProgrammingRun(bench->host, QStringLiteral("velmora")));
    const auto stopped = Clock::now() - bench->host.quitAt;
    EXPECT_LT(stopped, 5000ms); // of the 6.1 s the wait had left
    EXPECT_TRUE(After(bench->Commands(), "AT#DSCRIPT=").empty());
    EXPECT_TRUE(HasLines(bench->host.lines,
                         {QStringLiteral("таймаут"), QString(), QString(), RunFailedText()}));
    EXPECT_FALSE(bench->channel.Comm->PortOpen());
}

// Real time: a quit during the five seconds after the reset ends that pause at once, and nothing
// more is sent.
TEST(StopRun, QuitEndsThePauseItMeets)
{
    const auto bench = MakeBench(Family::Script, {});
    bench->Put(QStringLiteral("compiled/a.pyo"), "print(1)");
    bench->host.quitOnLine = Exchange(QStringLiteral("AT#ENHRST=1,0"));
    bench->host.quitDelay = 100ms;

    EXPECT_FALSE(PerformProgrammingRun(bench->host, QStringLiteral("velmora")));
    EXPECT_LT(Clock::now() - bench->host.quitAt, 2000ms); // of the 4.9 s the pause had left
    EXPECT_TRUE(After(bench->Commands(), "AT#ENHRST=").empty());
}

// The Java modem is told to start its loader whatever happened, a quit included; nothing else
// goes out after the request.
TEST(StopRun, QuitLetsOnlyTheJavaClosingCommandsOut)
{
    modemsim::Faults silent;
    silent.silentCommands = {"AT^SJDL="};
    const auto bench = MakeBench(Family::Java, silent);
    bench->Put(QStringLiteral("compiled/a.jar"), "jar");
    bench->Put(QStringLiteral("compiled/b.jar"), "jar");
    bench->host.quitOnLine = QStringLiteral("Запись файла a.jar (3 bytes)");
    bench->host.quitDelay = 400ms;

    EXPECT_FALSE(PerformProgrammingRun(bench->host, QStringLiteral("tu41")));
    EXPECT_EQ(After(bench->Commands(), "AT^SJDL="),
              (std::vector<QByteArray>{"AT^SJAM=2,\"a:/ehsx_loader.jad\",\"\"",
                                       "AT^SJAM=0,\"a:/ehsx_loader.jad\",\"\""}));
    EXPECT_TRUE(HasLines(bench->host.lines,
                         {Exchange(QStringLiteral("AT^SJAM=0,\"a:/ehsx_loader.jad\",\"\"")),
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
    options.linkPath = links.filePath(QStringLiteral("modem"));
    ModemBench bench(options);
    bench.channel.Comm->ClosePort();
    bench.channel.Comm->SetCommPort(options.linkPath);
    ASSERT_NO_THROW(bench.channel.Comm->OpenPort());
    bench.Put(QStringLiteral("compiled/a.pyo"), FileBytes(2000, 'a'));
    bench.channel.Reply = "OK";

    const auto start = Clock::now();
    EXPECT_FALSE(PerformProgrammingRun(bench.host, QStringLiteral("velmora")));
    EXPECT_LT(Clock::now() - start, 15s); // the preamble's pauses, not the time-out
    const QString lost = QStringLiteral("СОМ-порт ") + options.linkPath +
                         QStringLiteral(" потерян (устройство отключено).");
    EXPECT_EQ(bench.host.lines.count(lost), 1);
    EXPECT_TRUE(HasLines(bench.host.lines, {lost, QString(), RunFailedText()}));
    EXPECT_FALSE(bench.channel.Comm->PortOpen());
    EXPECT_TRUE(bench.modem.vanished());

    ASSERT_TRUE(waitUntil([&] { return bench.modem.cameBack(); }));
    bench.host.lines.clear();
    ASSERT_NO_THROW(bench.channel.Comm->OpenPort());
    SendProbe(bench.channel);
    ASSERT_TRUE(waitUntil([&] { return ProbeAnswered(bench.channel); }));
    EXPECT_TRUE(PerformProgrammingRun(bench.host, QStringLiteral("velmora")))
        << bench.host.lines.join(u'\n').toStdString();
    EXPECT_EQ(bench.host.lines.count(lost), 0);
}

namespace {

// Raises the quit request at the Nth time the run looks at it once the modem has taken the first
// replayed block, and notes how many bytes the run had queued then and when the replay ended.
class QuitAtLook : public FakeHost
{
public:
    QuitAtLook(ModemBench &Bench, int Look)
        : FakeHost(Bench.channel, Bench.folder.path()), bench(Bench), look(Look)
    {
    }

    bool QuitRequested() const override
    {
        if (!seen && !replayEnded && !bench.modem.replayedBlocks().empty() && ++looks == look) {
            seen = true;
            queuedAtQuit = bench.channel.Comm->BytesQueued();
        }
        return seen;
    }
    void LogLine(const QString &Text) override
    {
        if (Text == ReplayFailed || Text == ReplayWritten) {
            replayEnded = true;
            queuedAtEnd = bench.channel.Comm->BytesQueued();
        }
        FakeHost::LogLine(Text);
    }

    mutable bool seen = false;
    mutable std::int64_t queuedAtQuit = -1;
    std::int64_t queuedAtEnd = -1;

private:
    ModemBench &bench;
    const int look;
    mutable int looks = 0;
    bool replayEnded = false;
};

} // namespace

// The quit request at every point of a replay, one run each: in a wait before any answer, between
// the pieces of one, as it arrives, between the log's lines, in the pause before a block. Nothing
// goes out after it, and the replay ends with its failure line; a wait that the quit cut short or
// refused is not reported as an expectation the modem missed.
TEST(StopRun, QuitAnywhereInAReplaySendsNothingMoreAndReportsNoMismatch)
{
    Timing::ScopedSpeedUp fast(4);
    const QByteArray log = "<- 41 54 0D 0A\n-> 4F 4B\n<- 31 0D\n-> 4F 4B\n";
    for (const int pieces : {1, 3}) {
        modemsim::Faults faults;
        faults.splitReplies = pieces;
        faults.splitPause = 20ms;
        int look = 1;
        for (;; ++look) {
            SCOPED_TRACE(testing::Message() << pieces << " pieces, look " << look);
            const auto bench = MakeBench(Family::Replay, faults, log);
            bench->Put(QStringLiteral("transfer_fw.log"), log);
            QuitAtLook host(*bench, look);
            const bool written = PerformProgrammingRun(host, QStringLiteral("tc65"));
            if (!host.seen)
                break; // the replay was over before this look
            EXPECT_FALSE(written);
            EXPECT_EQ(host.queuedAtEnd, host.queuedAtQuit);
            // The answer to switching autostart off, cut short when it comes in pieces, then the
            // replay's first line and its last.
            const auto autostartOff =
                std::find_if(host.lines.cbegin(), host.lines.cend(), [](const QString &Line) {
                    return Line.startsWith(
                        QStringLiteral("at^SCFG=\"userware/autostart\",\"\",\"0\" >> \r\nOK"));
                });
            ASSERT_NE(autostartOff, host.lines.cend()) << host.lines.join(u'|').toStdString();
            EXPECT_EQ(QStringList(autostartOff + 1, host.lines.cend()),
                      (QStringList{QString(), ReplayFailed, QString(), RunFailedText()}));
        }
        EXPECT_GE(look, 5) << "too few looks at the quit request to cover a replay";
    }
}
