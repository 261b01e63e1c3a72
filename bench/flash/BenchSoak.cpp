// Runs in a row in one process, each the runner's whole run of one port (open, probe, baud
// switch, script procedure, close) against one simulated modem, with time sped up. Prints the
// resident memory, the heap in use and the open descriptors at checkpoints: none may keep
// growing. The simulator keeps no record of its own (it would grow by every byte of every run);
// only the last of what it saw is kept, to show with a run that fails. A run counts as programmed
// only when the modem holds that run's own bytes afterwards.
//
//   bench_soak [runs (1000)] [speed-up (20)] [stall every N ms (0: never)]
//
// With a stall interval the whole process (runs and simulated modem alike) is stopped for 250 ms
// that often, as a loaded machine stops it now and then; a run must survive that.
//
// The speed-up shortens every wait of the run, also the ones a loaded machine must keep: at 100
// the probe's answer must come back within 2 ms and a command's within 10 ms, which two busy
// cores do not promise. At 20 (12 ms and 50 ms) the runs have time to be judged on what they do.
#include "atlink/Timing.h"
#include "bench/common/BenchSupport.h"
#include "engine/FlashRunner.h"
#include "engine/ModemTypeLookup.h"
#include "tools/modemsim/ModemSimulator.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <ctime>

#include <cstdio>
#include <deque>
#include <map>
#include <mutex>

namespace {

constexpr int DefaultRuns = 1000;
constexpr int DefaultSpeedUp = 20;
constexpr std::size_t WireRecordsShown = 12;
constexpr qsizetype ScriptSize = 2000;
constexpr long StallNanoseconds = 250'000'000;

timespec fromMilliseconds(long Milliseconds)
{
    return {Milliseconds / 1000, (Milliseconds % 1000) * 1'000'000};
}

// A child that stops this process for 250 ms every Interval ms until this process ends; its pid.
// After fork only what is safe in a child of a threaded process runs there.
pid_t startStalls(long IntervalMs)
{
    const pid_t parent = getpid();
    const pid_t child = fork();
    if (child != 0)
        return child;
    const timespec every = fromMilliseconds(IntervalMs);
    const timespec stall{0, StallNanoseconds};
    while (getppid() == parent) {
        nanosleep(&every, nullptr);
        kill(parent, SIGSTOP);
        nanosleep(&stall, nullptr);
        kill(parent, SIGCONT);
    }
    _exit(0);
}

void endStalls(pid_t Child)
{
    if (Child <= 0)
        return;
    kill(Child, SIGKILL);
    waitpid(Child, nullptr, 0);
    kill(getpid(), SIGCONT); // in case the child was stopped between its two signals
}

bool isCheckpoint(int Run, int Runs)
{
    return Run == 1 || Run == Runs || (Run <= 1000 && Run % 100 == 0) || Run % 500 == 0;
}

// Each run sends a script of its own, so that a run that did not write its modem cannot pass for
// one that did on what an earlier run left there.
QByteArray runScript(int Run)
{
    QByteArray script = "# run " + QByteArray::number(Run) + '\n';
    script.append(ScriptSize - script.size(), 'p');
    return script;
}

// Keeps the log of the current run only.
class RunLog : public RunObserver
{
public:
    void logLine(int, const QString &Text) override
    {
        const std::lock_guard guard(lock);
        lines.append(Text);
    }
    void progress(int, const PortProgress &) override {}
    void finished(int, const PortResult &) override {}

    QStringList take()
    {
        const std::lock_guard guard(lock);
        return std::exchange(lines, {});
    }

private:
    std::mutex lock;
    QStringList lines;
};

// The last records of the wire, as the simulator makes them on its own thread.
class WireTail
{
public:
    void add(const modemsim::WireRecord &Record)
    {
        const std::lock_guard guard(lock);
        records.push_back(Record);
        if (records.size() > WireRecordsShown)
            records.pop_front();
    }

