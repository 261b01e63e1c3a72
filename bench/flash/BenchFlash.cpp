// Programs 1, 2, 4 and 8 simulated modems at once with quillon-flash in real time and prints the
// wall time against the time for one, and the runner's CPU per modem, while programming and while
// waiting for modems that never answer.
#include "bench/common/BenchSupport.h"
#include "tools/modemsim/ModemSimulator.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

// A script type with two small files, as a production line would send.
void makeData(const QString &Folder)
{
    QDir(Folder).mkpath(QStringLiteral("velmora/compiled"));
    writeFile(Folder + QStringLiteral("/Quillon_dir.ini"), "Velmora:velmora\r\n");
    writeFile(Folder + QStringLiteral("/velmora/compiled/main.py"), QByteArray(4000, 'p'));
    writeFile(Folder + QStringLiteral("/velmora/compiled/network.ini"), QByteArray(300, 'n'));
}

double childCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    const auto seconds = [](const timeval &t) {
        return double(t.tv_sec) + double(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

struct Measure
{
    double wallSeconds = 0;
    double cpuSeconds = 0;
    int exitCode = -1;
};

Measure runFlash(const QString &Data, int Modems, bool Answering)
{
    std::vector<std::unique_ptr<modemsim::ModemSimulator>> modems;
    QStringList arguments{QStringLiteral("--type"), QStringLiteral("velmora"),
                          QStringLiteral("--data"), Data, QStringLiteral("--json")};
    for (int index = 0; index < Modems; ++index) {
        modemsim::Options options;
        options.faults.neverAnswerProbe = !Answering;
        modems.push_back(std::make_unique<modemsim::ModemSimulator>(options));
        arguments << QStringLiteral("--port") << modems.back()->devicePath();
    }
    Measure measure;
    const double cpuBefore = childCpuSeconds();
    QElapsedTimer clock;
    clock.start();
    QProcess flash;
    flash.setStandardOutputFile(QProcess::nullDevice());
    flash.start(QStringLiteral(QUILLON_FLASH_EXE), arguments);
    if (flash.waitForFinished(300'000) && flash.exitStatus() == QProcess::NormalExit)
        measure.exitCode = flash.exitCode();
    measure.wallSeconds = double(clock.elapsed()) / 1000.0;
    measure.cpuSeconds = childCpuSeconds() - cpuBefore;
    return measure;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir data;
    makeData(data.path());

    std::printf("Programming simulated script modems at once (real time, 2 files each)\n");
    std::printf("%7s %9s %9s %13s %6s\n", "modems", "wall s", "x one", "CPU %/modem", "exit");
    double one = 0;
    for (int modems : {1, 2, 4, 8}) {
        const Measure measure = runFlash(data.path(), modems, true);
        if (modems == 1)
            one = measure.wallSeconds;
        std::printf("%7d %9.2f %9.3f %13.2f %6d\n", modems, measure.wallSeconds,
                    measure.wallSeconds / one,
                    100.0 * measure.cpuSeconds / measure.wallSeconds / modems, measure.exitCode);
    }

    std::printf("\nWaiting for modems that never answer (the full 15 s power-on wait)\n");
    std::printf("%7s %9s %13s %6s\n", "modems", "wall s", "CPU %/modem", "exit");
    for (int modems : {1, 8}) {
        const Measure measure = runFlash(data.path(), modems, false);
        std::printf("%7d %9.2f %13.2f %6d\n", modems, measure.wallSeconds,
                    100.0 * measure.cpuSeconds / measure.wallSeconds / modems, measure.exitCode);
    }
    return 0;
}
