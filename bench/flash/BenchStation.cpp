// The station's figures:
// 1. modems per hour of a 4-port station (quillon-flash --continuous, real time) at a 9600 bit/s
//    line with the demo's tu41 files, each simulated modem taking its input no faster than such a
//    line carries it; a modem is unplugged as soon as its run is over and the next put on at once,
//    so the figure is what the station itself allows, not the hands that serve it;
// 2. the time from Ctrl-C to the end of the program: with every port waiting for a modem, in the
//    middle of a transfer (the Java closing commands still go out), there with a second Ctrl-C
//    once the run has said it is stopping (with the time until it said so), and in a single run
//    of a script modem during its 5 s pause after the reset;
// 3. resident memory and open descriptors of one station port in this process over 1,000 modem
//    swaps (time sped up 20 times, no line pacing): both must stay flat;
// 4. alone, with "cycle": one port's cycle for the demo's tu41 files at 115200 bit/s, from one
//    modem's take-off to the next one's with each modem swapped at once, against its floor: the
//    pauses the run itself must keep and the files' time on the line.
//
//   bench_station [modems per port (5)] [swaps (1000)]
//   bench_station cycle [modems (10)]
//   bench_station stop       (only the times from Ctrl-C to the end)
#include "atlink/Timing.h"
#include "engine/FlashRunner.h"
#include "engine/ModemTypeLookup.h"
#include "engine/StationSession.h"
#include "tools/modemsim/ModemSimulator.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <memory>
#include <mutex>
#include <unistd.h>
#include <vector>

using namespace std::chrono_literals;

namespace {

constexpr int Ports = 4;
constexpr std::uint32_t LineRate = 9600;
constexpr int SoakSpeedUp = 20;

QString demoData()
{
    return QStringLiteral(QUILLON_DEMO_DATA "/");
}

QByteArray imeiNumber(int Number)
{
    return QByteArray::number(350000000000000LL + Number);
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

// quillon-flash as a child, its JSON events read as they come.
class Runner
{
public:
    explicit Runner(const QStringList &Arguments)
    {
        process.start(QStringLiteral(QUILLON_FLASH_EXE), Arguments);
        process.waitForStarted();
    }
    ~Runner()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished();
        }
    }

    // Hands every new event to Seen until it answers true; false when the program ended first.
    template<typename Seen> bool follow(Seen seen)
    {
        const QDeadlineTimer deadline(30min);
        for (;;) {
            while (process.canReadLine()) {
                const QJsonObject event = QJsonDocument::fromJson(process.readLine()).object();
                if (!event.isEmpty() && seen(event))
                    return true;
            }
            if (process.state() == QProcess::NotRunning || deadline.hasExpired())
                return false;
            process.waitForReadyRead(50);
        }
    }
    // Milliseconds from SIGINT to the program's end.
    qint64 interruptAndTime()
    {
        QElapsedTimer clock;
        clock.start();
        interrupt();
        process.waitForFinished(60000);
        return clock.elapsed();
    }
    void interrupt() { ::kill(static_cast<pid_t>(process.processId()), SIGINT); }

private:
    QProcess process;
};

QStringList stationArguments(const QStringList &PortNames, std::uint32_t Rate = LineRate)
{
    QStringList arguments{QStringLiteral("--type"),       QStringLiteral("tu41"),
                          QStringLiteral("--data"),       demoData(),
                          QStringLiteral("--json"),       QStringLiteral("--continuous"),
                          QStringLiteral("--write-rate"), QString::number(Rate)};
    for (const QString &port : PortNames)
        arguments << QStringLiteral("--port") << port;
    return arguments;
}

