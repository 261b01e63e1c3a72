// 1,000 runs in a row in one process, each the runner's whole run of one port (open, probe, baud
// switch, script procedure, close) against one simulated modem, with time sped up. Prints the
// resident memory and the open descriptors after runs 1, 100 and 1,000: neither may keep growing.
#include "atlink/Timing.h"
#include "flash/FlashRunner.h"
#include "flash/ModemTypeLookup.h"
#include "tools/modemsim/ModemSimulator.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <unistd.h>

namespace {

constexpr int Runs = 1000;
constexpr int SpeedUp = 100;

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

class QuietObserver : public RunObserver
{
public:
    void logLine(int, const QString &) override {}
    void progress(int, const PortProgress &) override {}
    void finished(int, const PortResult &) override {}
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    Timing::setSpeedUp(SpeedUp);
    QTemporaryDir data;
    QDir(data.path()).mkpath(QStringLiteral("velmora/compiled"));
    writeFile(data.filePath(QStringLiteral("Quillon_dir.ini")), "Velmora:velmora\r\n");
    writeFile(data.filePath(QStringLiteral("velmora/compiled/main.py")), QByteArray(2000, 'p'));
    const ModemTypeLookup type = FindModemType(data.path() + u'/', QStringLiteral("velmora"));
    if (!type.entry) {
        std::fprintf(stderr, "%s\n", qPrintable(type.error));
        return 1;
    }
    modemsim::ModemSimulator modem{modemsim::Options{}};
    QuietObserver observer;
    const PortJob job{modem.devicePath(), *type.entry, false, 0};
    int programmed = 0;
    QElapsedTimer clock;
    clock.start();
    std::printf("run     programmed  RSS (KiB)  descriptors  seconds\n");
    for (int run = 1; run <= Runs; ++run) {
        FlashRunner runner({job}, observer);
        runner.start();
        runner.join();
        programmed += runner.results().first().outcome == PortOutcome::Programmed ? 1 : 0;
        if (run == 1 || run == 100 || run == Runs)
            std::printf("%-7d %-11d %-10ld %-12lld %.1f\n", run, programmed, residentKilobytes(),
                        static_cast<long long>(openDescriptors()),
                        double(clock.elapsed()) / 1000.0);
        std::fflush(stdout);
    }
    return programmed == Runs ? 0 : 1;
}
