#include "atlink/Timing.h"
#include "procedures/Procedures.h"
#include "tests/procedures/ProcedureTestKit.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDir>

using modemsim::Family;
using testing::Contains;
using testing::Not;

namespace {

QStringList PassLines(const QString &Name, int Size,
                      const QString &Deleted = QStringLiteral("файл не найден"))
{
    return {QStringLiteral("Удаление старого файла ") + Name + QStringLiteral(" ..."),
            Deleted,
            QStringLiteral("Запись файла %1 (%2 bytes) ...").arg(Name).arg(Size),
            QStringLiteral("файл записан"),
            QStringLiteral("Проверка контрольной суммы ") + Name + QStringLiteral(" ..."),
            QStringLiteral("CRC ok"),
            QString()};
}

const QByteArray FinalCommand = QByteArrayLiteral("AT#ESCRIPT=\"main.pyo\"");

} // namespace

TEST(Velmora, WholeRunStoresEveryFileVerifiedAndStartsTheMainScript)
{
    Timing::ScopedSpeedUp fast(RunSpeedUp);
    const auto bench = MakeBench(Family::Script);
    // The modem reports the CRC as four hexadecimal digits, zeros leading: this script's is 0060.
    const QByteArray a = FileBytes(1000, 1), b = FileBytes(300, 2), main = "print(80)\n";
    const QByteArray network = "[net]\r\napn=internet\r\n";
    bench->Put(QStringLiteral("compiled/b.pyo"), b);
    bench->Put(QStringLiteral("compiled/A.pyo"), a);
    bench->Put(QStringLiteral("compiled/main.pyo"), main);
    bench->Put(QStringLiteral("compiled/Network.INI"), network);
    bench->Put(QStringLiteral("compiled/.hidden"), "x");
    QDir(bench->folder.path()).mkpath(QStringLiteral("compiled/sub"));
    bench->modem.putFile("main.pyo", "old");

    EXPECT_TRUE(PerformProgrammingRun(bench->host, QStringLiteral("Velmora_Prof")));

    QStringList expected = {QStringLiteral("Отклик модема получен"),
                            QStringLiteral("Запись данных в модем..."),
                            {},
                            {},
                            QStringLiteral("Удаление автозапуска..."),
                            Exchange(QStringLiteral("AT#ESCRIPT=\"\"")),
                            Exchange(QStringLiteral("AT#ENHRST=1,0"))};
    expected << PassLines(QStringLiteral("A.pyo"), 1000) << PassLines(QStringLiteral("b.pyo"), 300)
             << PassLines(QStringLiteral("main.pyo"), 10, QStringLiteral("файл удален"))
             << PassLines(QStringLiteral("Network.INI"), 21);
    expected << QString() << Exchange(QStringLiteral("AT#ESCRIPT=\"main.pyo\""))
             << Exchange(QStringLiteral("AT#STARTMODESCR=1,15")) << QString() << RunSucceededText();
    // "CRC ok" for every file: the modem reported the CRC computed while sending.
    EXPECT_EQ(bench->host.lines, expected);

    const std::map<QByteArray, QByteArray> stored = {
        {"A.pyo", a}, {"b.pyo", b}, {"main.pyo", main}, {"Network.INI", network}};
    EXPECT_EQ(bench->modem.storedFiles(), stored);
    // The network settings go with the flag 0, whatever the letter case of their name.
    EXPECT_THAT(bench->Commands(), Contains(QByteArray("AT#WSCRIPT=\"Network.INI\",21,0")));
    EXPECT_TRUE(bench->modem.sent().contains("#LCSCRIPT: \"main.pyo\",10,0060\r\n"));
    EXPECT_EQ(bench->host.gaugePosition, 4);
    EXPECT_EQ(bench->host.gaugeMaximum, 4);
    EXPECT_FALSE(bench->channel.Comm->PortOpen());
    // The modem restarts after AT#ENHRST: five seconds before the first delete.
    EXPECT_TRUE(PausedBefore(bench->modem, {{"AT#DSCRIPT=\"A.pyo\"", 5500ms},
                                            {"AT#ESCRIPT=\"\"", 300ms},
                                            {"AT#ENHRST=", 300ms},
                                            {"AT#DSCRIPT=", 500ms},
                                            {"AT#WSCRIPT=", 200ms},
                                            {"AT#LCSCRIPT=", 500ms},
                                            {FinalCommand, 100ms},
                                            {"AT#STARTMODESCR=", 100ms}}));
}

TEST(Velmora, EmptyFolderStillSendsPreambleAndFinish)
{
    Timing::ScopedSpeedUp fast(RunSpeedUp);
    const auto bench = MakeBench(Family::Script);
    EXPECT_TRUE(FlashVelmora(bench->host));
    const std::vector<QByteArray> commands = {"AT#ESCRIPT=\"\"", "AT#ENHRST=1,0", FinalCommand,
                                              "AT#STARTMODESCR=1,15"};
    EXPECT_EQ(bench->Commands(), commands);
}

