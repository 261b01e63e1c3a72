// Whole runs of the three procedures against a modem that misbehaves, or over a folder that holds
// bad data: one row per case, each with the outcome, the log lines that explain it, the time the
// run may take, and no descriptor or thread left behind.
#include "atlink/Timing.h"
#include "procedures/Procedures.h"
#include "tests/common/TestSupport.h"
#include "tests/procedures/ProcedureTestKit.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <sys/stat.h>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;
using modemsim::Family;
using Clock = std::chrono::steady_clock;

namespace {

struct FaultCase
{
    const char *name;
    Family family;
    modemsim::Faults faults;
    // Changes the type's folder (or the host) after the family's sound files are in place.
    std::function<void(ModemBench &)> prepare;
    bool programmed;
    // Consecutive log lines (the run's last two lines are checked apart); "{dir}" stands for the
    // type's folder, "{port}" for the device.
    QStringList lines;
    int speedUp;
    // The pauses and waits the run goes through at real time: the bound is that, sped up, plus
    // room for a loaded machine and the sanitizers.
    std::chrono::milliseconds nominal;
};

void PrintTo(const FaultCase &Case, std::ostream *Out)
{
    *Out << Case.name;
}

// The family's sound data: one script, one Java file, a short transfer log.
constexpr int ScriptSize = 100;
const QByteArray ReplayLog = "<- 41 54 0D 0A\r\n-> 0D 0A 4F 4B 0D 0A\r\n<- 00 01 02 FF\n-> 06\n";

QString DirNameOf(Family Kind)
{
    switch (Kind) {
    case Family::Script:
        return u"velmora"_s;
    case Family::Java:
        return u"tu41"_s;
    default:
        return u"tc65"_s;
    }
}

void PutSoundData(ModemBench &Bench, Family Kind)
{
    if (Kind == Family::Script)
        Bench.Put(u"compiled/a.pyo"_s, FileBytes(ScriptSize, 'a'));
    else if (Kind == Family::Java)
        Bench.Put(u"compiled/a.bin"_s, FileBytes(ScriptSize, 3));
    else
        Bench.Put(u"transfer_fw.log"_s, ReplayLog);
}

class FaultMatrix : public LeakCheckedTest, public testing::WithParamInterface<FaultCase>
{
};

TEST_P(FaultMatrix, RunEndsAsExpectedAndExplained)
{
    const FaultCase &row = GetParam();
    Timing::ScopedSpeedUp fast(row.speedUp);
    {
        const auto bench = MakeBench(row.family, row.faults, ReplayLog);
        PutSoundData(*bench, row.family);
        if (row.prepare)
            row.prepare(*bench);
        const QString port = bench->modem.devicePath();

        const auto start = Clock::now();
        EXPECT_EQ(PerformProgrammingRun(bench->host, DirNameOf(row.family)), row.programmed);
        EXPECT_LT(Clock::now() - start, row.nominal / row.speedUp + 20s);

        QStringList lines = row.lines;
        lines.replaceInStrings(u"{dir}"_s, bench->folder.path());
        lines.replaceInStrings(u"{port}"_s, port);
        EXPECT_TRUE(HasLines(bench->host.lines, lines));
        EXPECT_EQ(bench->host.lines.mid(bench->host.lines.size() - 2),
                  (QStringList{QString(), row.programmed ? RunSucceededText() : RunFailedText()}));
        EXPECT_FALSE(bench->channel.Comm->PortOpen());
    }
}

// Lines of the families' steps.
const QString Refused = u" Запись данных отменена."_s;
const QString ReplayFailed = u"Ошибка! Файл данных записать не удалось."_s;
const QString ReplayWritten = u"Файл данных успешно записан."_s;
const QString AutostartOff = u"at^SCFG=\"userware/autostart\",\"\",\"0\""_s;
const QString AutostartOn = u"at^SCFG=\"userware/autostart\",\"\",\"1\""_s;
const QString Download = u"AT^SJDL=1,100,\"a.bin\""_s;
const QString StartLoader = u"AT^SJAM=0,\"a:/ehsx_loader.jad\",\"\""_s;
const QString NotRegular = u" не прочитан: это не обычный файл, а канал, устройство или сокет."_s;

QStringList ScriptStored()
{
    return {u"Запись файла a.pyo (100 bytes) ..."_s, u"файл записан"_s,
            u"Проверка контрольной суммы a.pyo ..."_s, u"CRC ok"_s};
}

QStringList ScriptFinish()
{
    return {QString(), QString(), Exchange(u"AT#ESCRIPT=\"main.pyo\""_s),
            Exchange(u"AT#STARTMODESCR=1,15"_s)};
}

QStringList JavaStored()
{
    return {u"Запись файла a.bin (100 bytes)"_s, Exchange(Download, u"CONNECT"_s),
            u"\r\nJDL END OK\r\n"_s, QString(), Exchange(StartLoader)};
}

QStringList ReplayStored()
{
    return {QString(), ReplayWritten};
}

QStringList ReplayConfigured()
{
    return {ReplayWritten,
            Exchange(u"at^SCFG=\"userware/autostart/appname\",\"\",\"a:/tc65.jad\""_s),
            Exchange(u"at^SCFG=\"userware/autostart/delay\",\"\",\"150\""_s),
            Exchange(u"AT^SCFG=\"Userware/Mode\",\"normal\",\"\",\"0\""_s),
            Exchange(u"AT^SCFG=\"Userware/Stdout\",\"USB\""_s),
            Exchange(AutostartOn)};
}

// The nominal run of each family with nothing going wrong, and the longest waits a fault adds.
constexpr auto ScriptRun = 7500ms;
constexpr auto JavaRun = 2500ms;
constexpr auto ReplayRun = 1500ms;

modemsim::Faults With(const std::function<void(modemsim::Faults &)> &Set)
{
    modemsim::Faults faults;
    Set(faults);
    return faults;
}

std::function<void(ModemBench &)> Putting(const QString &Path, const QByteArray &Bytes)
{
    return [=](ModemBench &Bench) { Bench.Put(Path, Bytes); };
}

std::function<void(ModemBench &)> ReplayLogOf(const QByteArray &Text)
{
    return Putting(u"transfer_fw.log"_s, Text);
}

void MakePipe(const QString &Path)
{
    ASSERT_EQ(mkfifo(QFile::encodeName(Path).constData(), 0600), 0);
}

std::function<void(ModemBench &)> PipeAt(const QString &RelativePath)
{
    return [=](ModemBench &Bench) {
        QFile::remove(Bench.folder.filePath(RelativePath));
        MakePipe(Bench.folder.filePath(RelativePath));
    };
}

std::function<void(ModemBench &)> QuitAfter(const QString &Line, std::chrono::milliseconds Delay)
{
    return [=](ModemBench &Bench) {
        Bench.host.quitOnLine = Line;
        Bench.host.quitDelay = Delay;
    };
}

// A file whose name cannot go into a command; Shown is the name as the log line gives it.
FaultCase BadName(const char *Row, Family Kind, const QString &Name, const QString &Shown)
{
    return {Row,   Kind,
            {},    Putting(u"compiled/"_s + Name, "x"),
            false, {u"Имя файла %1 содержит недопустимые символы."_s.arg(Shown) + Refused},
            2,     0ms};
}

QByteArray BinaryWithoutExpectation()
{
    QByteArray binary(20000, '\0');
    for (int at = 0; at < binary.size(); ++at)
        binary[at] = static_cast<char>((at * 37) % 251 + 1);
    return binary.replace('-', 'x');
}

const FaultCase Cases[] = {
    // Script family.
    {"script_sound", Family::Script, {}, {}, true, ScriptStored() + ScriptFinish(), 2, ScriptRun},
    {"script_delete_silent",
     Family::Script,
     With([](modemsim::Faults &F) { F.silentCommands = {"AT#DSCRIPT="}; }),
     {},
     false,
     {u"Удаление старого файла a.pyo ..."_s, u"таймаут"_s},
     8,
     ScriptRun + 7s},
    {"script_delete_error",
     Family::Script,
     With([](modemsim::Faults &F) { F.errorCommands = {{"AT#DSCRIPT=", "ERROR"}}; }),
     {},
     true,
     QStringList{u"Удаление старого файла a.pyo ..."_s, u"файл не найден"_s} + ScriptStored(),
     2,
     ScriptRun},
    {"script_finish_error_does_not_change_outcome",
     Family::Script,
     With([](modemsim::Faults &F) { F.errorCommands = {{"AT#STARTMODESCR=", "+CME ERROR: 4"}}; }),
     {},
     true,
     {u"CRC ok"_s, QString(), QString(), Exchange(u"AT#ESCRIPT=\"main.pyo\""_s),
      Exchange(u"AT#STARTMODESCR=1,15"_s, u"+CME ERROR: 4"_s)},
     2,
     ScriptRun},
    {"script_write_fails_first",
     Family::Script,
     With([](modemsim::Faults &F) { F.failFirstN = {{"AT#WSCRIPT=", 1}}; }),
     {},
     true,
     QStringList{u"ошибка при вызове команды AT#WSCRIPT=\"a.pyo\",100,1"_s, QString(),
                 u"Попытка №2"_s, u"Удаление старого файла a.pyo ..."_s, u"файл не найден"_s} +
         ScriptStored(),
     2,
     ScriptRun * 2},
    {"script_check_fails_first",
     Family::Script,
     With([](modemsim::Faults &F) { F.failFirstN = {{"AT#LCSCRIPT=", 1}}; }),
     {},
     true,
     {u"Проверка контрольной суммы a.pyo ..."_s,
      u"ошибка при вызове команды AT#LCSCRIPT=\"a.pyo\""_s, QString(), u"Попытка №2"_s},
     2,
     ScriptRun * 2},
    {"script_wrong_crc",
     Family::Script,
     With([](modemsim::Faults &F) { F.wrongCrcWrites = 1; }),
     {},
     true,
     {u"Проверка контрольной суммы a.pyo ..."_s, u"таймаут"_s, QString(), u"Попытка №2"_s},
     8,
     ScriptRun * 2 + 7s},
    {"script_no_write_prompt",
     Family::Script,
     With([](modemsim::Faults &F) { F.noWritePrompt = true; }),
     {},
     true,
     ScriptStored() + ScriptFinish(),
     2,
     ScriptRun + 5s},
    {"script_slow_answers",
     Family::Script,
     With([](modemsim::Faults &F) { F.answerDelay = 150ms; }),
     {},
     true,
     ScriptStored(),
     2,
     ScriptRun + 2s},
    {"script_stray_bytes",
     Family::Script,
     With([](modemsim::Faults &F) { F.garbage = true; }),
     {},
     true,
     ScriptStored(),
     2,
     ScriptRun},
    // A zero byte before and after every answer: the text still holds the whole answer.
    {"script_zero_bytes",
     Family::Script,
     With([](modemsim::Faults &F) { F.zeroBytes = true; }),
     {},
     true,
     ScriptStored() + ScriptFinish(),
     2,
     ScriptRun},
    // A cut answer may end the wait before its last line end: only the steps' own lines count.
    {"script_split_answers",
     Family::Script,
     With([](modemsim::Faults &F) { F.splitReplies = 3; F.splitPause = 20ms; }),
     {},
     true,
     ScriptStored(),
     2,
     ScriptRun},
    // The modem gives a file up after two quiet seconds; whatever is sent after that finds no
    // listener.
    {"script_line_held_mid_file",
     Family::Script,
     With([](modemsim::Faults &F) { F.stallAfterBytes = 120; }),
     {},
     false,
     {u"Запись файла a.pyo (100 bytes) ..."_s, u"ошибка записи файла"_s, QString(), u"Попытка №2"_s,
      u"Удаление старого файла a.pyo ..."_s, u"таймаут"_s},
     8,
     ScriptRun + 10s},
    {"script_unplugged_mid_file",
     Family::Script,
     With([](modemsim::Faults &F) { F.vanishAfterBytes = 120; }),
     {},
     false,
     {u"СОМ-порт {port} потерян (устройство отключено)."_s},
     4,
     ScriptRun},
    {"script_unplugged_and_back",
     Family::Script,
     With([](modemsim::Faults &F) { F.vanishAfterBytes = 120; F.comeBackAfter = 100ms; }),
     {},
     false,
     {u"СОМ-порт {port} потерян (устройство отключено)."_s},
     4,
     ScriptRun},
    {"script_quit_mid_wait",
     Family::Script,
     With([](modemsim::Faults &F) { F.silentCommands = {"AT#DSCRIPT="}; }),
     QuitAfter(u"Удаление старого файла a.pyo ..."_s, 400ms),
     false,
     {u"Удаление старого файла a.pyo ..."_s, u"таймаут"_s},
     2,
     ScriptRun},
    {"script_empty_compiled_folder",
     Family::Script,
     {},
     [](ModemBench &Bench) { QFile::remove(Bench.folder.filePath(u"compiled/a.pyo"_s)); },
     true,
     {u"Удаление автозапуска..."_s, Exchange(u"AT#ESCRIPT=\"\""_s), Exchange(u"AT#ENHRST=1,0"_s),
      QString(), Exchange(u"AT#ESCRIPT=\"main.pyo\""_s)},
     2,
     ScriptRun},
    {"script_hidden_file_and_subfolder_skipped",
     Family::Script,
     {},
     [](ModemBench &Bench) {
         Bench.Put(u"compiled/.hidden"_s, "x");
         QDir(Bench.folder.path()).mkpath(u"compiled/sub"_s);
     },
     true,
     ScriptStored() + ScriptFinish(),
     2,
     ScriptRun},
    {"script_no_compiled_folder",
     Family::Script,
     {},
     [](ModemBench &Bench) { QDir(Bench.folder.filePath(u"compiled"_s)).removeRecursively(); },
     false,
     {u"Запись данных в модем..."_s, QString(), u"Не обнаружена папка {dir}/compiled."_s + Refused},
     2,
     0ms},
    {"script_compiled_is_a_file",
     Family::Script,
     {},
     [](ModemBench &Bench) {
         QDir(Bench.folder.filePath(u"compiled"_s)).removeRecursively();
         Bench.Put(u"compiled"_s, "x");
     },
     false,
     {u"Не обнаружена папка {dir}/compiled."_s + Refused},
     2,
     0ms},
    {"script_empty_file",
     Family::Script,
     {},
     Putting(u"compiled/b.pyo"_s, QByteArray("")),
     false,
     {u"Файл b.pyo пуст."_s + Refused},
     2,
     0ms},
    {"script_oversize_file",
     Family::Script,
     {},
     Putting(u"compiled/big.pyo"_s, QByteArray(102400, 'x')),
     false,
     {u"Файл big.pyo больше 102399 байт."_s + Refused},
     2,
     0ms},
    {"script_pipe_in_compiled",
     Family::Script,
     {},
     PipeAt(u"compiled/b.pyo"_s),
     false,
     {u"{dir}/compiled/b.pyo"_s + NotRegular + Refused},
     2,
     0ms},
    BadName("script_control_character_in_name", Family::Script, u"b\r.pyo"_s, u"b?.pyo"_s),

    // Java family.
    {"java_sound", Family::Java, {}, {}, true, JavaStored(), 2, JavaRun},
    {"java_download_refused",
     Family::Java,
     With([](modemsim::Faults &F) { F.errorCommands = {{"AT^SJDL=", "ERROR"}}; }),
     {},
     false,
     {Exchange(Download, u"ERROR"_s), QString(), Exchange(StartLoader)},
     2,
     JavaRun},
    {"java_download_fails_first",
     Family::Java,
     With([](modemsim::Faults &F) { F.failFirstN = {{"AT^SJDL=", 1}}; }),
     {},
     false,
     {Exchange(Download, u"ERROR"_s), QString(), Exchange(StartLoader)},
     2,
     JavaRun},
    {"java_download_silent",
     Family::Java,
     With([](modemsim::Faults &F) { F.silentCommands = {"AT^SJDL="}; }),
     {},
     false,
     {Download + u" >> TIMEOUT"_s, QString(), Exchange(StartLoader)},
     4,
     JavaRun + 3s},
    {"java_jdl_timeout",
     Family::Java,
     With([](modemsim::Faults &F) { F.jdlTimeout = true; }),
     {},
     false,
     {Exchange(Download, u"CONNECT"_s), u"\r\nJDL TIMEOUT\r\n"_s, QString(), Exchange(StartLoader)},
     2,
     JavaRun + 2s},
    {"java_slow_answers",
     Family::Java,
     With([](modemsim::Faults &F) { F.answerDelay = 150ms; }),
     {},
     true,
     JavaStored(),
     2,
     JavaRun + 2s},
    {"java_stray_bytes",
     Family::Java,
     With([](modemsim::Faults &F) { F.garbage = true; }),
     {},
     true,
     {u"Запись файла a.bin (100 bytes)"_s},
     2,
     JavaRun},
    {"java_zero_bytes",
     Family::Java,
     With([](modemsim::Faults &F) { F.zeroBytes = true; }),
     {},
     true,
     JavaStored(),
     2,
     JavaRun},
    {"java_split_answers",
     Family::Java,
     With([](modemsim::Faults &F) { F.splitReplies = 3; F.splitPause = 20ms; }),
     {},
     true,
     {u"Запись файла a.bin (100 bytes)"_s},
     2,
     JavaRun},
    {"java_line_held_mid_file",
     Family::Java,
     With([](modemsim::Faults &F) { F.stallAfterBytes = 160; }),
     {},
     false,
     {Exchange(Download, u"CONNECT"_s), u"\r\nJDL TIMEOUT\r\n"_s, QString(), StartLoader + u" >> TIMEOUT"_s},
     8,
     JavaRun + 15s},
    {"java_unplugged_mid_file",
     Family::Java,
     With([](modemsim::Faults &F) { F.vanishAfterBytes = 160; }),
     {},
     false,
     {u"СОМ-порт {port} потерян (устройство отключено)."_s},
     4,
     JavaRun},
    {"java_unplugged_and_back",
     Family::Java,
     With([](modemsim::Faults &F) { F.vanishAfterBytes = 160; F.comeBackAfter = 100ms; }),
     {},
     false,
     {u"СОМ-порт {port} потерян (устройство отключено)."_s},
     4,
     JavaRun},
    {"java_quit_mid_wait",
     Family::Java,
     With([](modemsim::Faults &F) { F.silentCommands = {"AT^SJDL="}; }),
     QuitAfter(u"Запись файла a.bin (100 bytes)"_s, 300ms),
     false,
     {QString(), Exchange(StartLoader)},
     2,
     JavaRun},
    {"java_empty_compiled_folder",
     Family::Java,
     {},
     [](ModemBench &Bench) { QFile::remove(Bench.folder.filePath(u"compiled/a.bin"_s)); },
     false,
     {u"Запись данных в модем..."_s, QString(), Exchange(StartLoader)},
     2,
     JavaRun},
    {"java_unreadable_file",
     Family::Java,
     {},
     [](ModemBench &Bench) {
         Bench.host.lister = [](const QString &) { return QStringList{u"gone.bin"_s}; };
     },
     false,
     {u"Файл gone.bin не удается прочитать."_s + Refused},
     2,
     0ms},
    {"java_pipe_in_compiled",
     Family::Java,
     {},
     PipeAt(u"compiled/p.bin"_s),
     false,
     {u"{dir}/compiled/p.bin"_s + NotRegular + Refused},
     2,
     0ms},
    BadName("java_quote_in_name", Family::Java, u"b\".bin"_s, u"b\".bin"_s),
    BadName("java_wildcard_in_name", Family::Java, u"b*.bin"_s, u"b*.bin"_s),
    BadName("java_name_outside_code_page", Family::Java, u"b☃.bin"_s, u"b☃.bin"_s),

    // Transfer-log family.
    {"replay_sound",
     Family::Replay,
     {},
     {},
     true,
     QStringList{Exchange(AutostartOff)} + ReplayStored() + ReplayConfigured().mid(1),
     2,
     ReplayRun},
    {"replay_autostart_refused",
     Family::Replay,
     With([](modemsim::Faults &F) { F.errorCommands = {{"AT^SCFG=", "+CME ERROR: 4"}}; }),
     {},
     false,
     {u"Запись данных в модем..."_s, QString(), Exchange(AutostartOff, u"+CME ERROR: 4"_s)},
     2,
     ReplayRun},
    {"replay_autostart_fails_first",
     Family::Replay,
     With([](modemsim::Faults &F) { F.failFirstN = {{"AT^SCFG=", 1}}; }),
     {},
     false,
     {QString(), Exchange(AutostartOff, u"ERROR"_s)},
     2,
     ReplayRun},
    {"replay_autostart_silent",
     Family::Replay,
     With([](modemsim::Faults &F) { F.silentCommands = {"AT^SCFG="}; }),
     {},
     false,
     {QString(), AutostartOff + u" >> TIMEOUT"_s},
     4,
     ReplayRun + 5s},
    {"replay_expectation_not_met",
     Family::Replay,
     {},
     ReplayLogOf("<- 41 54 0D 0A\n-> 4F 4B 21\n"),
     false,
     {QString(), u"Запись:\t\t41 54 0D 0A(AT\r\n)"_s, u"Ошибка!"_s,
      u"Ожидалось:\t4F 4B 21 (OK!)"_s},
     4,
     ReplayRun + 2s},
    {"replay_slow_answers",
     Family::Replay,
     With([](modemsim::Faults &F) { F.answerDelay = 150ms; }),
     {},
     true,
     ReplayConfigured(),
     2,
     ReplayRun + 2s},
    {"replay_stray_bytes",
     Family::Replay,
     With([](modemsim::Faults &F) { F.garbage = true; }),
     {},
     true,
     ReplayStored(),
     2,
     ReplayRun},
    {"replay_zero_bytes",
     Family::Replay,
     With([](modemsim::Faults &F) { F.zeroBytes = true; }),
     {},
     true,
     QStringList{Exchange(AutostartOff)} + ReplayStored() + ReplayConfigured().mid(1),
     2,
     ReplayRun},
    {"replay_split_answers",
     Family::Replay,
     With([](modemsim::Faults &F) { F.splitReplies = 3; F.splitPause = 20ms; }),
     {},
     true,
     ReplayStored(),
     2,
     ReplayRun},
    {"replay_unplugged",
     Family::Replay,
     With([](modemsim::Faults &F) { F.vanishAfterBytes = 20; }),
     {},
     false,
     {u"СОМ-порт {port} потерян (устройство отключено)."_s},
     4,
     ReplayRun},
    // The quit cuts the wait for an answer that is not coming; it is no unmet expectation.
    {"replay_quit_mid_wait",
     Family::Replay,
     {},
     [](ModemBench &Bench) {
         Bench.Put(u"transfer_fw.log"_s, "<- 41 54 0D 0A\n-> 4F 4B 21\n");
         QuitAfter(Exchange(AutostartOff), 400ms)(Bench);
     },
     false,
     {Exchange(AutostartOff), QString(), ReplayFailed},
     2,
     ReplayRun},
    {"replay_quit_between_lines",
     Family::Replay,
     {},
     [](ModemBench &Bench) { Bench.host.quitAtGauge = 1; },
     false,
     {Exchange(AutostartOff), QString(), ReplayFailed},
     2,
     ReplayRun},
    {"replay_log_missing",
     Family::Replay,
     {},
     [](ModemBench &Bench) { QFile::remove(Bench.folder.filePath(u"transfer_fw.log"_s)); },
     false,
     {u"Запись данных в модем..."_s, QString(), QString()},
     2,
     0ms},
    {"replay_log_empty",
     Family::Replay,
     {},
     ReplayLogOf(""),
     false,
     {u"Файл данных transfer_fw.log не содержит ни одной строки \"->\"."_s, ReplayFailed},
     2,
     0ms},
    {"replay_log_without_expectation",
     Family::Replay,
     {},
     ReplayLogOf("<- 41 54\r\n// comment\r\n"),
     false,
     {u"Файл данных transfer_fw.log не содержит ни одной строки \"->\"."_s, ReplayFailed},
     2,
     0ms},
    {"replay_log_binary",
     Family::Replay,
     {},
     ReplayLogOf(BinaryWithoutExpectation()),
     false,
     {u"Файл данных transfer_fw.log не содержит ни одной строки \"->\"."_s, ReplayFailed},
     2,
     0ms},
    {"replay_log_not_hex",
     Family::Replay,
     {},
     ReplayLogOf("<- 41 54\n-> 4G\n"),
     false,
     {u"Файл данных transfer_fw.log, строка 2: в данных есть символы, кроме шестнадцатеричных"
      u" цифр и пробелов."_s,
      ReplayFailed},
     2,
     0ms},
    {"replay_log_line_too_long",
     Family::Replay,
     {},
     ReplayLogOf("<- " + QByteArray(2049 * 2, '1') + "\n-> 4F 4B\n"),
     false,
     {u"Файл данных transfer_fw.log, строка 1: больше 2048 байт для отправки."_s, ReplayFailed},
     2,
     0ms},
    {"replay_log_is_a_pipe",
     Family::Replay,
     {},
     PipeAt(u"transfer_fw.log"_s),
     false,
     {u"{dir}/transfer_fw.log"_s + NotRegular, ReplayFailed},
     2,
     0ms},
    {"replay_log_is_a_folder",
     Family::Replay,
     {},
     [](ModemBench &Bench) {
         QFile::remove(Bench.folder.filePath(u"transfer_fw.log"_s));
         QDir(Bench.folder.path()).mkpath(u"transfer_fw.log"_s);
     },
     false,
     {u"{dir}/transfer_fw.log не прочитан: это не обычный файл, а папка."_s, ReplayFailed},
     2,
     0ms},
};

INSTANTIATE_TEST_SUITE_P(Cases, FaultMatrix, testing::ValuesIn(Cases),
                         [](const testing::TestParamInfo<FaultCase> &Info) {
                             return std::string(Info.param.name);
                         });

} // namespace
