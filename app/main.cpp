#include "app/DemoSimulators.h"
#include "app/QuillonApplication.h"
#include "app/StationSetup.h"
#include "app/StationWindow.h"
#include "app/TfCOMProperty.h"
#include "app/TfMain.h"
#include "app/WindowCommandLine.h"
#include "app/WindowPlacement.h"
#include "common/RunGuarded.h"
#include "language/Language.h"

#include <QTimer>

#include <cstdio>
#include <optional>

namespace {

constexpr int BadInvocation = 2;

void print(std::FILE *Stream, const QString &Text)
{
    std::fputs(Text.toLocal8Bit().constData(), Stream);
}

// The station: every chosen port programs modem after modem; with a type and ports named on the
// command line it begins at once, as a line's computer starts it at log-in.
int runStation(const StationRequest &Request)
{
    StationWindow station;
    station.applySetup(Request.setup);
    station.show();
    if (Request.startNow)
        QTimer::singleShot(0, &station, [&station] { station.start(); });
    return QuillonApplication::exec();
}

int runWindows(int argc, char **argv)
{
    QStringList arguments;
    for (int index = 0; index < argc; ++index)
        arguments.append(QString::fromLocal8Bit(argv[index]));
    // Answered before Qt starts, which needs a display.
    const WindowRequest request = ReadWindowCommandLine(arguments);
    if (request == WindowRequest::Help || request == WindowRequest::Version) {
        print(stdout, request == WindowRequest::Help ? WindowHelpText() : WindowVersionText());
        return 0;
    }

    QuillonApplication application(argc, argv);
    TfMain::Setup setup;
    std::optional<DemoSimulators> demo;
    if (request == WindowRequest::Demo) {
        const QString ports = DemoSimulators::PortsFolder();
        demo.emplace(QCoreApplication::applicationDirPath() + QStringLiteral("/quillon-modemsim"),
                     DemoSimulators::DemoFolder(), ports);
        if (const auto problem = demo->start()) {
            print(stderr, problem->text + u'\n');
            return 1;
        }
        // The port dialog lists the simulators' ports.
        qputenv("QUILLON_PORTS_DIR", ports.toLocal8Bit());
        setup.typesFolder = DemoSimulators::DemoFolder();
        setup.typesSource = TypesSource::Demo;
    } else {
        const auto station = ParseStationCommandLine(QuillonApplication::arguments());
        if (!station) {
            print(stderr, station.failure().text + u'\n');
            return BadInvocation;
        }
        if (station->station) {
            // Each window starts in the language chosen in its own settings.
            StartInLanguage(StoredLanguage(DefaultStationSettingsFile()));
            return runStation(*station);
        }
    }
    StartInLanguage(StoredLanguage(WindowPlacement::defaultFile()));
    // The two windows live as long as the program; closing the main window ends it.
    TfCOMProperty fCOMProperty;
    TfMain fMain(fCOMProperty, setup);
    fMain.show();
    return QuillonApplication::exec();
}

} // namespace

int main(int argc, char **argv)
{
    // The windows' handlers catch what they expect; what could still escape ends the program with
    // a line naming it instead of an abort without a word.
    return RunGuarded("quillon", 1, [&] { return runWindows(argc, argv); });
}