// The modem never prompts here: the file is sent all the same once the prompt wait runs out.
TEST(Velmora, RefusedWritesAndWrongChecksumsAreRetriedUntilVerified)
{
    Timing::ScopedSpeedUp fast(8);
    modemsim::Faults faults;
    faults.failFirstN = {{"AT#WSCRIPT=", 1}};
    faults.wrongCrcWrites = 2;
    faults.noWritePrompt = true;
    const auto bench = MakeBench(Family::Script, faults);
    bench->Put(QStringLiteral("compiled/a.pyo"), FileBytes(100, 3));

    EXPECT_TRUE(FlashVelmora(bench->host));
    const QStringList &log = bench->host.lines;
    EXPECT_TRUE(
        HasLines(log, {QStringLiteral("ошибка при вызове команды AT#WSCRIPT=\"a.pyo\",100,1"),
                       {},
                       QStringLiteral("Попытка №2")}));
    // A report with a wrong CRC does not end the wait.
    EXPECT_TRUE(HasLines(log, {QStringLiteral("Проверка контрольной суммы a.pyo ..."),
                               QStringLiteral("таймаут"),
                               {},
                               QStringLiteral("Попытка №3")}));
    EXPECT_TRUE(HasLines(log, {QStringLiteral("таймаут"), {}, QStringLiteral("Попытка №4")}));
    EXPECT_TRUE(HasLines(log, {QStringLiteral("CRC ok"), {}, {}}));
    EXPECT_EQ(log.count(QStringLiteral("Попытка №5")), 0);
    EXPECT_EQ(bench->modem.storedFiles().at("a.pyo"), FileBytes(100, 3));
}

TEST(Velmora, UnansweredDeleteEndsTheRunWithoutFinalCommands)
{
    Timing::ScopedSpeedUp fast(8);
    modemsim::Faults faults;
    faults.silentCommands = {"AT#DSCRIPT="};
    const auto bench = MakeBench(Family::Script, faults);
    bench->Put(QStringLiteral("compiled/a.pyo"), FileBytes(100, 5));
    EXPECT_FALSE(FlashVelmora(bench->host));
    EXPECT_EQ(bench->host.lines.mid(4),
              (QStringList{QStringLiteral("Удаление старого файла a.pyo ..."),
                           QStringLiteral("таймаут"), QString()}));
    EXPECT_THAT(bench->Commands(), Not(Contains(FinalCommand)));
}

// Ten times faster: the commands before the file keep waits of 100 ms and more, which a loaded
// machine under the sanitizers keeps (at fifteen, the delete's 466 ms once ran out).
TEST(Velmora, UnconfirmedFileTimesOutAfterTwoMinutes)
{
    constexpr int speedUp = 10;
    Timing::ScopedSpeedUp fast(speedUp);
    modemsim::Faults faults;
    faults.errorCommands = {{"AT#WSCRIPT=", ">>>"}}; // a prompt, but nothing stored
    const auto bench = MakeBench(Family::Script, faults);
    bench->Put(QStringLiteral("compiled/a.pyo"), FileBytes(100, 6));
    bench->host.quitOnLine = QStringLiteral("таймаут");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(FlashVelmora(bench->host));
    EXPECT_GE(std::chrono::steady_clock::now() - start,
              std::chrono::milliseconds(120000 / speedUp));
    EXPECT_TRUE(HasLines(bench->host.lines, {QStringLiteral("Запись файла a.pyo (100 bytes) ..."),
                                             QStringLiteral("таймаут"), QString()}));
    EXPECT_THAT(bench->Commands(), Not(Contains(FinalCommand)));
}

TEST(Velmora, QuitRequestEndsTheLoopAfterThePass)
{
    Timing::ScopedSpeedUp fast(8);
    const auto bench = MakeBench(Family::Script);
    bench->Put(QStringLiteral("compiled/a.pyo"), FileBytes(10, 7));
    bench->Put(QStringLiteral("compiled/b.pyo"), FileBytes(10, 8));
    bench->host.quitOnLine = QStringLiteral("CRC ok");
    EXPECT_FALSE(FlashVelmora(bench->host));
    EXPECT_EQ(bench->host.gaugePosition, 1);
    EXPECT_THAT(bench->Commands(), Not(Contains(FinalCommand)));

    // A request that comes during the last pass does not undo a complete run.
    QFile::remove(bench->folder.filePath(QStringLiteral("compiled/b.pyo")));
    bench->host.lines.clear();
    EXPECT_TRUE(FlashVelmora(bench->host));
    EXPECT_THAT(bench->Commands(), Contains(FinalCommand));
}
