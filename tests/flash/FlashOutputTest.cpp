#include "flash/FlashOutput.h"
#include "atlink/TmyComm.h"
#include "engine/FlashHost.h"
#include "engine/StationSession.h"
#include "flash/ExitCodes.h"
#include "flash/JsonOutput.h"
#include "flash/LiveStatusLines.h"
#include "flash/TextOutput.h"
#include "procedures/ProcedureSteps.h"

#include <QBuffer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <vector>

namespace {

const QString Type = QStringLiteral("Velmora");

PortResult outcomeOf(PortOutcome Outcome, const QString &Reason = {})
{
    PortResult result;
    result.outcome = Outcome;
    result.reason = Reason;
    result.portClosed = true;
    return result;
}

TEST(FlashExitCode, FollowsTheDocumentedPrecedence)
{
    const PortResult ok = outcomeOf(PortOutcome::Programmed);
    const PortResult failed = outcomeOf(PortOutcome::Failed);
    const PortResult silent = outcomeOf(PortOutcome::NoAnswer);
    EXPECT_EQ(FlashExitCode({ok, ok}, false), FlashExit::AllProgrammed);
    EXPECT_EQ(FlashExitCode({ok, failed, ok}, false), FlashExit::SomeFailed);
    // Some modems answered: the silent ones are failures among others, not "no modem answered".
    EXPECT_EQ(FlashExitCode({ok, silent}, false), FlashExit::SomeFailed);
    EXPECT_EQ(FlashExitCode({silent, silent}, false), FlashExit::NoModemAnswered);
    // A busy or missing port is told from a dead modem, unless a port did open.
    PortResult notOpened = silent;
    notOpened.portNotOpened = true;
    EXPECT_EQ(FlashExitCode({notOpened, notOpened}, false), FlashExit::PortNotOpened);
    EXPECT_EQ(FlashExitCode({notOpened, silent}, false), FlashExit::NoModemAnswered);
    EXPECT_EQ(FlashExitCode({notOpened, ok}, false), FlashExit::SomeFailed);
    EXPECT_EQ(FlashExitCode({ok, ok}, true), FlashExit::Interrupted);
}

class TextOutputTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(buffer.open(QIODevice::WriteOnly)); }
    QString written() const { return QString::fromUtf8(buffer.data()); }

    QBuffer buffer;
};

TEST_F(TextOutputTest, PrefixesEachPhysicalLineWithItsPortWhenSeveralRun)
{
    PortBoard board({QStringLiteral("/dev/ttyUSB0"), QStringLiteral("/dev/ttyUSB1")}, Type);
    TextOutput output(board, buffer, {});
    output.logLine(1, QStringLiteral("AT#ESCRIPT=\"\" >> \r\nOK\r\n"));
    output.logLine(0, QString());
    EXPECT_EQ(written(), QStringLiteral("/dev/ttyUSB1: AT#ESCRIPT=\"\" >> \n/dev/ttyUSB1: OK\n"
                                        "/dev/ttyUSB1: \n/dev/ttyUSB0: \n"));
}

// Nothing a modem answers may drive the user's terminal: a title change (OSC), colours, a bell,
// a bidi override; TAB and the letters stay.
TEST_F(TextOutputTest, ModemBytesThatDriveATerminalAreShownEscaped)
{
    PortBoard board({QStringLiteral("/dev/ttyUSB0")}, Type, nullptr);
    TextOutput output(board, buffer, {});
    board.setNext(&output);
    board.logLine(0, QStringLiteral("AT >> \x1b]0;pwned\a\x1b[31mOK\tЁ\u009b\u202e\x7f\r\n"));
    EXPECT_EQ(written(),
              QStringLiteral("AT >> \\x1B]0;pwned\\x07\\x1B[31mOK\tЁ\\x9B\\u202E\\x7F\n\n"));
    buffer.buffer().clear();
    buffer.seek(0);
    board.finished(0, outcomeOf(PortOutcome::Failed, QStringLiteral("bad \x1b[2J")));
    output.summarize(1);
    EXPECT_TRUE(written().contains(QStringLiteral("bad \\x1B[2J\n"))) << written().toStdString();
}

