// The station window's figures, offscreen:
// 1. the share of one core the window's program takes with 8 ports waiting for a modem, over 20 s:
//    their devices there and probed four times a second, no modem answering (the simulators run as
//    programs of their own, so that only the station is measured), and then with the devices gone;
// 2. resident memory, heap in use and open descriptors over 1,000 modem swaps on one port (time
//    sped up 20 times, no line pacing), of the headless station and then of two shifts of the
//    window: both must stay flat but for what a shift keeps of each run (the IMEIs it will not
//    program again, and the window's runs for its table and chart), which the next shift lets go;
// 3. modems per hour of the window and of the headless station (the runner's engine with no
//    window) on the same four simulated Java modems taking their input at 9600 bit/s; a modem is
//    unplugged as soon as its run is over and the next put on at once.
//
//   bench_station_window [swaps (1000)] [modems per port (3)] [cpu|swaps|rate (all three)]
#include "app/StationWindow.h"
#include "atlink/Timing.h"
#include "bench/common/BenchSupport.h"
#include "engine/EventRelay.h"
#include "engine/FlashRunner.h"
#include "engine/ModemTypeLookup.h"
#include "engine/PortBoard.h"
#include "engine/StationSession.h"
#include "tools/modemsim/ModemSimulator.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

using namespace std::chrono_literals;

namespace {

constexpr int WaitingPorts = 8;
constexpr int RatePorts = 4;
constexpr std::uint32_t LineRate = 9600;
constexpr int SoakSpeedUp = 20;

using Modems = std::vector<std::unique_ptr<modemsim::ModemSimulator>>;

// Lets the window's thread work until Done holds; false after Limit.
bool runUntil(const std::function<bool()> &Done, std::chrono::milliseconds Limit = 120s)
{
    const QDeadlineTimer deadline(Limit);
    while (!Done()) {
        if (deadline.hasExpired())
            return false;
        QEventLoop slice;
        QTimer::singleShot(5, &slice, &QEventLoop::quit);
        slice.exec();
    }
    return true;
}

Modems javaModems(int Count, const QTemporaryDir &Links, std::uint32_t Rate, int FirstImei)
{
    Modems modems;
    modemsim::Options options = untracedModem(modemsim::Family::Java, Rate);
    for (int port = 0; port < Count; ++port) {
        options.imei = imeiNumber(FirstImei + port * 1000);
        options.linkPath = Links.filePath(QStringLiteral("modem%1").arg(port));
        modems.push_back(std::make_unique<modemsim::ModemSimulator>(options));
    }
    return modems;
}

QStringList linksOf(const Modems &Of, const QTemporaryDir &Links)
{
    QStringList ports;
    for (std::size_t port = 0; port < Of.size(); ++port)
        ports.append(Links.filePath(QStringLiteral("modem%1").arg(port)));
    return ports;
}

StationWindowSetup windowSetup(const QTemporaryDir &Scratch)
{
    return {demoData(), Scratch.filePath(QStringLiteral("QuillonStation.ini")),
            Scratch.filePath(QStringLiteral("runs.jsonl"))};
}

bool startWindow(StationWindow &Window, const QStringList &Ports)
{
    StationSetup given;
    given.type = QStringLiteral("tu41");
    given.ports = Ports;
    given.writeRate = LineRate;
    Window.applySetup(given);
    return Window.start();
}

void stopWindow(StationWindow &Window)
{
    Window.stop();
    runUntil([&] { return !Window.running(); });
}

// The runner's engine as a station with no window, the tu41 type on every port: what the window
// adds is measured against it. It stops with its scope.
class HeadlessStation
{
public:
    HeadlessStation(const QStringList &Ports, std::optional<std::uint32_t> WriteRate)
        : type(*FindModemType(demoData(), QStringLiteral("tu41"))), board(Ports, type.Title),
          relay(board, static_cast<int>(Ports.size())), session(static_cast<int>(Ports.size())),
          runner(jobsFor(Ports, WriteRate), relay, &session)
    {
        runner.start();
    }

    const PortState &port(int Port) const { return board.port(Port); }

private:
    QList<PortJob> jobsFor(const QStringList &Ports, std::optional<std::uint32_t> WriteRate) const
    {
        QList<PortJob> jobs;
        for (const QString &port : Ports)
            jobs.append({port, type, false, 0, WriteRate, true, nullptr});
        return jobs;
    }

