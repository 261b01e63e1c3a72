// quillon-modemsim: a modem simulator on a pseudo-terminal for the demo and for trying the program
// without hardware. The port dialog lists the link it leaves in the virtual port folder.
#include "common/RunGuarded.h"
#include "tools/modemsim/ModemSimulator.h"
#include "tools/modemsim/SimulatorCommandLine.h"

#include <QCoreApplication>
#include <QDir>

#include <csignal>
#include <cstdio>
#include <pthread.h>

namespace {

using namespace modemsim;

// The same folder the port dialog looks in.
QString virtualPortFolder()
{
    if (QString dir = qEnvironmentVariable("QUILLON_PORTS_DIR"); !dir.isEmpty())
        return dir;
    if (const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR"); !runtime.isEmpty())
        return runtime + QStringLiteral("/quillon-ports");
    return QStringLiteral("/tmp/quillon-ports");
}

// One line per record: time since start, direction, byte count, the bytes as text and as hex.
class WirePrinter
{
public:
    void operator()(const WireRecord &record) const
    {
        const double seconds = std::chrono::duration<double>(record.when - start).count();
        QByteArray text;
        for (const char c : record.bytes) {
            if (c == '\r')
                text += "\\r";
            else if (c == '\n')
                text += "\\n";
            else if (c >= 0x20 && c < 0x7F)
                text += c;
            else
                text += '.';
        }
        const QByteArray line = QByteArray::number(seconds, 'f', 3) +
                                (record.direction == WireRecord::Received ? " <- " : " -> ") +
                                QByteArray::number(record.bytes.size()) + " bytes \"" + text +
                                "\" " + record.bytes.toHex(' ').toUpper() + '\n';
        std::fputs(line.constData(), stdout);
        std::fflush(stdout);
    }

private:
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
};

// The serial number of the modem put on after the one with Imei: the same with its number one up.
QByteArray NextImei(const QByteArray &Imei)
{
    bool ok = false;
    const qulonglong number = Imei.toULongLong(&ok);
    if (!ok)
        return Imei;
    return QByteArray::number(number + 1).rightJustified(Imei.size(), '0');
}

int runSimulator(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quillon-modemsim"));
    auto parsed = parseSimulatorCommandLine(QCoreApplication::arguments());
    if (const QString *error = std::get_if<QString>(&parsed)) {
        std::fprintf(stderr, "quillon-modemsim: %s (see --help)\n", qPrintable(*error));
        return 2;
    }
    SimulatorSetup &setup = std::get<SimulatorSetup>(parsed);

    // Blocked before the simulator's thread starts, so that only sigwait below sees them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    sigaddset(&stopSignals, SIGUSR1);
    sigaddset(&stopSignals, SIGUSR2);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    setup.options.wireObserver = WirePrinter();
    // Every record is printed as it is made; the simulator may run for days.
    setup.options.keepRecords = false;
    QDir().mkpath(virtualPortFolder());
    setup.options.linkPath = virtualPortFolder() + u'/' + setup.name;
    const QString link = setup.options.linkPath;
    QByteArray imei = setup.options.imei;
    const modemsim::Faults faults = setup.options.faults;
    ModemSimulator simulator(std::move(setup.options));
    std::printf("device %s\nlink %s\n", qPrintable(simulator.devicePath()), qPrintable(link));
    std::fflush(stdout);
    // A station's bench: SIGUSR1 takes the modem off its port, SIGUSR2 puts the next one on.
    for (;;) {
        int signal = 0;
        sigwait(&stopSignals, &signal);
        if (signal == SIGUSR1) {
            simulator.takeModemOff(true);
            std::printf("modem taken off\n");
        } else if (signal == SIGUSR2) {
            imei = NextImei(imei);
            simulator.putModemOn(imei, faults);
            std::printf("modem put on, IMEI %s, device %s\n",
                        imei.isEmpty() ? "none" : imei.constData(),
                        qPrintable(simulator.devicePath()));
        } else {
            return 0;
        }
        std::fflush(stdout);
    }
}

} // namespace

int main(int argc, char **argv)
{
    // A simulator that cannot start says why: a test waiting for its device line needs the reason.
    return RunGuarded("quillon-modemsim", 1, [&] { return runSimulator(argc, argv); });
}
