#include "atlink/Timing.h"
#include "procedures/Procedures.h"
#include "tests/procedures/ProcedureTestKit.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDir>

using namespace Qt::StringLiterals;
using modemsim::Family;
using testing::Contains;
using testing::Not;

namespace {

QStringList PassLines(const QString &Name, int Size, const QString &Deleted = u"файл не найден"_s)
{
    return {u"Удаление старого файла "_s + Name + u" ..."_s,
            Deleted,
            u"Запись файла %1 (%2 bytes) ..."_s.arg(Name).arg(Size),
            u"файл записан"_s,
            u"Проверка контрольной суммы "_s + Name + u" ..."_s,
            u"CRC ok"_s,
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
    bench->Put(u"compiled/b.pyo"_s, b);
    bench->Put(u"compiled/A.pyo"_s, a);
    bench->Put(u"compiled/main.pyo"_s, main);
    bench->Put(u"compiled/Network.INI"_s, network);
    bench->Put(u"compiled/.hidden"_s, "x");
    QDir(bench->folder.path()).mkpath(u"compiled/sub"_s);
    bench->modem.putFile("main.pyo", "old");

    EXPECT_TRUE(PerformProgrammingRun(bench->host, u"Velmora_Prof"_s));

    QStringList expected = {u"Отклик модема получен"_s,
                            u"Запись данных в модем..."_s,
                            {},
                            {},
                            u"Удаление автозапуска..."_s,
                            Exchange(u"AT#ESCRIPT=\"\""_s),
                            Exchange(u"AT#ENHRST=1,0"_s)};
    expected << PassLines(u"A.pyo"_s, 1000) << PassLines(u"b.pyo"_s, 300)
             << PassLines(u"main.pyo"_s, 10, u"файл удален"_s) << PassLines(u"Network.INI"_s, 21);
    expected << QString() << Exchange(u"AT#ESCRIPT=\"main.pyo\""_s)
             << Exchange(u"AT#STARTMODESCR=1,15"_s) << QString() << RunSucceededText();
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
    bench->Put(u"compiled/a.pyo"_s, FileBytes(100, 3));

    EXPECT_TRUE(FlashVelmora(bench->host));
    const QStringList &log = bench->host.lines;
    EXPECT_TRUE(HasLines(
        log, {u"ошибка при вызове команды AT#WSCRIPT=\"a.pyo\",100,1"_s, {}, u"Попытка №2"_s}));
    // A report with a wrong CRC does not end the wait.
    EXPECT_TRUE(HasLines(
        log, {u"Проверка контрольной суммы a.pyo ..."_s, u"таймаут"_s, {}, u"Попытка №3"_s}));
    EXPECT_TRUE(HasLines(log, {u"таймаут"_s, {}, u"Попытка №4"_s}));
    EXPECT_TRUE(HasLines(log, {u"CRC ok"_s, {}, {}}));
    EXPECT_EQ(log.count(u"Попытка №5"_s), 0);
    EXPECT_EQ(bench->modem.storedFiles().at("a.pyo"), FileBytes(100, 3));
}

TEST(Velmora, UnansweredDeleteEndsTheRunWithoutFinalCommands)
{
    Timing::ScopedSpeedUp fast(8);
    modemsim::Faults faults;
    faults.silentCommands = {"AT#DSCRIPT="};
    const auto bench = MakeBench(Family::Script, faults);
    bench->Put(u"compiled/a.pyo"_s, FileBytes(100, 5));
    EXPECT_FALSE(FlashVelmora(bench->host));
    EXPECT_EQ(bench->host.lines.mid(4),
              (QStringList{u"Удаление старого файла a.pyo ..."_s, u"таймаут"_s, QString()}));
    EXPECT_THAT(bench->Commands(), Not(Contains(FinalCommand)));
}

TEST(Velmora, UnconfirmedFileTimesOutAfterTwoMinutes)
{
    constexpr int speedUp = 15;
    Timing::ScopedSpeedUp fast(speedUp);
    modemsim::Faults faults;
    faults.errorCommands = {{"AT#WSCRIPT=", ">>>"}}; // a prompt, but nothing stored
    const auto bench = MakeBench(Family::Script, faults);
    bench->Put(u"compiled/a.pyo"_s, FileBytes(100, 6));
    bench->host.quitOnLine = u"таймаут"_s;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(FlashVelmora(bench->host));
    EXPECT_GE(std::chrono::steady_clock::now() - start,
              std::chrono::milliseconds(120000 / speedUp));
    EXPECT_TRUE(HasLines(bench->host.lines,
                         {u"Запись файла a.pyo (100 bytes) ..."_s, u"таймаут"_s, QString()}));
    EXPECT_THAT(bench->Commands(), Not(Contains(FinalCommand)));
}

TEST(Velmora, QuitRequestEndsTheLoopAfterThePass)
{
    Timing::ScopedSpeedUp fast(8);
    const auto bench = MakeBench(Family::Script);
    bench->Put(u"compiled/a.pyo"_s, FileBytes(10, 7));
    bench->Put(u"compiled/b.pyo"_s, FileBytes(10, 8));
    bench->host.quitOnLine = u"CRC ok"_s;
    EXPECT_FALSE(FlashVelmora(bench->host));
    EXPECT_EQ(bench->host.gaugePosition, 1);
    EXPECT_THAT(bench->Commands(), Not(Contains(FinalCommand)));

    // A request that comes during the last pass does not undo a complete run.
    QFile::remove(bench->folder.filePath(u"compiled/b.pyo"_s));
    bench->host.lines.clear();
    EXPECT_TRUE(FlashVelmora(bench->host));
    EXPECT_THAT(bench->Commands(), Contains(FinalCommand));
}
