#pragma once

#include "atlink/TmyComm.h"
#include "procedures/ProgrammingRun.h"
#include "tests/common/TestSupport.h"
#include "tools/modemsim/ModemSimulator.h"

#include <QByteArray>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <ostream>
#include <vector>

// A run still going this long after its test started has failed: its host asks it to quit and
// the test names the step it was at, well before the test runner's limit of 120 s.
inline constexpr std::chrono::seconds RunBudget{50};

// The window's part of a run, recorded: log lines, boxes, gauge, status; the quit request can be
// raised when a given line is logged or the gauge reaches a position, and is raised when a file
// is tried more than MaxAttempts times or the run overruns its budget.
class FakeHost : public RunHost
{
public:
    static constexpr int MaxAttempts = 5;

    FakeHost(TmyComm &Channel, QString DirPath);

    QStringList lines;
    QStringList boxes;
    int gaugeMaximum = 0;
    int gaugePosition = 0;
    bool quit = false;
    QString quitOnLine;
    // With quitOnLine: the request comes this long after the line, in the middle of what follows.
    std::chrono::milliseconds quitDelay{0};
    std::chrono::steady_clock::time_point quitAt;
    int quitAtGauge = -1;
    int probeFinished = 0;
    int writingStarted = 0;
    std::function<QStringList(const QString &)> lister = ListPlainFiles;

    void LogLine(const QString &Text) override;
    void SetGaugeMaximum(int Maximum) override;
    void SetGaugePosition(int Position) override;
    int GaugePosition() const override { return gaugePosition; }
    QStringList ListFolder(const QString &Folder) override { return lister(Folder); }
    QString SelectedDirPath() const override { return dirPath; }
    bool QuitRequested() const override { return quit || overdue; }
    // The run has overrun its budget.
    bool Overdue() const { return overdue; }
    void ShowErrorBox(const QString &Text) override { boxes.append(Text); }
    TmyComm &Channel() override { return channel; }
    void SetStatus(const QString &Text) override { LogLine(Text); }
    void ProbeFinished() override { ++probeFinished; }
    void WritingStarted() override { ++writingStarted; }
    void ShowTransfer(const TransferProgress &Progress) override { transfers.push_back(Progress); }
    void TransferEnded() override { ++transfersEnded; }

    std::vector<TransferProgress> transfers;
    int transfersEnded = 0;

private:
    TmyComm &channel;
    QString dirPath;
    QTimer budget;
    bool overdue = false;
};

// A run of the procedures against a simulator speeds time up by this much: the answers still
// arrive well inside every time-out on a loaded machine.
inline constexpr int RunSpeedUp = 2;

// A simulated modem with the channel open on it and its probe answered, as at the start of a run,
// and the modem type's folder in a temporary directory.
class ModemBench
{
public:
    explicit ModemBench(modemsim::Options Options, std::uint32_t BaudRate = 9600,
                        std::unique_ptr<TComm32> Port = std::make_unique<TComm32>());
    using PortMaker = std::function<std::unique_ptr<TComm32>(const modemsim::ModemSimulator &)>;
    ModemBench(modemsim::Options Options, std::uint32_t BaudRate, const PortMaker &MakePort);
    ~ModemBench();

    // Writes a file of the type's folder ("compiled/a.pyo", "transfer_fw.log").
    void Put(const QString &RelativePath, const QByteArray &Bytes) const;
    // The commands the modem received after the probe.
    std::vector<QByteArray> Commands() const;

    QTemporaryDir folder;
    modemsim::ModemSimulator modem;
    TmyComm channel;
    FakeHost host;
};

// How a port whose clock cannot go faster than its top rate answers a request for more.
enum class FasterRate
{
    Refused,     // the driver says no
    RunAtTheTop, // the driver says yes and runs at its top rate, as many Linux drivers do
};

// A port on the pseudo-terminals that cannot go faster than TopRate.
std::unique_ptr<TComm32> PortWithTopRate(std::uint32_t TopRate, FasterRate Faster);

// A port on the pseudo-terminals whose output has left it only once Modem has taken it, as a
// serial driver counts what still waits for its line. A pseudo-terminal takes some 20 KB out of
// the writer's sight, which at a slow line rate is minutes of line time.
std::unique_ptr<TComm32> PortPacedByTheModem(const modemsim::ModemSimulator &Modem);

std::unique_ptr<ModemBench> MakeBench(modemsim::Family Family, modemsim::Faults Faults = {},
                                      QByteArray TransferLog = {});

// A command (by the start of its text) and the pause the procedure keeps before sending it.
struct CommandPause
{
    QByteArray command;
    std::chrono::milliseconds pause;
};

// Whether every piece the modem received that starts with one of the commands (the first entry it
// starts with counts) came at least that command's pause, as the timing source scales it now,
// after the piece before it; and whether each command came at all. The modem answers a piece only
// after it arrived and the procedure pauses only after the answer, so a busy machine can only
// make the gaps longer.
testing::AssertionResult PausedBefore(const modemsim::ModemSimulator &Modem,
                                      const std::vector<CommandPause> &Pauses);

// For every piece the modem received that starts with Command, the time since the piece before it.
std::vector<std::chrono::milliseconds> GapsBefore(const modemsim::ModemSimulator &Modem,
                                                  const QByteArray &Command);

// Whether Run stands in Log as consecutive lines.
testing::AssertionResult HasLines(const QStringList &Log, const QStringList &Run);

// A command and the answer framed by line ends, as the log shows an exchange.
QString Exchange(const QString &Command, const QString &Answer = QStringLiteral("OK"));

// Bytes that hold no CR, so that a modem not expecting them takes no line of them for a command.
QByteArray FileBytes(int Size, char Seed);

// A named pipe at Path: a file that blocks whoever reads it.
void MakePipe(const QString &Path);

// The replay's closing lines and the Java family's switch of its autostart, as the log shows them.
inline const QString ReplayFailed = QStringLiteral("Ошибка! Файл данных записать не удалось.");
inline const QString ReplayWritten = QStringLiteral("Файл данных успешно записан.");
inline const QString AutostartOff = QStringLiteral("at^SCFG=\"userware/autostart\",\"\",\"0\"");