void measureStation(int ModemsPerPort)
{
    // The station knows each port by a name that outlives the device, as a by-id link does.
    QTemporaryDir links;
    std::vector<std::unique_ptr<modemsim::ModemSimulator>> modems;
    QStringList paths;
    modemsim::Options options;
    options.family = modemsim::Family::Java;
    options.lineRate = LineRate;
    options.keepRecords = false;
    for (int port = 0; port < Ports; ++port) {
        options.imei = imeiNumber(port * 1000);
        options.linkPath = links.filePath(QStringLiteral("modem%1").arg(port));
        paths.append(options.linkPath);
        modems.push_back(std::make_unique<modemsim::ModemSimulator>(options));
    }
    Runner station(stationArguments(paths));
    std::vector<int> done(Ports, 0);
    int programmed = 0;
    int failed = 0;
    QElapsedTimer clock;
    clock.start();
    const bool finished = station.follow([&](const QJsonObject &Event) {
        if (Event[QStringLiteral("event")].toString() != u"station" ||
            Event[QStringLiteral("state")] != QStringLiteral("take-off"))
            return false;
        const auto port = static_cast<int>(paths.indexOf(Event[QStringLiteral("port")].toString()));
        if (Event[QStringLiteral("result")].toString() == u"programmed")
            ++programmed;
        else
            ++failed;
        if (++done[port] < ModemsPerPort) {
            // The port is free again as soon as the device is gone.
            modems[port]->takeModemOff(true);
            modems[port]->putModemOn(imeiNumber(port * 1000 + done[port]));
        }
        return programmed + failed == Ports * ModemsPerPort;
    });
    const qint64 elapsed = clock.elapsed();
    std::printf("station: %d ports, tu41 demo files, %u bit/s line\n", Ports, LineRate);
    std::printf("  %d programmed, %d failed in %.1f s: %.0f modems per hour%s\n", programmed,
                failed, static_cast<double>(elapsed) / 1000.0, ModemsPerHour(programmed, elapsed),
                finished ? "" : " (the station ended early)");
    // Every port is now in its wait for the modem to be taken away or the next to come.
    std::printf("  Ctrl-C to exit, every port waiting: %lld ms\n",
                static_cast<long long>(station.interruptAndTime()));
}

// What a tu41 run cannot do without: the pause after the rate switch, the procedure's pauses
// (three opening commands, two per file, two closing commands) and the files' bytes on the line,
// ten bits each.
double cycleFloorSeconds(std::uint32_t Rate)
{
    const QDir compiled(demoData() + QStringLiteral("tu41/compiled"));
    const QFileInfoList files = compiled.entryInfoList(QDir::Files, QDir::Name);
    qint64 bytes = 0;
    for (const QFileInfo &file : files)
        bytes += file.size();
    const double pauses = 0.2 + 3 * 0.3 + static_cast<double>(files.size()) * (0.2 + 0.1) + 2 * 0.3;
    return pauses + static_cast<double>(bytes) * 10.0 / Rate;
}

void measureCycle(int Modems)
{
    constexpr std::uint32_t CycleRate = 115200;
    QTemporaryDir links;
    modemsim::Options options;
    options.family = modemsim::Family::Java;
    options.lineRate = 9600; // the probe's rate; the run switches the modem to the write rate
    options.keepRecords = false;
    options.imei = imeiNumber(0);
    options.linkPath = links.filePath(QStringLiteral("modem"));
    modemsim::ModemSimulator modem(options);
    Runner station(stationArguments({options.linkPath}, CycleRate));
    std::vector<qint64> takeOffs;
    QElapsedTimer clock;
    clock.start();
    int programmed = 0;
    station.follow([&](const QJsonObject &Event) {
        if (Event[QStringLiteral("event")].toString() != u"station" ||
            Event[QStringLiteral("state")] != QStringLiteral("take-off"))
            return false;
        takeOffs.push_back(clock.elapsed());
        programmed += Event[QStringLiteral("result")].toString() == u"programmed" ? 1 : 0;
        if (static_cast<int>(takeOffs.size()) == Modems)
            return true;
        modem.takeModemOff(true);
        modem.putModemOn(imeiNumber(static_cast<int>(takeOffs.size())));
        return false;
    });
    station.interruptAndTime();
    if (takeOffs.size() < 2) {
        std::printf("cycle: the station programmed too few modems to measure\n");
        return;
    }
    std::vector<qint64> cycles;
    for (std::size_t index = 1; index < takeOffs.size(); ++index)
        cycles.push_back(takeOffs[index] - takeOffs[index - 1]);
    std::sort(cycles.begin(), cycles.end());
    const double median = static_cast<double>(cycles[cycles.size() / 2]) / 1000.0;
    const double floor = cycleFloorSeconds(CycleRate);
    std::printf("cycle: one port, tu41 demo files at %u bit/s, %d modems (%d programmed)\n",
                CycleRate, static_cast<int>(takeOffs.size()), programmed);
    std::printf("  median cycle %.2f s (fastest %.2f s, slowest %.2f s), floor %.2f s: "
                "%.2f s above it\n",
                median, static_cast<double>(cycles.front()) / 1000.0,
                static_cast<double>(cycles.back()) / 1000.0, floor, median - floor);
}

