// Runs in a row in one process, each the runner's whole run of one port (open, probe, baud
// switch, script procedure, close) against one simulated modem, with time sped up. Prints the
// resident memory, the heap in use and the open descriptors at checkpoints: none may keep
// growing. The modem runs as a process of its own, so that its record of the wire is not counted
// as ours. A run counts as programmed only when the modem reported holding that run's own bytes;
// any other run is shown with its log and the last of what the modem saw.
//
//   bench_soak [runs (1000)] [speed-up (20)]
//
// The speed-up shortens every wait of the run, also the ones a loaded machine must keep: at 100
// the probe's answer must come back within 2 ms and a command's within 10 ms, which two busy
// cores do not promise. At 20 (12 ms and 50 ms) the runs have time to be judged on what they do.
#include "atlink/Timing.h"
#include "bench/common/ExternalModem.h"
#include "flash/FlashRunner.h"
#include "flash/ModemTypeLookup.h"
#include "tools/modemsim/Crc16.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <mutex>

using namespace Qt::StringLiterals;

namespace {

constexpr int DefaultRuns = 1000;
constexpr int DefaultSpeedUp = 20;
constexpr int ModemLinesShown = 12;
constexpr qsizetype ScriptSize = 2000;

void writeFile(const QString &Path, const QByteArray &Bytes)
{
    QFile file(Path);
    if (!file.open(QIODevice::WriteOnly) || file.write(Bytes) != Bytes.size())
        std::fprintf(stderr, "cannot write %s\n", qPrintable(Path));
}

long residentKilobytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields.at(1).toLong() * sysconf(_SC_PAGESIZE) / 1024 : -1;
}

qsizetype openDescriptors()
{
    return QDir(QStringLiteral("/proc/self/fd"))
        .entryList(QDir::NoDotAndDotDot | QDir::System)
        .size();
}

bool isCheckpoint(int Run, int Runs)
{
    return Run == 1 || Run == Runs || (Run <= 1000 && Run % 100 == 0) || Run % 500 == 0;
}

// Keeps the log of the current run only, to show it when the run fails.
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

// What glibc's allocator has handed out and not had back, over all its arenas.
long heapInUseKilobytes()
{
    return static_cast<long>(mallinfo2().uordblks / 1024);
}

// Each run sends a script of its own, so that a run only counts as programmed when the modem
// reports holding this run's bytes, never what an earlier run left behind.
QByteArray runScript(int Run)
{
    QByteArray script = "# run " + QByteArray::number(Run) + '\n';
    script.append(ScriptSize - script.size(), 'p');
    return script;
}

// The line the modem sends (as its log shows it) when it holds exactly these bytes.
QByteArray storedReport(const QByteArray &Script)
{
    const QByteArray crc = QByteArray::number(modemsim::crc16Mcrf4xx(Script), 16).toUpper();
    return "#LCSCRIPT: \"main.py\"," + QByteArray::number(Script.size()) + ',' +
           crc.rightJustified(4, '0');
}

QStringList lastLines(const QByteArray &Text, int Count)
{
    QStringList lines = QString::fromUtf8(Text).split(u'\n', Qt::SkipEmptyParts);
    if (lines.size() > Count)
        lines.remove(0, lines.size() - Count);
    return lines;
}

void printRun(int Run, const QString &Verdict, const QStringList &Log, const QByteArray &ModemSaw)
{
    std::printf("  run %d %s\n", Run, qPrintable(Verdict));
    for (qsizetype index = std::max<qsizetype>(0, Log.size() - 4); index < Log.size(); ++index)
        std::printf("    log: %s\n", qPrintable(Log.at(index).trimmed()));
    std::printf("    the modem, last:\n");
    for (const QString &line : lastLines(ModemSaw, ModemLinesShown))
        std::printf("      %s\n", qPrintable(line.left(120)));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    const int runs = arguments.size() > 1 ? arguments.at(1).toInt() : DefaultRuns;
    const int speedUp = arguments.size() > 2 ? arguments.at(2).toInt() : DefaultSpeedUp;
    if (runs < 1 || speedUp < 1) {
        std::fprintf(stderr, "usage: bench_soak [runs] [speed-up]\n");
        return 2;
    }
    Timing::setSpeedUp(speedUp);
    QTemporaryDir data;
    QDir(data.path()).mkpath(QStringLiteral("velmora/compiled"));
    writeFile(data.filePath(QStringLiteral("Quillon_dir.ini")), "Velmora:velmora\r\n");
    const QString scriptPath = data.filePath(QStringLiteral("velmora/compiled/main.py"));
    writeFile(scriptPath, runScript(0));
    const ModemTypeLookup type = FindModemType(data.path() + u'/', QStringLiteral("velmora"));
    if (!type.entry) {
        std::fprintf(stderr, "%s\n", qPrintable(type.error));
        return 1;
    }
    try {
        ExternalModem modem(QStringLiteral("script"), data.path());
        RunLog log;
        const PortJob job{modem.device(), *type.entry, false, 0};
        int programmed = 0;
        int falseSuccesses = 0;
        std::map<QString, int> failures; // by reason
        QElapsedTimer clock;
        clock.start();
        std::printf("%d runs, time sped up %d times\n", runs, speedUp);
        std::printf("run     programmed  RSS (KiB)  heap in use (KiB)  descriptors  seconds\n");
        for (int run = 1; run <= runs; ++run) {
            const QByteArray script = runScript(run);
            writeFile(scriptPath, script);
            const qint64 modemLogBefore = modem.logSize();
            FlashRunner runner({job}, log);
            runner.start();
            runner.join();
            const PortResult result = runner.results().first();
            const QStringList lines = log.take();
            const QByteArray modemSaw = modem.logSince(modemLogBefore);
            if (const QString ended = modem.ended(); !ended.isEmpty()) {
                std::printf("run %d: %s; the soak stops\n", run, qPrintable(ended));
                return 1;
            }
            if (result.outcome != PortOutcome::Programmed) {
                ++failures[result.reason];
                printRun(run, OutcomeName(result.outcome) + u": "_s + result.reason, lines,
                         modemSaw);
            } else if (!modemSaw.contains(storedReport(script))) {
                ++falseSuccesses;
                printRun(run, u"said programmed, but the modem never reported this run's file"_s,
                         lines, modemSaw);
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
        for (const auto &[reason, count] : failures)
            std::printf("%d failed: %s\n", count, qPrintable(reason));
        std::printf("%d said programmed without the modem holding the file\n", falseSuccesses);
        return programmed == runs ? 0 : 1;
    } catch (const std::exception &error) {
        std::fprintf(stderr, "bench_soak: %s\n", error.what());
        return 1;
    }
}
