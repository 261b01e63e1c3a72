#include "flash/PortLines.h"
#include "flash/LiveStatusLines.h"
#include "flash/TextOutput.h"

#include "tests/common/TestSupport.h"

#include <QBuffer>

#include <gtest/gtest.h>

namespace {

const QString ByIdPort = QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1-if00-port0");
const QString ShownImei = QStringLiteral("356938035643809");
const QString Red = QStringLiteral("\x1b[31m");
const QString Green = QStringLiteral("\x1b[32m");
const QString Reset = QStringLiteral("\x1b[0m");

PortResult modemResult(PortOutcome Outcome, const QString &Reason = {})
{
    PortResult result;
    result.outcome = Outcome;
    result.reason = Reason;
    result.imei = ShownImei;
    return result;
}

StationStatus modemStation(StationState State, int Programmed, int Failed,
                           std::optional<PortResult> Ended = std::nullopt)
{
    StationStatus status;
    status.state = State;
    status.tally.programmed = Programmed;
    status.tally.failed = Failed;
    status.imei = ShownImei;
    status.ended = std::move(Ended);
    return status;
}

// A station port whose modem has just ended its run as Ended.
PortState stationPortAfter(const QString &Port, const PortResult &Ended, int Programmed, int Failed)
{
    PortBoard board({Port}, QStringLiteral("Velmora"));
    board.station(0, modemStation(StationState::Programming, Programmed, Failed - 1));
    board.station(0, modemStation(StationState::TakeOff, Programmed, Failed, Ended));
    return board.port(0);
}

// A good modem and a failed one must never read alike: the failure says so, with its reason,
// in words and, where the terminal takes them, in red against green.
TEST(StationLine, AFailedModemReadsOtherwiseThanAGoodOne)
{
    const PortState failed = stationPortAfter(
        QStringLiteral("/dev/ttyUSB0"),
        modemResult(PortOutcome::Failed, QStringLiteral("таймаут (выполнено 1 из 3)")), 0, 1);
    const PortLine failedLine = StationLine(failed);
    EXPECT_EQ(StateChangeText(failedLine),
              QStringLiteral("ОШИБКА: таймаут (выполнено 1 из 3), снимите модем "
                             "(запрограммировано: 0, сбоев: 1)"));
    EXPECT_EQ(FitLine(failedLine, 12, 120, true),
              QStringLiteral("/dev/ttyUSB0  ") + Red +
                  QStringLiteral("ОШИБКА: таймаут (выполнено 1 из 3), снимите модем") + Reset +
                  QStringLiteral("  (запрограммировано: 0, сбоев: 1)"));

    const PortState good = stationPortAfter(QStringLiteral("/dev/ttyUSB0"),
                                            modemResult(PortOutcome::Programmed), 1, 1);
    EXPECT_EQ(FitLine(StationLine(good), 12, 120, true),
              QStringLiteral("/dev/ttyUSB0  ") + Green +
                  QStringLiteral("запрограммирован, снимите модем") + Reset +
                  QStringLiteral("  (запрограммировано: 1, сбоев: 1)"));
    // NO_COLOR, or a terminal without colours: the words alone.
    EXPECT_EQ(FitLine(StationLine(good), 12, 120, false),
              QStringLiteral("/dev/ttyUSB0  запрограммирован, снимите модем  "
                             "(запрограммировано: 1, сбоев: 1)"));

    // A port that cannot go on has no modem to take off.
    PortBoard board({QStringLiteral("/dev/ttyUSB0")}, QStringLiteral("Velmora"));
    board.station(0, modemStation(StationState::WaitingForModem, 0, 0));
    board.finished(0, modemResult(PortOutcome::Failed, QStringLiteral("диск полон")));
    EXPECT_EQ(
        StateChangeText(StationLine(board.port(0))),
        QStringLiteral("ОШИБКА: диск полон, порт остановлен (запрограммировано: 0, сбоев: 0)"));
}

// The README's own advice, a stable name, must leave the state readable on any terminal: the name
// gives way first, then the details, then the reason's end; the state's words never.
TEST(StationLine, ANarrowTerminalShortensThePortNeverTheState)
{
    const PortState failed = stationPortAfter(
        ByIdPort,
        modemResult(PortOutcome::Failed, QStringLiteral("Ошибка. Файл ehsx.jar не принят модемом "
                                                        "после 3 попыток (выполнено 1 из 3)")),
        4, 1);
    PortState waiting = failed;
    waiting.stage = PortStage::Waiting;
    const QList<PortLine> lines{StationLine(waiting), StationLine(failed)};
    for (const int width : {200, 120, 80, 60, 40, 30}) {
        const int column = PortColumn(lines, width);
        const QString waitingText = FitLine(lines.at(0), column, width, false);
        const QString failedText = FitLine(lines.at(1), column, width, false);
        SCOPED_TRACE(width);
        EXPECT_LE(waitingText.size(), width - 1);
        EXPECT_LE(failedText.size(), width - 1);
        EXPECT_TRUE(waitingText.contains(QStringLiteral("  ожидает модем")));
        EXPECT_TRUE(failedText.contains(QStringLiteral("  ОШИБКА: ")));
        EXPECT_TRUE(failedText.endsWith(QStringLiteral(", снимите модем")) ||
                    failedText.endsWith(QStringLiteral(", снимите модем  (запрограммировано: 4, "
                                                       "сбоев: 1)")));
        // The states stay one under the other.
        EXPECT_EQ(waitingText.indexOf(QStringLiteral("  ожидает")),
                  failedText.indexOf(QStringLiteral("  ОШИБКА")));
    }
    const auto fitted = [&](int Width) {
        return FitLine(lines.at(1), PortColumn(lines, Width), Width, false);
    };
    EXPECT_EQ(fitted(200), ByIdPort + QStringLiteral("  ОШИБКА: Ошибка. Файл ehsx.jar не принят "
                                                     "модемом после 3 попыток (выполнено 1 из "
                                                     "3), снимите модем  (запрограммировано: 4, "
                                                     "сбоев: 1)"));
    // The name gives way first, down to what still tells the ports apart; then the counts; then
    // the reason's end.
    EXPECT_EQ(fitted(120), QStringLiteral("…T_A1-if00-port0  ОШИБКА: Ошибка. Файл ehsx.jar не "
                                          "принят модемом после 3 попыток (выполнено 1 из 3), "
                                          "снимите модем"));
    EXPECT_EQ(fitted(60),
              QStringLiteral("…T_A1-if00-port0  ОШИБКА: Ошибка. Файл ehsx…, снимите модем"));
    EXPECT_EQ(fitted(40), QStringLiteral("…1-if00-port0  ОШИБКА: …, снимите модем"));
    EXPECT_EQ(fitted(30), QStringLiteral("…t0  ОШИБКА: …, снимите модем"));
}

TEST(LiveLine, ShowsTheFileOnItsWayAsTheWindowDoes)
{
    PortBoard board({QStringLiteral("/dev/ttyUSB0")}, QStringLiteral("Tu41"));
    PortProgress progress;
    progress.phase = RunPhase::Writing;
    progress.transfer = {QStringLiteral("ehsx.jar"), std::int64_t{48} * 1024, 102399, 960};
    board.progress(0, progress);
    const auto shown = [&] { return FitLine(RunLine(board.port(0), 65000), 12, 200, false); };
    EXPECT_EQ(shown(), QStringLiteral("/dev/ttyUSB0  запись             01:05  "
                                      "ehsx.jar: 48 из 100 КБ, 960 Б/с, осталось 56 с"));
    progress.transfer.bytesPerSecond = 0; // the pace is not known yet: no time left either
    board.progress(0, progress);
    EXPECT_TRUE(shown().endsWith(QStringLiteral("  ehsx.jar: 48 из 100 КБ")));
    progress.transfer = {}; // between files
    board.progress(0, progress);
    EXPECT_FALSE(shown().contains(u"КБ"));
    board.finished(0, modemResult(PortOutcome::NoAnswer, QStringLiteral("нет отклика")));
    EXPECT_EQ(FitLine(RunLine(board.port(0), 65000), 12, 200, true),
              QStringLiteral("/dev/ttyUSB0  ") + Red + QStringLiteral("НЕТ ОТКЛИКА: нет отклика") +
                  Reset + QStringLiteral("  01:05"));
    PortBoard stopped({QStringLiteral("/dev/ttyUSB0")}, QStringLiteral("Tu41"));
    stopped.finished(0, modemResult(PortOutcome::Interrupted, QStringLiteral("прервано")));
    EXPECT_EQ(FitLine(RunLine(stopped.port(0), 1000), 12, 200, true),
              QStringLiteral("/dev/ttyUSB0  ПРЕРВАН            00:01"));
}

// A run asked to stop says so on its line as the stop reaches it, a station's port too while its
// modem's run ends; a modem already done keeps its word.
TEST(LiveLine, SaysARunIsStopping)
{
    PortProgress stopping;
    stopping.phase = RunPhase::Stopping;
    PortBoard single({QStringLiteral("/dev/ttyUSB0")}, QStringLiteral("Tu41"));
    single.progress(0, stopping);
    EXPECT_TRUE(FitLine(RunLine(single.port(0), 1000), 12, 200, false)
                    .startsWith(QStringLiteral("/dev/ttyUSB0  остановка ")));
    PortBoard station({QStringLiteral("/dev/ttyUSB0")}, QStringLiteral("Tu41"));
    station.station(0, modemStation(StationState::Programming, 0, 0));
    station.progress(0, stopping);
    EXPECT_TRUE(FitLine(StationLine(station.port(0)), 12, 200, false)
                    .startsWith(QStringLiteral("/dev/ttyUSB0  остановка")));
}

class LiveOutput : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(buffer.open(QIODevice::WriteOnly)); }
    QString written() const { return QString::fromUtf8(buffer.data()); }

    QBuffer buffer;
};