// A port named by a link (a stable name) is summed up with the device it stood for; the log keeps
// the name as given.
TEST_F(TextOutputTest, ALinkIsSummedUpWithItsDevice)
{
#ifdef Q_OS_WIN
    GTEST_SKIP() << "Windows names its ports COMn; a shortcut is no second name of a device";
#endif
    QTemporaryDir folder;
    const QString device = folder.filePath(QStringLiteral("ttyUSB0"));
    const QString link = folder.filePath(QStringLiteral("usb-Maker_Adapter_A1-if00-port0"));
    QFile file(device);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_TRUE(QFile::link(device, link));
    PortBoard board({link, device}, Type);
    TextOutput output(board, buffer, {});
    board.setNext(&output);
    board.logLine(0, QStringLiteral("OK"));
    board.finished(0, outcomeOf(PortOutcome::Programmed));
    board.finished(1, outcomeOf(PortOutcome::Programmed));
    output.summarize(0);
    EXPECT_TRUE(written().startsWith(link + QStringLiteral(": OK\n")));
    EXPECT_TRUE(written().contains(QStringLiteral("  %1 (%2)  ").arg(link, device)));
    EXPECT_TRUE(written().contains(QStringLiteral("  %1  ").arg(device)));
}

// A station's summary names, per port, the modems it programmed and why it stopped by itself.
TEST_F(TextOutputTest, StationSummarySaysWhyAPortStopped)
{
    PortBoard board({QStringLiteral("/dev/ttyUSB0"), QStringLiteral("/dev/ttyUSB1")}, Type);
    TextOutput output(board, buffer, {});
    board.setNext(&output);
    StationStatus stopped;
    stopped.state = StationState::Stopped;
    stopped.tally.programmed = 2;
    stopped.tally.stopReason =
        QStringLiteral("Запись о работе не сохранена в /srv/runs.jsonl: диск полон");
    board.station(0, stopped);
    StationStatus going;
    going.state = StationState::Stopped;
    going.tally.programmed = 3;
    board.station(1, going);
    output.summarizeStation(3600000, 1);
    const QStringList rows = written().split(u'\n');
    ASSERT_GE(rows.size(), 4);
    EXPECT_TRUE(rows.at(1).startsWith(QStringLiteral("Итог смены: запрограммировано: 5, сбоев: 0")))
        << rows.at(1).toStdString();
    EXPECT_EQ(rows.at(2),
              QStringLiteral("  /dev/ttyUSB0  запрограммировано: 2, сбоев: 0, остановлен: "
                             "Запись о работе не сохранена в /srv/runs.jsonl: диск полон"));
    EXPECT_EQ(rows.at(3), QStringLiteral("  /dev/ttyUSB1  запрограммировано: 3, сбоев: 0"));
}

// A script reads the exit status in one wording, whichever summary it meets.
TEST_F(TextOutputTest, BothSummariesNameTheExitStatusAlike)
{
    PortBoard board({QStringLiteral("/dev/ttyUSB0")}, Type);
    TextOutput output(board, buffer, {});
    board.setNext(&output);
    board.finished(0, outcomeOf(PortOutcome::Failed, QStringLiteral("таймаут")));
    output.summarize(1);
    output.summarizeStation(3'600'000, 130);
    EXPECT_EQ(written().count(QStringLiteral("(код завершения ")), 2) << written().toStdString();
    EXPECT_TRUE(written().contains(QStringLiteral("(код завершения 130)")));
}

// As in the run record: the reason of a modem that was programmed is null, not an empty text.
TEST(JsonOutput, AResultWithoutAReasonHasANullReasonAsTheRecord)
{
    QBuffer buffer;
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly));
    PortBoard board({QStringLiteral("/dev/ttyUSB0"), QStringLiteral("/dev/ttyUSB1")}, Type);
    JsonOutput output(board, buffer);
    output.finished(0, outcomeOf(PortOutcome::Programmed));
    output.finished(1, outcomeOf(PortOutcome::Failed, QStringLiteral("таймаут")));
    const QList<QByteArray> lines = buffer.data().split('\n');
    ASSERT_GE(lines.size(), 2);
    const QJsonObject programmed = QJsonDocument::fromJson(lines.at(0)).object();
    const QJsonObject failed = QJsonDocument::fromJson(lines.at(1)).object();
    ASSERT_TRUE(programmed.contains(QStringLiteral("reason")));
    EXPECT_TRUE(programmed[QStringLiteral("reason")].isNull());
    EXPECT_EQ(failed[QStringLiteral("reason")].toString(), QStringLiteral("таймаут"));
}