    const TDirObject type;
    PortBoard board;
    EventRelay relay;
    StationSession session;
    FlashRunner runner;
};

// Lets the window's thread work for Span, waking only for what the program itself does.
void idleFor(std::chrono::milliseconds Span)
{
    QEventLoop loop;
    QTimer::singleShot(Span, &loop, &QEventLoop::quit);
    loop.exec();
}

// The share of one core the program takes over Span, after a moment to settle.
double coreShare(std::chrono::milliseconds Span)
{
    idleFor(2s);
    QElapsedTimer clock;
    clock.start();
    const double before = cpuSeconds();
    idleFor(Span);
    return (cpuSeconds() - before) * 100000.0 / static_cast<double>(clock.elapsed());
}

void measureWaitingCpu()
{
    QTemporaryDir scratch;
    std::vector<std::unique_ptr<QProcess>> simulators;
    QStringList ports;
    for (int port = 0; port < WaitingPorts; ++port) {
        auto simulator = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QUILLON_PORTS_DIR"), scratch.path());
        simulator->setProcessEnvironment(environment);
        const QString name = QStringLiteral("modem%1").arg(port);
        simulator->start(QStringLiteral(QUILLON_MODEMSIM_EXE),
                         {QStringLiteral("--family"), QStringLiteral("java"),
                          QStringLiteral("--name"), name, QStringLiteral("--silent"),
                          QStringLiteral("ATE0")});
        simulators.push_back(std::move(simulator));
        ports.append(scratch.filePath(name));
    }
    if (!runUntil([&] {
            return std::all_of(ports.begin(), ports.end(),
                               [](const QString &Port) { return QFile::exists(Port); });
        })) {
        std::printf("the simulators did not start\n");
        return;
    }
    // The headless station first: what the engine takes; then the window: what it adds.
    {
        const HeadlessStation station(ports, LineRate);
        std::printf("%d ports waiting for a modem, probed four times a second each:\n",
                    WaitingPorts);
        std::printf("  headless station: %.2f %% of one core\n", coreShare(20s));
    }
    StationWindow window(windowSetup(scratch));
    if (!startWindow(window, ports))
        return;
    std::printf("  station window:   %.2f %% of one core\n", coreShare(20s));
    // Modems that take their device with them when off, as USB ones do: the ports wait for it.
    for (const auto &simulator : simulators) {
        simulator->terminate();
        simulator->waitForFinished();
    }
    std::printf("  station window, the devices gone: %.2f %% of one core\n", coreShare(20s));
    stopWindow(window);
}

// Swaps modems on the one port whose state Port shows, printing memory and descriptors; the
// modems' IMEIs are numbered from FirstImei.
void swapModems(modemsim::ModemSimulator &Modem, const PortState &Port, int Swaps, int FirstImei)
{
    std::printf("  swaps  programmed  RSS (KiB)  heap (KiB)  descriptors\n");
    for (int swap = 1; swap <= Swaps; ++swap) {
        if (!runUntil([&] { return Port.counts.programmed + Port.counts.failed >= swap; })) {
            std::printf("  no modem programmed after swap %d\n", swap - 1);
            break;
        }
        Modem.takeModemOff(true);
        if (!runUntil([&] { return Port.stage == PortStage::Waiting; })) {
            std::printf("  the modem taken off after swap %d was not noticed\n", swap);
            break;
        }
        Modem.putModemOn(imeiNumber(FirstImei + swap));
        if (swap == 1 || swap % 100 == 0)
            std::printf("  %5d  %10d  %9ld  %10ld  %11lld\n", swap, Port.counts.programmed,
                        residentKilobytes(), heapInUseKilobytes(),
                        static_cast<long long>(openDescriptors()));
    }
}

// The headless station first, for what the engine itself keeps, then the window.
void measureSwaps(int Swaps)
{
    Timing::setSpeedUp(SoakSpeedUp);
    QTemporaryDir scratch;
    Modems modems = javaModems(1, scratch, 0, 0);
    modemsim::ModemSimulator &modem = *modems.front();
    const QStringList ports = linksOf(modems, scratch);
    std::printf("one port, %d swaps, time sped up %d times\n", Swaps, SoakSpeedUp);
    {
        const HeadlessStation station(ports, std::nullopt);
        std::printf(" headless station:\n");
        swapModems(modem, station.port(0), Swaps, 0);
    }
    modem.takeModemOff(true);
    modem.putModemOn(imeiNumber(Swaps + 1000));
    StationWindow window(windowSetup(scratch));
    // Two shifts of the same window: the second starts where the first did when what the window
    // keeps is its shift's.
    for (const int shift : {1, 2}) {
        if (!startWindow(window, ports))
            return;
        std::printf(" station window, shift %d:\n", shift);
        swapModems(modem, window.board()->port(0), Swaps, shift * 10 * Swaps);
        stopWindow(window);
        // What of the growth is the table's own: its rows go when the filter lets none through.
        const long heap = heapInUseKilobytes();
        window.edtImei->setText(QStringLiteral("no such IMEI"));
        std::printf("  the shift's table emptied: heap %ld KiB less\n",
                    heap - heapInUseKilobytes());
        window.edtImei->clear();
    }
    Timing::setSpeedUp(1);
}

// Serves every port's modems until each has had ModemsPerPort: a programmed modem is unplugged
// and the next put on. Programmed: how many the front end counted. Milliseconds to the last.
qint64 serve(Modems &Of, int ModemsPerPort, int FirstImei,
             const std::function<int(int)> &Programmed)
{
    QElapsedTimer clock;
    clock.start();
    std::vector<int> served(Of.size(), 0);
    const bool done = runUntil(
        [&] {
            bool all = true;
            for (std::size_t port = 0; port < Of.size(); ++port) {
                const int count = Programmed(static_cast<int>(port));
                if (count > served[port] && count < ModemsPerPort) {
                    Of[port]->takeModemOff(true);
                    Of[port]->putModemOn(
                        imeiNumber(FirstImei + static_cast<int>(port) * 1000 + count));
                }
                served[port] = count;
                all = all && count >= ModemsPerPort;
            }
            return all;
        },
        60min);
    if (!done)
        std::printf("  the modems were not all programmed\n");
    return clock.elapsed();
}

void measureModemsPerHour(int ModemsPerPort)
{
    QTemporaryDir scratch;
    Modems modems = javaModems(RatePorts, scratch, LineRate, 0);
    const QStringList ports = linksOf(modems, scratch);
    const int all = RatePorts * ModemsPerPort;
    std::printf("%d ports, %d modems each, tu41 demo files, %u bit/s line\n", RatePorts,
                ModemsPerPort, LineRate);
    {
        StationWindow window(windowSetup(scratch));
        if (!startWindow(window, ports))
            return;
        const qint64 elapsed = serve(modems, ModemsPerPort, 0, [&](int Port) {
            return window.board()->port(Port).counts.programmed;
        });
        std::printf("  station window:   %d programmed in %.1f s: %.0f modems per hour\n", all,
                    static_cast<double>(elapsed) / 1000.0, ModemsPerHour(all, elapsed));
        stopWindow(window);
    }
    // The same simulators, each with a modem it has not seen.
    for (std::size_t port = 0; port < modems.size(); ++port) {
        modems[port]->takeModemOff(true);
        modems[port]->putModemOn(imeiNumber(500 + static_cast<int>(port) * 1000));
    }
    const HeadlessStation station(ports, LineRate);
    const qint64 elapsed = serve(modems, ModemsPerPort, 500,
                                 [&](int Port) { return station.port(Port).counts.programmed; });
    std::printf("  headless station: %d programmed in %.1f s: %.0f modems per hour\n", all,
                static_cast<double>(elapsed) / 1000.0, ModemsPerHour(all, elapsed));
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    // The lock files of the simulated ports stay out of the machine's lock folder.
    QTemporaryDir locks;
    qputenv("QUILLON_LOCK_DIR", QFile::encodeName(locks.path()));
    const QStringList arguments = app.arguments();
    const int swaps = arguments.size() > 1 ? arguments.at(1).toInt() : 1000;
    const int modemsPerPort = arguments.size() > 2 ? arguments.at(2).toInt() : 3;
    const QString only = arguments.value(3);
    if (swaps < 1 || modemsPerPort < 1 ||
        !QStringList{{}, QStringLiteral("cpu"), QStringLiteral("swaps"), QStringLiteral("rate")}
             .contains(only)) {
        std::fprintf(stderr,
                     "usage: bench_station_window [swaps] [modems per port] [cpu|swaps|rate]\n");
        return 2;
    }
    if (only.isEmpty() || only == QLatin1String("cpu"))
        measureWaitingCpu();
    if (only.isEmpty() || only == QLatin1String("swaps"))
        measureSwaps(swaps);
    if (only.isEmpty() || only == QLatin1String("rate"))
        measureModemsPerHour(modemsPerPort);
    return 0;
}