TEST_F(LiveOutput, ColoursTakeNoColumnAndAreClosedWhereALineIsCut)
{
    LiveStatusLines live(buffer, 8);
    live.show({Red + QStringLiteral("ОШИБКА: таймаут") + Reset});
    live.setWidth(40);
    live.show({QStringLiteral("a")});
    EXPECT_EQ(written(), Red + QStringLiteral("ОШИБКА:") + Reset + QStringLiteral("\n") +
                             QStringLiteral("\x1b[1F\x1b[Ja\n"));
}

// --quiet: what the operator acts on (each port's state, the results, the summary); the AT log
// goes only to the run logs. Without it, a failed modem is said in the log as it happens.
TEST_F(LiveOutput, QuietSaysOnlyStatesResultsAndTheSummary)
{
    for (const bool quiet : {true, false}) {
        buffer.buffer().clear();
        buffer.seek(0);
        PortBoard board({QStringLiteral("/dev/ttyUSB0"), QStringLiteral("/dev/ttyUSB1")},
                        QStringLiteral("Velmora"));
        TextOutput output(board, buffer, TextLook{{}, false, quiet});
        board.setNext(&output);
        // The session keeps the last failure's reason in the counts it hands each report.
        const auto afterFailure = [](StationState State, std::optional<PortResult> Ended = {}) {
            StationStatus status = modemStation(State, 0, 1, std::move(Ended));
            status.tally.lastFailure = QStringLiteral("таймаут");
            return status;
        };
        board.station(0, modemStation(StationState::WaitingForModem, 0, 0));
        board.logLine(0, QStringLiteral("AT#ESCRIPT=\"main.py\""));
        board.station(0, modemStation(StationState::Programming, 0, 0));
        board.station(0, afterFailure(StationState::TakeOff,
                                      modemResult(PortOutcome::Failed, QStringLiteral("таймаут"))));
        board.station(0, afterFailure(StationState::WaitingForModem));
        board.station(0, afterFailure(StationState::Stopped));
        output.summarizeStation(3600000, 130);
        const QString failedLine =
            QStringLiteral("/dev/ttyUSB0: ОШИБКА: таймаут, снимите модем (запрограммировано: 0, "
                           "сбоев: 1)\n");
        const QString summary = QStringLiteral(
            "\nИтог смены: запрограммировано: 0, сбоев: 1, модемов в час: 0.0, время: 1:00:00 "
            "(код завершения 130)\n"
            "  /dev/ttyUSB0  запрограммировано: 0, сбоев: 1, последний сбой: таймаут\n"
            "  /dev/ttyUSB1  запрограммировано: 0, сбоев: 0\n");
        if (quiet)
            EXPECT_EQ(written(),
                      QStringLiteral("/dev/ttyUSB0: программирование (запрограммировано: 0, "
                                     "сбоев: 0)\n") +
                          failedLine +
                          QStringLiteral("/dev/ttyUSB0: ожидает модем (запрограммировано: 0, "
                                         "сбоев: 1)\n"
                                         "/dev/ttyUSB0: остановлен (запрограммировано: 0, "
                                         "сбоев: 1)\n") +
                          summary);
        else
            EXPECT_EQ(written(), QStringLiteral("/dev/ttyUSB0: AT#ESCRIPT=\"main.py\"\n") +
                                     failedLine + summary);
    }
}

TEST_F(LiveOutput, QuietSingleRunSaysItsStepsAndItsFailureWithTheReason)
{
    PortBoard board({QStringLiteral("/dev/ttyUSB0")}, QStringLiteral("Velmora"));
    TextOutput output(board, buffer, TextLook{{}, false, true});
    board.setNext(&output);
    PortProgress progress;
    progress.phase = RunPhase::WaitingForAnswer;
    board.progress(0, progress);
    board.logLine(0, QStringLiteral("Ожидаю отклик от модема..."));
    progress.phase = RunPhase::Writing;
    board.progress(0, progress);
    board.finished(0,
                   modemResult(PortOutcome::Failed, QStringLiteral("таймаут (выполнено 1 из 2)")));
    output.summarize(1);
    EXPECT_EQ(written(), QStringLiteral("ожидание отклика\nзапись\n"
                                        "ОШИБКА: таймаут (выполнено 1 из 2)\n"
                                        "\nИтог: запрограммировано модемов: 0 из 1 (код "
                                        "завершения 1)\n"
                                        "  /dev/ttyUSB0  ОШИБКА           00:00  таймаут "
                                        "(выполнено 1 из 2)\n"));
}

} // namespace
