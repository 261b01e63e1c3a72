#include "app/QuillonApplication.h"
#include "app/StationSetup.h"
#include "app/StationWindow.h"
#include "app/TfCOMProperty.h"
#include "app/TfMain.h"
#include "app/WindowPlacement.h"
#include "common/RunGuarded.h"
#include "language/Language.h"

#include <QTimer>

#include <cstdio>

namespace {

constexpr int BadInvocation = 2;

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
    QuillonApplication application(argc, argv);
    const auto request = ParseStationCommandLine(QuillonApplication::arguments());
    if (!request) {
        std::fprintf(stderr, "%s\n", qPrintable(request.failure().text));
        return BadInvocation;
    }
    // Each window remembers the language chosen in its settings.
    StartInLanguage(StoredLanguage(request->station ? DefaultStationSettingsFile()
                                                    : WindowPlacement::defaultFile()));
    if (request->station)
        return runStation(*request);
    // The two windows live as long as the program; closing the main window ends it.
    TfCOMProperty fCOMProperty;
    TfMain fMain(fCOMProperty);
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
