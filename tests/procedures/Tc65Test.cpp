#include "atlink/Timing.h"
#include "procedures/Procedures.h"
#include "tests/procedures/ProcedureTestKit.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QFile>

using modemsim::Family;
using testing::ElementsAre;
using testing::Ge;

namespace {

const QString Failed = QStringLiteral("Ошибка! Файл данных записать не удалось.");

// The modem answers from Answers, the program replays Log.
std::unique_ptr<ModemBench> ReplayBench(const QByteArray &Log, const QByteArray &Answers,
                                        modemsim::Faults Faults = {})
{
    auto bench = MakeBench(Family::Replay, std::move(Faults), Answers);
    bench->Put(QStringLiteral("transfer_fw.log"), Log);
    return bench;
}

std::unique_ptr<ModemBench> ReplayBench(const QByteArray &Log)
{
    return ReplayBench(Log, Log);
}

} // namespace

TEST(Tc65, WholeRunReplaysTheLogAndConfiguresAutostart)
{
    Timing::ScopedSpeedUp fast(RunSpeedUp);
    const auto bench = ReplayBench("// firmware 1.2\r\n"
                                   "<- 41 54 0D 0A\r\n"
                                   "-> 0D 0A 4F 4B 0D 0A\r\n"
                                   "\r\n"
                                   "<- 2b 2b 2b\r\n"
                                   "-> 4F 4B\r\n"
                                   "<- 2B 2B 2B\r\n"
                                   "-> 4F 4B\r\n"
                                   "<- 00 01 02 FF\n"
                                   "-> 06");
    EXPECT_TRUE(PerformProgrammingRun(bench->host, QStringLiteral("TC65")));
    const QStringList expected = {
        QStringLiteral("Отклик модема получен"),
        QStringLiteral("Запись данных в модем..."),
        {},
        Exchange(AutostartOff),
        {},
        QStringLiteral("Файл данных успешно записан."),
        Exchange(QStringLiteral("at^SCFG=\"userware/autostart/appname\",\"\",\"a:/tc65.jad\"")),
        Exchange(QStringLiteral("at^SCFG=\"userware/autostart/delay\",\"\",\"150\"")),
        Exchange(QStringLiteral("AT^SCFG=\"Userware/Mode\",\"normal\",\"\",\"0\"")),
        Exchange(QStringLiteral("AT^SCFG=\"Userware/Stdout\",\"USB\"")),
        Exchange(QStringLiteral("at^SCFG=\"userware/autostart\",\"\",\"1\"")),
        {},
        RunSucceededText()};
    EXPECT_EQ(bench->host.lines, expected);
    EXPECT_EQ(bench->modem.replayedBlocks(), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(bench->host.gaugePosition, 10);
    EXPECT_EQ(bench->host.gaugeMaximum, 152);
    // The escape to command mode wants three quiet seconds before it; a line in lower case is
    // not taken for it.
    EXPECT_THAT(GapsBefore(bench->modem, "+++"),
                ElementsAre(Ge(Timing::scaled(200ms)), Ge(Timing::scaled(3000ms))));
    EXPECT_TRUE(PausedBefore(bench->modem, {{"at^SCFG=\"userware/autostart\",\"\",\"0\"", 200ms},
                                            {"AT\r\n", 200ms},
                                            {QByteArray("\0\1\2\xFF", 4), 200ms},
                                            {"at^SCFG=", 100ms},
                                            {"AT^SCFG=", 100ms}}));
}

TEST(Tc65, MissingLogShowsTheBoxAndTouchesNothing)
{
    const auto bench = MakeBench(Family::Replay);
    EXPECT_FALSE(FlashTc65(bench->host));
    EXPECT_EQ(bench->host.boxes,
              QStringList{QStringLiteral(
                              "Не обнаружен файл данных transfer_fw.log. Запись данных отменена.") +
                          QString(9, u' ')});
    EXPECT_TRUE(bench->host.lines.isEmpty());
    EXPECT_TRUE(bench->Commands().empty());
}

TEST(Tc65, RefusedAutostartOffEndsTheRunBeforeTheReplay)
{
    modemsim::Faults faults;
    faults.errorCommands = {{"AT^SCFG=", "ERROR"}};
    const auto bench = ReplayBench("<- 10 20\n-> 4F 4B\n", "<- 10 20\n-> 4F 4B\n", faults);
    EXPECT_FALSE(FlashTc65(bench->host));
    EXPECT_EQ(bench->host.lines, QStringList{Exchange(AutostartOff, QStringLiteral("ERROR"))});
    EXPECT_TRUE(bench->modem.replayedBlocks().empty());
}

TEST(Tc65, ExpectationNotMetInTimeIsReportedAndStopsTheReplay)
{
    Timing::ScopedSpeedUp fast(4);
    const auto bench =
        ReplayBench("<- 41 54 0D 0A\n-> 4F 4B\n<- 42\n-> 4F 4B\n", "<- 41 54 0D 0A\n-> 45 52 52\n");
    EXPECT_FALSE(FlashTc65(bench->host));
    const QStringList report = {{},
                                QStringLiteral("Запись:\t\t41 54 0D 0A(AT\r\n)"),
                                QStringLiteral("Ошибка!"),
                                QStringLiteral("Ожидалось:\t4F 4B (OK)"),
                                QStringLiteral("Пришло:\t\t45 52 52  (ERR)"),
                                Failed};
    EXPECT_EQ(bench->host.lines.mid(2), report);
    EXPECT_EQ(bench->modem.replayedBlocks(), std::vector<int>{0});
    EXPECT_EQ(bench->Commands().size(), 1u);
}

TEST(Tc65, ErrorAnswerCountsAsPassed)
{
    // The modem rejects the unknown block with "ERROR" after a quiet spell.
    const auto bench = ReplayBench("<- 58 58\n-> 4F 4B\n", "");
    EXPECT_TRUE(FlashTc65(bench->host));
    EXPECT_TRUE(HasLines(bench->host.lines, {{}, QStringLiteral("Файл данных успешно записан.")}));
}

TEST(Tc65, OnlyTheLastPendingBlockIsSentAndOnlyOnce)
{
    Timing::ScopedSpeedUp fast(RunSpeedUp);
    // The second "->" sends nothing and is met by what already came.
    const QByteArray log = "<- 41 41\n<- 42 42\n-> 4F 4B\n-> 4F 4B\n";
    const auto bench = ReplayBench(log);
    EXPECT_TRUE(FlashTc65(bench->host));
    EXPECT_EQ(bench->modem.replayedBlocks(), std::vector<int>{1});
    EXPECT_FALSE(bench->modem.received().contains("AA"));
    EXPECT_EQ(bench->modem.received().count("BB"), 1);
}

TEST(Tc65, QuitRequestStopsTheReplayBeforeTheNextLine)
{
    Timing::ScopedSpeedUp fast(RunSpeedUp);
    const auto bench = ReplayBench("<- 10\n-> 4F 4B\n<- 20\n-> 4F 4B\n");
    bench->host.quitAtGauge = 2;
    EXPECT_FALSE(FlashTc65(bench->host));
    EXPECT_EQ(bench->host.lines.last(), Failed);
    EXPECT_EQ(bench->modem.replayedBlocks(), std::vector<int>{0});
    EXPECT_EQ(bench->Commands().size(), 1u);
}

// A log that cannot be replayed whole is refused before anything is sent.
TEST(Tc65, MalformedLogIsRefusedBeforeAnythingIsSent)
{
    const std::vector<std::pair<QByteArray, QString>> cases = {
        {"<- 41\n-> 4F 4B\n<- 4G\n",
         QStringLiteral(
             "строка 3: в данных есть символы, кроме шестнадцатеричных цифр и пробелов.")},
        {"-> 4F\t4B\n",
         QStringLiteral(
             "строка 1: в данных есть символы, кроме шестнадцатеричных цифр и пробелов.")},
        {"\n<- " + QByteArray(2049 * 2, '1') + "\n",
         QStringLiteral("строка 2: больше 2048 байт для отправки.")},
    };
    for (const auto &[log, problem] : cases) {
        const auto bench = ReplayBench(log, "");
        EXPECT_FALSE(FlashTc65(bench->host));
        EXPECT_EQ(bench->host.lines,
                  (QStringList{QStringLiteral("Файл данных transfer_fw.log, ") + problem, Failed}));
        EXPECT_TRUE(bench->Commands().empty());
    }
    // A file that is there but cannot be read (this one fails at its first byte).
    const auto bench = MakeBench(Family::Replay);
    QFile::link(QStringLiteral("/proc/self/mem"),
                bench->folder.filePath(QStringLiteral("transfer_fw.log")));
    EXPECT_FALSE(FlashTc65(bench->host));
    EXPECT_EQ(
        bench->host.lines,
        (QStringList{
            QStringLiteral("Файл данных transfer_fw.log, строка 1: не удалось прочитать строку."),
            Failed}));
}
