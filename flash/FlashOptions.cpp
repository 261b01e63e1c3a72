#include "FlashOptions.h"

#include "atlink/WriteRate.h"
#include "catalogue/ModemCatalogue.h"
#include "serial/SerialPorts.h"

#include <QCommandLineParser>
#include <QDir>

namespace {

Failure mistake(const QString &Text)
{
    return {Failure::Kind::Usage, Text};
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
        const QString device = PortDevice(port);
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
        "Usage: quillon-flash --type DIR [OPTION]...\n"
        "\n"
        "Programs modems of one type without a window: for each port it applies the type's\n"
        "upload.ini (the --port given here wins over its portname), opens the port, probes the\n"
        "modem with ATE0 every 250 ms during the power-on wait of 15 s, switches it to the write\n"
        "rate, runs the type's programming procedure and closes the port. Several ports are\n"
        "programmed at the same time, each on its own; one failing never disturbs the others.\n"
        "\n"
        "Options:\n"
        "  --type DIR        modem type: its folder name in Quillon_dir.ini (any letter case)\n"
        "  --data FOLDER     folder holding Quillon_dir.ini and the type folders\n"
        "                    (default: the program's own folder, or $QUILLON_DATA_DIR)\n"
        "  --port DEVICE     serial device of one modem (/dev/ttyUSB0, ttyUSB0, COM1, or a stable\n"
        "                    name such as /dev/serial/by-id/usb-...); repeat it to program\n"
        "                    several modems at once (default: the portname of upload.ini)\n"
        "  --json            one JSON object per line for every event instead of text; a refusal\n"
        "                    with status 2 is also an object: {\"event\":\"error\",...}\n"
        "  --no-wait         the modems are already switched on: do not wait for power-on; a\n"
        "                    port that does not open, or a modem that answers none of the probes\n"
        "                    within 1 s, counts as no answer at once\n"
        "  --max-attempts N  script modems: give a file up after N attempts and fail the run\n"
        "                    (default: try again until it verifies, as the window does)\n"
        "  --write-rate N    bit/s to write the modem at, instead of the profile's writerate\n"
        "                    (9600 without one); one of 1200, 2400, 4800, 9600, 19200, 38400,\n"
        "                    57600, 115200, 230400, 460800, 921600. A modem or port that cannot\n"
        "                    take it is written at the rate it has\n"
        "  --record FILE     append one JSON line per run to FILE (which modem, which files by\n"
        "                    content, the outcome); a file that cannot be written stops the\n"
        "                    runner before any port is touched\n"
        "  --identify        ask each modem for its IMEI (AT+CGSN) after its first answer\n"
        "  --continuous      a production station: each port programs modem after modem until\n"
        "                    Ctrl-C or SIGTERM; a modem is programmed once it answers, then the\n"
        "                    port waits until it is taken away (its device goes, or 3 s without\n"
        "                    an answer); a modem whose IMEI was programmed earlier in the session\n"
        "                    is not programmed again. Implies --identify; --no-wait does not "
        "apply\n"
        "  --quiet           print only the ports' changes of state, their results and the\n"
        "                    summary, not the log of each run\n"
        "  --logs DIR        keep each run's log in a file of its own in DIR, named by the run's\n"
        "                    start (UTC), port and IMEI; the run's record names it. A folder\n"
        "                    that cannot be written stops the runner before any port is touched\n"
        "  -h, --help        show this text\n"
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
        "  4    no port could be opened (held by another program, missing, no permission)\n"
        "  130  interrupted (Ctrl-C or SIGTERM): the runs stop at their next step and the ports\n"
        "       are closed; a second Ctrl-C ends the program at once\n");
}

Result<FlashRequest> ParseFlashCommandLine(const QStringList &Arguments)
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
    const QCommandLineOption writeRateOption(QStringLiteral("write-rate"), QString(),
                                             QStringLiteral("N"));
    const QCommandLineOption recordOption(QStringLiteral("record"), QString(),
                                          QStringLiteral("FILE"));
    const QCommandLineOption identifyOption(QStringLiteral("identify"));
    const QCommandLineOption continuousOption(QStringLiteral("continuous"));
    const QCommandLineOption quietOption(QStringLiteral("quiet"));
    const QCommandLineOption logsOption(QStringLiteral("logs"), QString(), QStringLiteral("DIR"));
    const QCommandLineOption helpOption(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    parser.addOptions({typeOption, dataOption, portOption, jsonOption, noWaitOption,
                       maxAttemptsOption, writeRateOption, recordOption, identifyOption,
                       continuousOption, quietOption, logsOption, helpOption});

    if (!parser.parse(Arguments))
        return mistake(parser.errorText());
    if (parser.isSet(helpOption)) {
        return FlashRequest{true, {}};
    }
    if (!parser.positionalArguments().isEmpty())
        return mistake(QStringLiteral("Unexpected argument: ") +
                       parser.positionalArguments().first());
    if (parser.values(typeOption).size() != 1 || parser.value(typeOption).isEmpty())
        return mistake(QStringLiteral("Give the modem type once: --type DIR"));
    if (parser.values(dataOption).size() > 1)
        return mistake(QStringLiteral("Give the data folder at most once"));
    if (parser.values(recordOption).size() > 1 ||
        (parser.isSet(recordOption) && parser.value(recordOption).isEmpty()))
        return mistake(QStringLiteral("Give the record file at most once: --record FILE"));
    if (parser.values(logsOption).size() > 1 ||
        (parser.isSet(logsOption) && parser.value(logsOption).isEmpty()))
        return mistake(QStringLiteral("Give the log folder at most once: --logs DIR"));
    if (parser.isSet(continuousOption) && parser.isSet(noWaitOption))
        return mistake(QStringLiteral("--no-wait does not apply to --continuous"));

    FlashOptions options;
    options.type = parser.value(typeOption);
    options.dataFolder = parser.isSet(dataOption) ? withTrailingSeparator(parser.value(dataOption))
                                                  : ProgramFolder();
    options.ports = parser.values(portOption);
    options.json = parser.isSet(jsonOption);
    options.noWait = parser.isSet(noWaitOption);
    options.recordFile = parser.value(recordOption);
    options.continuous = parser.isSet(continuousOption);
    options.quiet = parser.isSet(quietOption);
    options.logFolder = parser.value(logsOption);
    // A station tells modems apart by their IMEI.
    options.identify = parser.isSet(identifyOption) || options.continuous;
    if (parser.isSet(maxAttemptsOption)) {
        bool ok = false;
        options.maxAttempts = parser.value(maxAttemptsOption).toInt(&ok);
        if (!ok || options.maxAttempts < 1)
            return mistake(QStringLiteral("--max-attempts needs a whole number from 1 up"));
    }
    if (parser.isSet(writeRateOption)) {
        const QString rate = parser.value(writeRateOption);
        options.writeRate = WriteRateNamed(rate);
        if (!options.writeRate)
            return mistake(QStringLiteral("--write-rate %1 is not a write rate; use one of %2")
                               .arg(rate, WriteRateList()));
    }

    if (options.ports.contains(QString()))
        return mistake(QStringLiteral("A port name is empty"));
    if (const auto port = repeatedPort(options.ports))
        return mistake(QStringLiteral("The port %1 is named twice").arg(*port));

    return FlashRequest{false, options};
}

bool AsksForJson(const QStringList &Arguments)
{
    for (const QString &argument : Arguments.mid(1)) {
        if (argument == u"--")
            return false;
        if (argument == u"--json" || argument == u"-json")
            return true;
    }
    return false;
}
