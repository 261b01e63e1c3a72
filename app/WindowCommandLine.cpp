#include "WindowCommandLine.h"

#include "records/RunRecord.h"

WindowRequest ReadWindowCommandLine(const QStringList &Arguments)
{
    const QStringList options = Arguments.mid(1);
    // Asked what the program is, it says so rather than opening a window.
    if (options.contains(QStringLiteral("--help")) || options.contains(QStringLiteral("-h")))
        return WindowRequest::Help;
    if (options.contains(QStringLiteral("--version")))
        return WindowRequest::Version;
    if (options.contains(QStringLiteral("--demo")))
        return WindowRequest::Demo;
    return WindowRequest::Window;
}

QString WindowHelpText()
{
    return QStringLiteral(
        "Usage: quillon [--demo]\n"
        "       quillon --station [--type DIR] [--data FOLDER] [--port DEVICE ...]\n"
        "                         [--record FILE] [--write-rate N]\n"
        "\n"
        "The window that writes firmware into AT-command modems over a serial port, one modem at\n"
        "a time. The modem types are read from the first of: $QUILLON_DATA_DIR; the user's\n"
        "folder; the system's folder; the demo types installed with the program (see quillon(1)).\n"
        "\n"
        "Options:\n"
        "  --demo     start three simulated modems (quillon-modemsim) and the window on the demo\n"
        "             types, to try Quillon without a modem; the simulators stop with the window\n"
        "  --station  the station window: every chosen port programs modem after modem; with\n"
        "             --type and --port it begins at once (--data, --record and --write-rate\n"
        "             as in quillon-flash)\n"
        "  --version  show the version\n"
        "  -h, --help show this text\n");
}

QString WindowVersionText()
{
    return QStringLiteral("quillon %1\n").arg(QuillonVersion());
}
