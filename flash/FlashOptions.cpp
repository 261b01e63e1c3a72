#include "FlashOptions.h"

#include "atlink/WriteRate.h"
#include "records/RunRecord.h"
#include "serial/SerialPorts.h"

#include <QCommandLineParser>

namespace {

Failure mistake(const QString &Text)
{
    return {Failure::Kind::Usage, Text};
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

QString FlashHelpText(const TypesFolder &Now)
{
    return QStringLiteral(
               "Usage: quillon-flash --type DIR [OPTION]...\n"
               "\n"
               "Programs modems of one type without a window: for each port it applies the\n"
               "type's upload.ini (the --port given here wins over its portname), opens the\n"
               "port, probes the modem with ATE0 every 250 ms during the power-on wait of 15 s,\n"
               "switches it to the write rate, runs the type's programming procedure and closes\n"
               "the port. Several ports are programmed at the same time, each on its own; one\n"
               "failing never disturbs the others.\n"
               "\n"
               "Options:\n"
               "  --type DIR        the modem type's folder name in Quillon_dir.ini (any case)\n"
               "  --data FOLDER     folder holding Quillon_dir.ini and the type folders\n"
               "                    (default: see Modem types below)\n"
               "  --port DEVICE     serial device of one modem (/dev/ttyUSB0, ttyUSB0, COM1, or\n"
               "                    a stable name such as /dev/serial/by-id/usb-...); repeat it\n"
               "                    to program several modems at once (default: the portname\n"
               "                    of upload.ini)\n"
               "  --json            one JSON object per line for every event instead of text;\n"
               "                    a refusal with status 2 is also an object:\n"
               "                    {\"event\":\"error\",...}\n"
               "  --no-wait         the modems are already switched on: do not wait for\n"
               "                    power-on; a port that does not open, or a modem that\n"
               "                    answers none of the probes within 1 s, counts as no answer\n"
               "                    at once\n"
               "  --max-attempts N  script modems: give a file up after N attempts and fail the\n"
               "                    run (default: try again until it verifies, as the window\n"
               "                    does)\n"
               "  --write-rate N    bit/s to write the modem at, instead of the profile's\n"
               "                    writerate (9600 without one); one of 1200, 2400, 4800,\n"
               "                    9600, 19200, 38400, 57600, 115200, 230400, 460800, 921600.\n"
               "                    A modem or port that cannot take it is written at the rate\n"
               "                    it has\n"
               "  --record FILE     append one JSON line per run to FILE (which modem, which\n"
               "                    files by content, the outcome); a file that cannot be\n"
               "                    written stops the runner before any port is touched\n"
               "  --identify        ask each modem for its IMEI (AT+CGSN) once it first answers\n"
               "  --continuous      a production station: each port programs modem after modem\n"
               "                    until Ctrl-C or SIGTERM; a modem is programmed once it\n"
               "                    answers, then the port waits until it is taken away (its\n"
               "                    device goes, or 3 s without an answer); a modem whose IMEI\n"
               "                    was programmed earlier in the session is not programmed\n"
               "                    again. Implies --identify; --no-wait does not apply\n"
               "  --quiet           print only the ports' changes of state, their results and\n"
               "                    the summary, not the log of each run\n"
               "  --logs DIR        keep each run's log in a file of its own in DIR, named by\n"
               "                    the run's start (UTC), port and IMEI; the run's record\n"
               "                    names it. A folder that cannot be written stops the runner\n"
               "                    before any port is touched\n"
               "  -h, --help        show this text\n"
               "  --version         show the version\n"
               "\n"
               "Modem types: Quillon_dir.ini and the type folders are read from the first of\n"
               "  1. the folder given with --data, else $QUILLON_DATA_DIR when it is set;\n"
               "  2. the user's folder:\n"
               "     %1;\n"
               "  3. the system's folder:\n"
               "     %2;\n"
               "  4. the demo types installed with the program:\n"
               "     %3;\n"
               "where 2 and 3 count only when they hold a Quillon_dir.ini. An upgrade of\n"
               "Quillon never touches the user's or the system's folder.\n"
               "\n"
               "Output: the programming log, each line prefixed with its port when there are\n"
               "several, then a summary. On a terminal one live line per port shows the phase,\n"
               "the files done, the size of the current transfer and the elapsed time.\n"
               "\n"
               "Exit status:\n"
               "  0    every modem was programmed\n"
               "  1    at least one modem failed (the summary says which and why)\n"
               "  2    bad command line, unknown modem type, unreadable catalogue or data\n"
               "  3    no modem answered within the power-on wait\n"
               "  4    no port could be opened (held by another program, missing, no\n"
               "       permission)\n"
               "  130  interrupted (Ctrl-C or SIGTERM): the runs stop at their next step and\n"
               "       the ports are closed; a second Ctrl-C ends the program at once\n"
               "\n"
               "The modem types are read now from: %4\n")
        .arg(TypesPlaceText(TypesSource::User), TypesPlaceText(TypesSource::System),
             TypesPlaceText(TypesSource::Demo), TypesFolderTextEnglish(Now));
}

QString FlashVersionText()
{
    return QStringLiteral("quillon-flash %1\n").arg(QuillonVersion());
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
    const QCommandLineOption versionOption(QStringLiteral("version"));
    parser.addOptions({typeOption, dataOption, portOption, jsonOption, noWaitOption,
                       maxAttemptsOption, writeRateOption, recordOption, identifyOption,
                       continuousOption, quietOption, logsOption, helpOption, versionOption});

    if (!parser.parse(Arguments))
        return mistake(parser.errorText());
    if (parser.isSet(helpOption))
        return FlashRequest{true, false, {}};
    if (parser.isSet(versionOption))
        return FlashRequest{false, true, {}};
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
    options.dataFolder = FindTypesFolder(TypesPlaces::OfThisMachine(parser.value(dataOption))).path;
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

    return FlashRequest{false, false, options};
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
