#pragma once

#include <QString>
#include <QStringList>

// What the window program is asked for on its command line. Options it does not know are left to
// Qt (-platform, -style, ...), so the window still starts with them.
enum class WindowRequest
{
    Window,  // the window on the modem types of the usual places
    Demo,    // --demo: the simulated modems, and the window on the demo types
    Version, // --version
    Help     // -h, --help
};

WindowRequest ReadWindowCommandLine(const QStringList &Arguments);

QString WindowHelpText();
QString WindowVersionText(); // "quillon 1.0"