void measureInterruptMidTransfer()
{
    modemsim::Options options;
    options.family = modemsim::Family::Java;
    options.lineRate = LineRate;
    options.keepRecords = false;
    const modemsim::ModemSimulator modem(options);
    Runner station(stationArguments({modem.devicePath()}));
    station.follow([](const QJsonObject &Event) {
        return Event[QStringLiteral("event")] == QStringLiteral("progress") &&
               Event[QStringLiteral("transfer_sent")].toInteger() > 200;
    });
    std::printf("  Ctrl-C to exit, in the middle of a transfer at %u bit/s: %lld ms\n", LineRate,
                static_cast<long long>(station.interruptAndTime()));
}

// Ctrl-C in the middle of a transfer, and a second one as soon as the run has said it is stopping.
void measureInterruptTwiceMidTransfer()
{
    modemsim::Options options;
    options.family = modemsim::Family::Java;
    options.lineRate = LineRate;
    options.keepRecords = false;
    const modemsim::ModemSimulator modem(options);
    QTemporaryDir records;
    Runner station(stationArguments({modem.devicePath()})
                   << QStringLiteral("--record") << records.filePath(QStringLiteral("runs.jsonl")));
    station.follow([](const QJsonObject &Event) {
        return Event[QStringLiteral("event")] == QStringLiteral("progress") &&
               Event[QStringLiteral("transfer_sent")].toInteger() > 200;
    });
    QElapsedTimer clock;
    clock.start();
    station.interrupt();
    station.follow([](const QJsonObject &Event) {
        return Event[QStringLiteral("event")] == QStringLiteral("progress") &&
               Event[QStringLiteral("phase")] == QStringLiteral("stopping");
    });
    const qint64 saidStopping = clock.elapsed();
    std::printf("  Ctrl-C in the middle of a transfer: stopping said after %lld ms; a second "
                "Ctrl-C then: %lld ms to exit\n",
                static_cast<long long>(saidStopping),
                static_cast<long long>(station.interruptAndTime()));
}

void measureInterruptInPause()
{
    modemsim::Options options;
    options.family = modemsim::Family::Script;
    options.keepRecords = false;
    modemsim::ModemSimulator modem(options);
    Runner single({QStringLiteral("--type"), QStringLiteral("velmora"), QStringLiteral("--data"),
                   demoData(), QStringLiteral("--json"), QStringLiteral("--port"),
                   modem.devicePath()});
    // The pause after the reset follows this exchange.
    single.follow([](const QJsonObject &Event) {
        return Event[QStringLiteral("event")] == QStringLiteral("log") &&
               Event[QStringLiteral("text")].toString().startsWith(
                   QStringLiteral("AT#ENHRST=1,0 >>"));
    });
    std::printf("  Ctrl-C to exit, a single script run in its 5 s pause after the reset: %lld ms\n",
                static_cast<long long>(single.interruptAndTime()));
}