    std::deque<modemsim::WireRecord> take()
    {
        const std::lock_guard guard(lock);
        return std::exchange(records, {});
    }

private:
    std::mutex lock;
    std::deque<modemsim::WireRecord> records;
};

void printRun(int Run, const QString &Verdict, const QStringList &Log,
              const std::deque<modemsim::WireRecord> &Wire)
{
    std::printf("  run %d %s\n", Run, qPrintable(Verdict));
    for (qsizetype index = std::max<qsizetype>(0, Log.size() - 4); index < Log.size(); ++index)
        std::printf("    log: %s\n", qPrintable(Log.at(index).trimmed()));
    std::printf("    the modem, last:\n");
    for (const modemsim::WireRecord &record : Wire) {
        const auto at =
            std::chrono::duration_cast<std::chrono::milliseconds>(record.when - Wire.front().when);
        std::printf("      %+5lld ms %s %s\n", static_cast<long long>(at.count()),
                    record.direction == modemsim::WireRecord::Received ? "<-" : "->",
                    record.bytes.left(60).toPercentEncoding(" #^=\",").constData());
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    const int runs = arguments.size() > 1 ? arguments.at(1).toInt() : DefaultRuns;
    const int speedUp = arguments.size() > 2 ? arguments.at(2).toInt() : DefaultSpeedUp;
    const int stallEveryMs = arguments.size() > 3 ? arguments.at(3).toInt() : 0;
    if (runs < 1 || speedUp < 1 || stallEveryMs < 0) {
        std::fprintf(stderr, "usage: bench_soak [runs] [speed-up] [stall every N ms]\n");
        return 2;
    }
    Timing::setSpeedUp(speedUp);
    // The simulated port's lock files stay out of the machine's lock folder.
    QTemporaryDir locks;
    qputenv("QUILLON_LOCK_DIR", QFile::encodeName(locks.path()));
    QTemporaryDir data;
    QDir(data.path()).mkpath(QStringLiteral("velmora/compiled"));
    writeFile(data.filePath(QStringLiteral("Quillon_dir.ini")), "Velmora:velmora\r\n");
    const QString scriptPath = data.filePath(QStringLiteral("velmora/compiled/main.py"));
    writeFile(scriptPath, runScript(0));
    const auto type = FindModemType(data.path() + u'/', QStringLiteral("velmora"));
    if (!type) {
        std::fprintf(stderr, "%s\n", qPrintable(type.failure().text));
        return 1;
    }
    WireTail wire;
    modemsim::Options options;
    options.keepRecords = false;
    options.wireObserver = [&wire](const modemsim::WireRecord &Record) { wire.add(Record); };
    modemsim::ModemSimulator modem{options};
    RunLog log;
    const PortJob job{modem.devicePath(), *type, false, 0, std::nullopt};
    int programmed = 0;
    int falseSuccesses = 0;
    std::map<QString, int> failures; // by reason
    QElapsedTimer clock;
    clock.start();
    std::printf("%d runs, time sped up %d times", runs, speedUp);
    if (stallEveryMs > 0)
        std::printf(", the process stopped for 250 ms every %d ms", stallEveryMs);
    std::printf("\n");
    const pid_t stalls = stallEveryMs > 0 ? startStalls(stallEveryMs) : 0;
    std::printf("run     programmed  RSS (KiB)  heap in use (KiB)  descriptors  seconds\n");
    for (int run = 1; run <= runs; ++run) {
        const QByteArray script = runScript(run);
        writeFile(scriptPath, script);
        FlashRunner runner({job}, log);
        runner.start();
        runner.join();
        const PortResult result = runner.results().first();
        const QStringList lines = log.take();
        const std::deque<modemsim::WireRecord> lastRecords = wire.take();
        if (result.outcome != PortOutcome::Programmed) {
            ++failures[result.reason];
            printRun(run, RunResultName(result.outcome) + QStringLiteral(": ") + result.reason,
                     lines, lastRecords);
        } else if (modem.storedFiles()["main.py"] != script) {
            ++falseSuccesses;
            printRun(run,
                     QStringLiteral("said programmed, but the modem does not hold this run's file"),
                     lines, lastRecords);
        } else {
            ++programmed;
        }
        if (isCheckpoint(run, runs))
            std::printf("%-7d %-11d %-10ld %-18ld %-12lld %.1f\n", run, programmed,
                        residentKilobytes(), heapInUseKilobytes(),
                        static_cast<long long>(openDescriptors()),
                        double(clock.elapsed()) / 1000.0);
        std::fflush(stdout);
    }
    endStalls(stalls);
    for (const auto &[reason, count] : failures)
        std::printf("%d failed: %s\n", count, qPrintable(reason));
    std::printf("%d said programmed without the modem holding the file\n", falseSuccesses);
    return programmed == runs ? 0 : 1;
}
