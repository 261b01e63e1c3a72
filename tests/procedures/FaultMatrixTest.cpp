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
        return QStringLiteral("velmora");
    case Family::Java:
        return QStringLiteral("tu41");
    default:
        return QStringLiteral("tc65");
    }
}

void PutSoundData(ModemBench &Bench, Family Kind)
{
    if (Kind == Family::Script)
        Bench.Put(QStringLiteral("compiled/a.pyo"), FileBytes(ScriptSize, 'a'));
    else if (Kind == Family::Java)
        Bench.Put(QStringLiteral("compiled/a.bin"), FileBytes(ScriptSize, 3));
    else
        Bench.Put(QStringLiteral("transfer_fw.log"), ReplayLog);
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
        lines.replaceInStrings(QStringLiteral("{dir}"), bench->folder.path());
        lines.replaceInStrings(QStringLiteral("{port}"), port);
        EXPECT_TRUE(HasLines(bench->host.lines, lines));
        EXPECT_EQ(bench->host.lines.mid(bench->host.lines.size() - 2),
                  (QStringList{QString(), row.programmed ? RunSucceededText() : RunFailedText()}));
        EXPECT_FALSE(bench->channel.Comm->PortOpen());
    }
}

// Lines of the families' steps.
const QString Refused = QStringLiteral(" Запись данных отменена.");
const QString AutostartOn = QStringLiteral("at^SCFG=\"userware/autostart\",\"\",\"1\"");
const QString Download = QStringLiteral("AT^SJDL=1,100,\"a.bin\"");
const QString StartLoader = QStringLiteral("AT^SJAM=0,\"a:/ehsx_loader.jad\",\"\"");
const QString NotRegular =
    QStringLiteral(" не прочитан: это не обычный файл, а канал, устройство или сокет.");

QStringList ScriptStored()
{
    return {QStringLiteral("Запись файла a.pyo (100 bytes) ..."), QStringLiteral("файл записан"),
            QStringLiteral("Проверка контрольной суммы a.pyo ..."), QStringLiteral("CRC ok")};
}

QStringList ScriptFinish()
{
    return {QString(), QString(), Exchange(QStringLiteral("AT#ESCRIPT=\"main.pyo\"")),
            Exchange(QStringLiteral("AT#STARTMODESCR=1,15"))};
}

QStringList JavaStored()
{
    return {QStringLiteral("Запись файла a.bin (100 bytes)"),
            Exchange(Download, QStringLiteral("CONNECT")), QStringLiteral("\r\nJDL END OK\r\n"),
            QString(), Exchange(StartLoader)};
}

QStringList ReplayStored()
{
    return {QString(), ReplayWritten};
}