// The station's events, as one port's thread reports them.
class Events : public RunObserver
{
public:
    void logLine(int, const QString &) override {}
    void progress(int, const PortProgress &) override {}
    void finished(int, const PortResult &) override {}
    void station(int, const StationStatus &Status) override
    {
        const std::lock_guard guard(lock);
        if (Status.state == StationState::WaitingForModem)
            ++waits;
        changed.notify_all();
        if (Status.state != StationState::TakeOff)
            return;
        ++takeOffs;
        programmed += Status.ended && Status.ended->outcome == PortOutcome::Programmed ? 1 : 0;
        changed.notify_all();
    }
    // Waits for the take-off after modem number Count; false after a minute without it.
    bool waitForTakeOff(int Count)
    {
        std::unique_lock guard(lock);
        return changed.wait_for(guard, 60s, [&] { return takeOffs >= Count; });
    }
    // Waits until the port has begun its wait number Count for a modem.
    bool waitForWait(int Count)
    {
        std::unique_lock guard(lock);
        return changed.wait_for(guard, 60s, [&] { return waits >= Count; });
    }
    int programmedSoFar()
    {
        const std::lock_guard guard(lock);
        return programmed;
    }

private:
    std::mutex lock;
    std::condition_variable changed;
    int takeOffs = 0;
    int waits = 0;
    int programmed = 0;
};

void measureSwaps(int Swaps)
{
    Timing::setSpeedUp(SoakSpeedUp);
    const auto type = FindModemType(demoData(), QStringLiteral("tu41"));
    if (!type) {
        std::fprintf(stderr, "%s\n", qPrintable(type.failure().text));
        return;
    }
    QTemporaryDir links;
    modemsim::Options options;
    options.family = modemsim::Family::Java;
    options.keepRecords = false;
    options.imei = imeiNumber(0);
    options.linkPath = links.filePath(QStringLiteral("modem"));
    modemsim::ModemSimulator modem(options);
    Events events;
    StationSession session(1);
    PortJob job;
    job.port = options.linkPath;
    job.type = *type;
    job.identify = true;
    FlashRunner runner({job}, events, &session);
    runner.start();
    std::printf("one station port, %d swaps, time sped up %d times\n", Swaps, SoakSpeedUp);
    std::printf("  swaps  programmed  RSS (KiB)  descriptors\n");
    for (int swap = 1; swap <= Swaps; ++swap) {
        if (!events.waitForTakeOff(swap)) {
            std::printf("  no modem programmed after swap %d\n", swap - 1);
            break;
        }
        // The next modem goes on once the station has seen this one go, as on a real bench.
        modem.takeModemOff(true);
        if (!events.waitForWait(swap + 1)) {
            std::printf("  the modem taken off after swap %d was not noticed\n", swap);
            break;
        }
        modem.putModemOn(imeiNumber(swap));
        if (swap == 1 || swap % 100 == 0)
            std::printf("  %5d  %10d  %9ld  %11lld\n", swap, events.programmedSoFar(),
                        residentKilobytes(), static_cast<long long>(openDescriptors()));
    }
    runner.requestQuit();
    runner.join();
    Timing::setSpeedUp(1);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    // The lock files of the simulated ports stay out of the machine's lock folder.
    QTemporaryDir locks;
    qputenv("QUILLON_LOCK_DIR", QFile::encodeName(locks.path()));
    const QStringList arguments = app.arguments();
    if (arguments.size() > 1 && arguments.at(1) == u"cycle") {
        const int modems = arguments.size() > 2 ? arguments.at(2).toInt() : 10;
        if (modems < 2) {
            std::fprintf(stderr, "usage: bench_station cycle [modems, 2 or more]\n");
            return 2;
        }
        measureCycle(modems);
        return 0;
    }
    if (arguments.size() > 1 && arguments.at(1) == u"stop") {
        measureInterruptMidTransfer();
        measureInterruptTwiceMidTransfer();
        measureInterruptInPause();
        return 0;
    }
    const int modemsPerPort = arguments.size() > 1 ? arguments.at(1).toInt() : 5;
    const int swaps = arguments.size() > 2 ? arguments.at(2).toInt() : 1000;
    if (modemsPerPort < 1 || swaps < 1) {
        std::fprintf(stderr, "usage: bench_station [modems per port] [swaps]\n");
        return 2;
    }
    measureStation(modemsPerPort);
    measureInterruptMidTransfer();
    measureInterruptTwiceMidTransfer();
    measureInterruptInPause();
    measureSwaps(swaps);
    return 0;
}
