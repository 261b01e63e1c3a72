#include "FlashOptions.h"

#include "catalogue/ModemCatalogue.h"
#include "serial/SerialPorts.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

namespace {

Failure mistake(const QString &Text)
{
    return {Failure::Kind::Usage, Text + QStringLiteral("\nTry 'quillon-flash --help'.\n")};
}

QString withTrailingSeparator(const QString &Folder)
{
    const QString clean = QDir::cleanPath(QDir(Folder).absolutePath());
    return clean.endsWith(u'/') ? clean : clean + u'/';
}

// Two runs on one device would talk over each other, whatever spelling named it.
std::optional<QString> repeatedPort(const QStringList &Ports)
{
    QStringList devices;
    for (const QString &port : Ports) {
        // A link and its target are one device.
        const QString path = ResolveDevicePath(port);
        const QString canonical = QFileInfo(path).canonicalFilePath();
        const QString device = canonical.isEmpty() ? path : canonical;
        if (devices.contains(device))
            return port;
        devices.append(device);
    }
    return std::nullopt;
}

} // namespace

QString FlashHelpText()
{
    return QStringLiteral(
        "Usage: quillon-flash --type DIR [--data FOLDER] --port DEVICE [--port DEVICE ...]\n"
        "                     [--json] [--no-wait] [--max-attempts N]\n"
        "\n"
        "Programs modems of one type without a window: for each port it applies the type's\n"
        "upload.ini (the --port given here wins over its portname), opens the port, probes the\n"
        "modem with ATE0 every 250 ms during the power-on wait of 15 s, switches it to 9600 "
        "bit/s,\n"
        "runs the type's programming procedure and closes the port. Several ports are programmed\n"
        "at the same time, each on its own; one failing never disturbs the others.\n"
        "\n"
        "Options:\n"
        "  --type DIR       modem type: its folder name in Quillon_dir.ini (any letter case)\n"
        "  --data FOLDER    folder holding Quillon_dir.ini and the type folders\n"
        "                   (default: the program's own folder, or $QUILLON_DATA_DIR)\n"
        "  --port DEVICE    serial device of one modem (/dev/ttyUSB0, ttyUSB0, COM1);\n"
        "                   repeat it to program several modems at once\n"
        "  --json           one JSON object per line for every event instead of text\n"
        "  --no-wait        the modems are already switched on: do not wait for power-on; a\n"
        "                   port that does not open, or a modem that answers none of the probes\n"
        "                   within 1 s, counts as no answer at once\n"
        "  --max-attempts N script modems: give a file up after N attempts and fail the run\n"
        "                   (default: try again until it verifies, as the window does)\n"
        "  -h, --help       show this text\n"
        "\n"
        "Output: the programming log, each line prefixed with its port when there are several,\n"
        "then a summary. On a terminal one live line per port shows the phase, the files done,\n"
        "the size of the current transfer and the elapsed time.\n"
        "\n"
        "Exit status:\n"
        "  0    every modem was programmed\n"
        "  1    at least one modem failed (the summary says which and why)\n"
        "  2    bad command line, unknown modem type, unreadable catalogue or data\n"
        "  3    no modem answered within the power-on wait\n"
        "  130  interrupted (Ctrl-C or SIGTERM): the runs stop at their next step and the ports\n"
        "       are closed; a second Ctrl-C ends the program at once\n");
}

Result<FlashOptions> ParseFlashCommandLine(const QStringList &Arguments)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption typeOption(QStringLiteral("type"), QString(), QStringLiteral("DIR"));
    const QCommandLineOption dataOption(QStringLiteral("data"), QString(),
                                        QStringLiteral("FOLDER"));
    const QCommandLineOption portOption(QStringLiteral("port"), QString(),
                                        QStringLiteral("DEVICE"));
    const QCommandLineOption jsonOption(QStringLiteral("json"));
    const QCommandLineOption noWaitOption(QStringLiteral("no-wait"));
    const QCommandLineOption maxAttemptsOption(QStringLiteral("max-attempts"), QString(),
                                               QStringLiteral("N"));
    const QCommandLineOption helpOption(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    parser.addOptions({typeOption, dataOption, portOption, jsonOption, noWaitOption,
                       maxAttemptsOption, helpOption});

    if (!parser.parse(Arguments))
        return mistake(parser.errorText());
    if (parser.isSet(helpOption)) {
        FlashOptions help;
        help.help = true;
        return help;
    }
    if (!parser.positionalArguments().isEmpty())
        return mistake(QStringLiteral("Unexpected argument: ") +
                       parser.positionalArguments().first());
    if (parser.values(typeOption).size() != 1 || parser.value(typeOption).isEmpty())
        return mistake(QStringLiteral("Give the modem type once: --type DIR"));
    if (parser.values(dataOption).size() > 1)
        return mistake(QStringLiteral("Give the data folder at most once"));

    FlashOptions options;
    options.type = parser.value(typeOption);
    options.dataFolder = parser.isSet(dataOption) ? withTrailingSeparator(parser.value(dataOption))
                                                  : ProgramFolder();
    options.ports = parser.values(portOption);
    options.json = parser.isSet(jsonOption);
    options.noWait = parser.isSet(noWaitOption);
    if (parser.isSet(maxAttemptsOption)) {
        bool ok = false;
        options.maxAttempts = parser.value(maxAttemptsOption).toInt(&ok);
        if (!ok || options.maxAttempts < 1)
            return mistake(QStringLiteral("--max-attempts needs a whole number from 1 up"));
    }

    if (options.ports.isEmpty())
        return mistake(QStringLiteral("Name at least one port: --port DEVICE"));
    if (options.ports.contains(QString()))
        return mistake(QStringLiteral("A port name is empty"));
    if (const auto port = repeatedPort(options.ports))
        return mistake(QStringLiteral("The port %1 is named twice").arg(*port));

    return options;
}