QStringList ReplayConfigured()
{
    return {ReplayWritten,
            Exchange(QStringLiteral("at^SCFG=\"userware/autostart/appname\",\"\",\"a:/tc65.jad\"")),
            Exchange(QStringLiteral("at^SCFG=\"userware/autostart/delay\",\"\",\"150\"")),
            Exchange(QStringLiteral("AT^SCFG=\"Userware/Mode\",\"normal\",\"\",\"0\"")),
            Exchange(QStringLiteral("AT^SCFG=\"Userware/Stdout\",\"USB\"")),
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
    return Putting(QStringLiteral("transfer_fw.log"), Text);
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
    return {
        Row,   Kind,
        {},    Putting(QStringLiteral("compiled/") + Name, "x"),
        false, {QStringLiteral("Имя файла %1 содержит недопустимые символы.").arg(Shown) + Refused},
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
     {QStringLiteral("Удаление старого файла a.pyo ..."), QStringLiteral("таймаут")},
     8,
     ScriptRun + 7s},
    {"script_delete_error",
     Family::Script,
     With([](modemsim::Faults &F) { F.errorCommands = {{"AT#DSCRIPT=", "ERROR"}}; }),
     {},
     true,
     QStringList{QStringLiteral("Удаление старого файла a.pyo ..."), QStringLiteral("файл не найден")} + ScriptStored(),
     2,
     ScriptRun},
    {"script_finish_error_does_not_change_outcome",
     Family::Script,
     With([](modemsim::Faults &F) { F.errorCommands = {{"AT#STARTMODESCR=", "+CME ERROR: 4"}}; }),
     {},
     true,
     {QStringLiteral("CRC ok"), QString(), QString(), Exchange(QStringLiteral("AT#ESCRIPT=\"main.pyo\"")),
      Exchange(QStringLiteral("AT#STARTMODESCR=1,15"), QStringLiteral("+CME ERROR: 4"))},
     2,
     ScriptRun},
    {"script_write_fails_first",
     Family::Script,
     With([](modemsim::Faults &F) { F.failFirstN = {{"AT#WSCRIPT=", 1}}; }),
     {},
     true,
     QStringList{QStringLiteral("ошибка при вызове команды AT#WSCRIPT=\"a.pyo\",100,1"), QString(),
                 QStringLiteral("Попытка №2"), QStringLiteral("Удаление старого файла a.pyo ..."), QStringLiteral("файл не найден")} +
         ScriptStored(),
     2,
     ScriptRun * 2},
    {"script_check_fails_first",
     Family::Script,
     With([](modemsim::Faults &F) { F.failFirstN = {{"AT#LCSCRIPT=", 1}}; }),
     {},
     true,
     {QStringLiteral("Проверка контрольной суммы a.pyo ..."),
      QStringLiteral("ошибка при вызове команды AT#LCSCRIPT=\"a.pyo\""), QString(), QStringLiteral("Попытка №2")},
     2,
     ScriptRun * 2},
    {"script_wrong_crc",
     Family::Script,
     With([](modemsim::Faults &F) { F.wrongCrcWrites = 1; }),
     {},
     true,
     {QStringLiteral("Проверка контрольной суммы a.pyo ..."), QStringLiteral("таймаут"), QString(), QStringLiteral("Попытка №2")},
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
     {QStringLiteral("Запись файла a.pyo (100 bytes) ..."), QStringLiteral("ошибка записи файла"), QString(), QStringLiteral("Попытка №2"),
      QStringLiteral("Удаление старого файла a.pyo ..."), QStringLiteral("таймаут")},
     8,
     ScriptRun + 10s},
    {"script_unplugged_mid_file",
     Family::Script,
     With([](modemsim::Faults &F) { F.vanishAfterBytes = 120; }),
     {},
     false,
     {QStringLiteral("СОМ-порт {port} потерян (устройство отключено).")},
     4,
     ScriptRun},
    {"script_unplugged_and_back",
     Family::Script,
     With([](modemsim::Faults &F) { F.vanishAfterBytes = 120; F.comeBackAfter = 100ms; }),
     {},
     false,
     {QStringLiteral("СОМ-порт {port} потерян (устройство отключено).")},
     4,
     ScriptRun},
    {"script_quit_mid_wait",
     Family::Script,
     With([](modemsim::Faults &F) { F.silentCommands = {"AT#DSCRIPT="}; }),
     QuitAfter(QStringLiteral("Удаление старого файла a.pyo ..."), 400ms),
     false,
     {QStringLiteral("Удаление старого файла a.pyo ..."), QStringLiteral("таймаут")},
     2,
     ScriptRun},
    {"script_empty_compiled_folder",
     Family::Script,
     {},
     [](ModemBench &Bench) { QFile::remove(Bench.folder.filePath(QStringLiteral("compiled/a.pyo"))); },
     true,
     {QStringLiteral("Удаление автозапуска..."), Exchange(QStringLiteral("AT#ESCRIPT=\"\"")), Exchange(QStringLiteral("AT#ENHRST=1,0")),
      QString(), Exchange(QStringLiteral("AT#ESCRIPT=\"main.pyo\""))},
     2,
     ScriptRun},
    {"script_hidden_file_and_subfolder_skipped",
     Family::Script,
     {},
     [](ModemBench &Bench) {
         Bench.Put(QStringLiteral("compiled/.hidden"), "x");
         QDir(Bench.folder.path()).mkpath(QStringLiteral("compiled/sub"));
     },
     true,
     ScriptStored() + ScriptFinish(),
     2,
     ScriptRun},
    {"script_no_compiled_folder",
     Family::Script,
     {},
     [](ModemBench &Bench) { QDir(Bench.folder.filePath(QStringLiteral("compiled"))).removeRecursively(); },
     false,
     {QStringLiteral("Запись данных в модем..."), QString(), QStringLiteral("Не обнаружена папка {dir}/compiled.") + Refused},
     2,
     0ms},
    {"script_compiled_is_a_file",
     Family::Script,
     {},
     [](ModemBench &Bench) {
         QDir(Bench.folder.filePath(QStringLiteral("compiled"))).removeRecursively();
         Bench.Put(QStringLiteral("compiled"), "x");
     },
     false,
     {QStringLiteral("Не обнаружена папка {dir}/compiled.") + Refused},
     2,
     0ms},
    {"script_empty_file",
     Family::Script,
     {},
     Putting(QStringLiteral("compiled/b.pyo"), QByteArray("")),
     false,
     {QStringLiteral("Файл b.pyo пуст.") + Refused},
     2,
     0ms},
    {"script_oversize_file",
     Family::Script,
     {},
     Putting(QStringLiteral("compiled/big.pyo"), QByteArray(102400, 'x')),
     false,
     {QStringLiteral("Файл big.pyo больше 102399 байт.") + Refused},
     2,
     0ms},
    {"script_pipe_in_compiled",
     Family::Script,
     {},
     PipeAt(QStringLiteral("compiled/b.pyo")),
     false,
     {QStringLiteral("{dir}/compiled/b.pyo") + NotRegular + Refused},
     2,
     0ms},
    BadName("script_control_character_in_name", Family::Script, QStringLiteral("b\r.pyo"), QStringLiteral("b?.pyo")),

    // Java family.
    {"java_sound", Family::Java, {}, {}, true, JavaStored(), 2, JavaRun},
    {"java_download_refused",
     Family::Java,
     With([](modemsim::Faults &F) { F.errorCommands = {{"AT^SJDL=", "ERROR"}}; }),
     {},
     false,
     {Exchange(Download, QStringLiteral("ERROR")), QString(), Exchange(StartLoader)},
     2,
     JavaRun},
    {"java_download_fails_first",
     Family::Java,
     With([](modemsim::Faults &F) { F.failFirstN = {{"AT^SJDL=", 1}}; }),
     {},
     false,
     {Exchange(Download, QStringLiteral("ERROR")), QString(), Exchange(StartLoader)},
     2,
     JavaRun},
    {"java_download_silent",
     Family::Java,
     With([](modemsim::Faults &F) { F.silentCommands = {"AT^SJDL="}; }),
     {},
     false,
     {Download + QStringLiteral(" >> TIMEOUT"), QString(), Exchange(StartLoader)},
     4,
     JavaRun + 3s},
    {"java_jdl_timeout",
     Family::Java,
     With([](modemsim::Faults &F) { F.jdlTimeout = true; }),
     {},
     false,
     {Exchange(Download, QStringLiteral("CONNECT")), QStringLiteral("\r\nJDL TIMEOUT\r\n"), QString(), Exchange(StartLoader)},
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
     {QStringLiteral("Запись файла a.bin (100 bytes)")},
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
     {QStringLiteral("Запись файла a.bin (100 bytes)")},
     2,
     JavaRun},
    {"java_line_held_mid_file",
     Family::Java,
     With([](modemsim::Faults &F) { F.stallAfterBytes = 160; }),
     {},
     false,
     {Exchange(Download, QStringLiteral("CONNECT")), QStringLiteral("\r\nJDL TIMEOUT\r\n"), QString(), StartLoader + QStringLiteral(" >> TIMEOUT")},
     8,
     JavaRun + 15s},
    {"java_unplugged_mid_file",
     Family::Java,
     With([](modemsim::Faults &F) { F.vanishAfterBytes = 160; }),
     {},
     false,
     {QStringLiteral("СОМ-порт {port} потерян (устройство отключено).")},
     4,
     JavaRun},
    {"java_unplugged_and_back",
     Family::Java,
     With([](modemsim::Faults &F) { F.vanishAfterBytes = 160; F.comeBackAfter = 100ms; }),
     {},
     false,
     {QStringLiteral("СОМ-порт {port} потерян (устройство отключено).")},
     4,
     JavaRun},
    {"java_quit_mid_wait",
     Family::Java,
     With([](modemsim::Faults &F) { F.silentCommands = {"AT^SJDL="}; }),
     QuitAfter(QStringLiteral("Запись файла a.bin (100 bytes)"), 300ms),
     false,
     {QString(), Exchange(StartLoader)},
     2,
     JavaRun},
    {"java_empty_compiled_folder",
     Family::Java,
     {},
     [](ModemBench &Bench) { QFile::remove(Bench.folder.filePath(QStringLiteral("compiled/a.bin"))); },
     false,
     {QStringLiteral("Запись данных в модем..."), QString(), Exchange(StartLoader)},
     2,
     JavaRun},
    {"java_unreadable_file",
     Family::Java,
     {},
     [](ModemBench &Bench) {
         Bench.host.lister = [](const QString &) { return QStringList{QStringLiteral("gone.bin")}; };
     },
     false,
     {QStringLiteral("Файл gone.bin не удается прочитать.") + Refused},
     2,
     0ms},
    {"java_pipe_in_compiled",
     Family::Java,
     {},
     PipeAt(QStringLiteral("compiled/p.bin")),
     false,
     {QStringLiteral("{dir}/compiled/p.bin") + NotRegular + Refused},
     2,
     0ms},
    BadName("java_quote_in_name", Family::Java, QStringLiteral("b\".bin"), QStringLiteral("b\".bin")),
    BadName("java_wildcard_in_name", Family::Java, QStringLiteral("b*.bin"), QStringLiteral("b*.bin")),
    BadName("java_name_outside_code_page", Family::Java, QStringLiteral("b☃.bin"), QStringLiteral("b☃.bin")),

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
     {QStringLiteral("Запись данных в модем..."), QString(), Exchange(AutostartOff, QStringLiteral("+CME ERROR: 4"))},
     2,
     ReplayRun},
    {"replay_autostart_fails_first",
     Family::Replay,
     With([](modemsim::Faults &F) { F.failFirstN = {{"AT^SCFG=", 1}}; }),
     {},
     false,
     {QString(), Exchange(AutostartOff, QStringLiteral("ERROR"))},
     2,
     ReplayRun},
    {"replay_autostart_silent",
     Family::Replay,
     With([](modemsim::Faults &F) { F.silentCommands = {"AT^SCFG="}; }),
     {},
     false,
     {QString(), AutostartOff + QStringLiteral(" >> TIMEOUT")},
     4,
     ReplayRun + 5s},
    {"replay_expectation_not_met",
     Family::Replay,
     {},
     ReplayLogOf("<- 41 54 0D 0A\n-> 4F 4B 21\n"),
     false,
     {QString(), QStringLiteral("Запись:\t\t41 54 0D 0A(AT\r\n)"), QStringLiteral("Ошибка!"),
      QStringLiteral("Ожидалось:\t4F 4B 21 (OK!)")},
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
     {QStringLiteral("СОМ-порт {port} потерян (устройство отключено).")},
     4,
     ReplayRun},
    // The quit cuts the wait for an answer that is not coming; it is no unmet expectation.
    {"replay_quit_mid_wait",
     Family::Replay,
     {},
     [](ModemBench &Bench) {
         Bench.Put(QStringLiteral("transfer_fw.log"), "<- 41 54 0D 0A\n-> 4F 4B 21\n");
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
     [](ModemBench &Bench) { QFile::remove(Bench.folder.filePath(QStringLiteral("transfer_fw.log"))); },
     false,
     {QStringLiteral("Запись данных в модем..."), QString(), QString()},
     2,
     0ms},
    {"replay_log_empty",
     Family::Replay,
     {},
     ReplayLogOf(""),
     false,
     {QStringLiteral("Файл данных transfer_fw.log не содержит ни одной строки \"->\"."), ReplayFailed},
     2,
     0ms},
    {"replay_log_without_expectation",
     Family::Replay,
     {},
     ReplayLogOf("<- 41 54\r\n// comment\r\n"),
     false,
     {QStringLiteral("Файл данных transfer_fw.log не содержит ни одной строки \"->\"."), ReplayFailed},
     2,
     0ms},
    {"replay_log_binary",
     Family::Replay,
     {},
     ReplayLogOf(BinaryWithoutExpectation()),
     false,
     {QStringLiteral("Файл данных transfer_fw.log не содержит ни одной строки \"->\"."), ReplayFailed},
     2,
     0ms},
    {"replay_log_not_hex",
     Family::Replay,
     {},
     ReplayLogOf("<- 41 54\n-> 4G\n"),
     false,
     {QStringLiteral("Файл данных transfer_fw.log, строка 2: в данных есть символы, кроме шестнадцатеричных"
      " цифр и пробелов."),
      ReplayFailed},
     2,
     0ms},
    {"replay_log_line_too_long",
     Family::Replay,
     {},
     ReplayLogOf("<- " + QByteArray(2049 * 2, '1') + "\n-> 4F 4B\n"),
     false,
     {QStringLiteral("Файл данных transfer_fw.log, строка 1: больше 2048 байт для отправки."), ReplayFailed},
     2,
     0ms},
    {"replay_log_is_a_pipe",
     Family::Replay,
     {},
     PipeAt(QStringLiteral("transfer_fw.log")),
     false,
     {QStringLiteral("{dir}/transfer_fw.log") + NotRegular, ReplayFailed},
     2,
     0ms},
    {"replay_log_is_a_folder",
     Family::Replay,
     {},
     [](ModemBench &Bench) {
         QFile::remove(Bench.folder.filePath(QStringLiteral("transfer_fw.log")));
         QDir(Bench.folder.path()).mkpath(QStringLiteral("transfer_fw.log"));
     },
     false,
     {QStringLiteral("{dir}/transfer_fw.log не прочитан: это не обычный файл, а папка."), ReplayFailed},
     2,
     0ms},
};

INSTANTIATE_TEST_SUITE_P(Cases, FaultMatrix, testing::ValuesIn(Cases),
                         [](const testing::TestParamInfo<FaultCase> &Info) {
                             return std::string(Info.param.name);
                         });

} // namespace