TEST_F(TextOutputTest, LiveLinesAreErasedAroundTextAndRedrawnOnlyWhenChanged)
{
    LiveStatusLines live(buffer, 20);
    live.show({QStringLiteral("a"), QStringLiteral("0123456789012345678901234")});
    live.show({QStringLiteral("a"), QStringLiteral("0123456789012345678901234")});
    live.printAbove(QStringLiteral("log\n"));
    live.clear();
    EXPECT_EQ(written(), QStringLiteral("a\n0123456789012345678\n"
                                        "\x1b[2F\x1b[Jlog\na\n0123456789012345678\n"
                                        "\x1b[2F\x1b[J"));
}

// Records what a host reports, as the runner's relay would receive it.
struct RecordingObserver : RunObserver
{
    void logLine(int, const QString &Text) override { lines.push_back(Text); }
    void progress(int, const PortProgress &Progress) override { moves.push_back(Progress); }
    void finished(int, const PortResult &) override {}

    std::vector<QString> lines;
    std::vector<PortProgress> moves;
};

TEST(FlashHost, KeepsTheGaugeInRangeAndFollowsTheTransferItIsTold)
{
    TmyComm channel;
    RecordingObserver observer;
    const RunStop stop;
    FlashHost host(channel, QStringLiteral("/data/velmora"), 0, observer, stop);

    host.SetGaugeMaximum(3);
    host.SetGaugePosition(7);
    EXPECT_EQ(host.GaugePosition(), 3);
    host.SetGaugeMaximum(2);
    EXPECT_EQ(host.GaugePosition(), 2);
    host.SetGaugePosition(-1);
    EXPECT_EQ(host.GaugePosition(), 0);

    // The size comes from the procedure, never from the text of a log line.
    const auto moves = observer.moves.size();
    host.LogLine(QStringLiteral("Запись файла main.py (31 bytes) ..."));
    EXPECT_EQ(observer.moves.size(), moves);
    host.ShowTransfer({QStringLiteral("main.py"), 12, 31, 960});
    EXPECT_EQ(observer.moves.back().transfer.sent, 12);
    EXPECT_EQ(observer.moves.back().transfer.total, 31);
    host.TransferEnded();
    EXPECT_EQ(observer.moves.back().transfer.total, 0);

    host.ShowErrorBox(QStringLiteral(
        "Не обнаружен файл данных transfer_fw.log. Запись данных отменена.         "));
    EXPECT_EQ(observer.lines.back(),
              QStringLiteral("Не обнаружен файл данных transfer_fw.log. Запись данных отменена."));
    EXPECT_TRUE(host.failureReason().startsWith(observer.lines.back()));
}

TEST(FlashHost, KnowsARefusalByItsKindNotByItsWords)
{
    TmyComm channel;
    RecordingObserver observer;
    const RunStop stop;
    FlashHost host(channel, QStringLiteral("/data/velmora"), 0, observer, stop);

    // A modem's echo may read like anything; only a refusal the run reports is its reason.
    host.LogLine(QStringLiteral("AT#ESCRIPT >> Запись данных отменена."));
    host.ShowErrorBox(QStringLiteral("Ошибка порта."));
    EXPECT_EQ(host.failureReason(), QStringLiteral("Ошибка порта."));

    const Failure refusal = procedures::Refusal(QStringLiteral("Файл a.bin пуст."));
    host.LogFailure(refusal);
    EXPECT_EQ(observer.lines.back(), refusal.text);
    host.ShowErrorBox(QStringLiteral("Ошибка порта."));
    EXPECT_EQ(host.failureReason(), refusal.text);
}

} // namespace
