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

// One option of the runner: its names, the name of its value (empty for a switch) and its help.
struct OptionRow
{
    QStringList names;
    QString value;
    QString help;
};

// Every option, declared once: the parser reads this table and the help prints it.
const QList<OptionRow> &Options()
{
    static const QList<OptionRow> rows{
        {{QStringLiteral("type")},
         QStringLiteral("DIR"),
         QStringLiteral("the modem type's folder name in Quillon_dir.ini (any case)")},
        {{QStringLiteral("data")},
         QStringLiteral("FOLDER"),
         QStringLiteral("folder holding Quillon_dir.ini and the type folders (default: see "
                        "Modem types below)")},
        {{QStringLiteral("port")},
         QStringLiteral("DEVICE"),
         QStringLiteral("serial device of one modem (/dev/ttyUSB0, ttyUSB0, COM1, or a stable "
                        "name such as /dev/serial/by-id/usb-...); repeat it to program several "
                        "modems at once (default: the portname of upload.ini)")},
        {{QStringLiteral("json")},
         {},
         QStringLiteral("one JSON object per line for every event instead of text; a refusal "
                        "with status 2 is also an object: {\"event\":\"error\",...}")},
        {{QStringLiteral("no-wait")},
         {},
         QStringLiteral("the modems are already switched on: do not wait for power-on; a port "
                        "that does not open, or a modem that answers none of the probes within "
                        "1 s, counts as no answer at once")},
        {{QStringLiteral("max-attempts")},
         QStringLiteral("N"),
         QStringLiteral("script modems: give a file up after N attempts and fail the run "
                        "(default: try again until it verifies, as the window does)")},
        {{QStringLiteral("write-rate")},
         QStringLiteral("N"),
         QStringLiteral("bit/s to write the modem at, instead of the profile's writerate (9600 "
                        "without one); one of 1200, 2400, 4800, 9600, 19200, 38400, 57600, "
                        "115200, 230400, 460800, 921600. A modem or port that cannot take it is "
                        "written at the rate it has")},
        {{QStringLiteral("record")},
         QStringLiteral("FILE"),
         QStringLiteral("append one JSON line per run to FILE (which modem, which files by "
                        "content, the outcome); a file that cannot be written stops the runner "
                        "before any port is touched")},
        {{QStringLiteral("identify")},
         {},
         QStringLiteral("ask each modem for its IMEI (AT+CGSN) once it first answers")},
        {{QStringLiteral("continuous")},
         {},
         QStringLiteral("a production station: each port programs modem after modem until "
                        "Ctrl-C or SIGTERM; a modem is programmed once it answers, then the port "
                        "waits until it is taken away (its device goes, or 3 s without an "
                        "answer); a modem whose IMEI was programmed earlier in the session is "
                        "not programmed again. Implies --identify; --no-wait does not apply")},
        {{QStringLiteral("quiet")},
         {},
         QStringLiteral("print only the ports' changes of state, their results and the "
                        "summary, not the log of each run")},
        {{QStringLiteral("logs")},
         QStringLiteral("DIR"),
         QStringLiteral("keep each run's log in a file of its own in DIR, named by the run's "
                        "start (UTC), port and IMEI; the run's record names it. A folder that "
                        "cannot be written stops the runner before any port is touched")},
        {{QStringLiteral("h"), QStringLiteral("help")}, {}, QStringLiteral("show this text")},
        {{QStringLiteral("version")}, {}, QStringLiteral("show the version")},
    };
    return rows;
}

// A Windows console is 80 columns wide, and a line of 80 leaves an empty one after it.
constexpr qsizetype HelpWidth = 79;
constexpr qsizetype HelpColumn = 20; // where an option's help begins

// Text broken into lines of at most HelpWidth columns: the first starts with Lead, the others
// with as many blanks.
QString wrapped(const QString &Lead, const QString &Text)
{
    QString out;
    QString line = Lead;
    const QString indent(Lead.size(), u' ');
    for (const QString &word : Text.split(u' ', Qt::SkipEmptyParts)) {
        if (line.size() > indent.size() && line.size() + 1 + word.size() > HelpWidth) {
            out += line + u'\n';
            line = indent;
        }
        if (line.size() > indent.size())
            line += u' ';
        line += word;
    }
    return out + line + u'\n';
}

// "  --type DIR", "  -h, --help".
QString optionLead(const OptionRow &Row)
{
    QStringList names;
    for (const QString &name : Row.names)
        names.append((name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name);
    QString lead = QStringLiteral("  ") + names.join(QStringLiteral(", "));
    if (!Row.value.isEmpty())
        lead += u' ' + Row.value;
    return lead.leftJustified(HelpColumn - 1) + u' ';
}

} // namespace

QString FlashHelpText(const TypesFolder &Now)
{
    QString help = QStringLiteral("Usage: quillon-flash --type DIR [OPTION]...\n\n");
    help += wrapped(
        {}, QStringLiteral("Programs modems of one type without a window: for each port it "
                           "applies the type's upload.ini (the --port given here wins over its "
                           "portname), opens the port, probes the modem with ATE0 every 250 ms "
                           "during the power-on wait of 15 s, switches it to the write rate, "
                           "runs the type's programming procedure and closes the port. Several "
                           "ports are programmed at the same time, each on its own; one failing "
                           "never disturbs the others."));
    help += QStringLiteral("\nOptions:\n");
    for (const OptionRow &row : Options())
        help += wrapped(optionLead(row), row.help);
    help += QStringLiteral(
        "\nModem types: Quillon_dir.ini and the type folders are read from the first of\n");
    help += wrapped(QStringLiteral("  1. "), QStringLiteral("the folder given with --data, else "
                                                            "$QUILLON_DATA_DIR when it is set;"));
    // A folder's name on a line of its own, never broken: it is copied from here.
    const std::pair<const char *, TypesSource> places[] = {
        {"  2. the user's folder:\n", TypesSource::User},
        {"  3. the system's folder:\n", TypesSource::System},
        {"  4. the demo types installed with the program:\n", TypesSource::Demo}};
    for (const auto &[place, source] : places)
        help +=
            QString::fromLatin1(place) + QStringLiteral("     %1;\n").arg(TypesPlaceText(source));
    help += wrapped({}, QStringLiteral("where 2 and 3 count only when they hold a "
                                       "Quillon_dir.ini. An upgrade of Quillon never touches the "
                                       "user's or the system's folder."));
    help += u'\n';
    help += wrapped(
        {}, QStringLiteral("Output: the programming log, each line prefixed with its port when "
                           "there are several, then a summary. On a terminal one live line per "
                           "port shows the phase, the files done, the size of the current "
                           "transfer and the elapsed time."));
    help += QStringLiteral("\nExit status:\n");
    const std::pair<const char *, const char *> statuses[] = {
        {"0", "every modem was programmed"},
        {"1", "at least one modem failed (the summary says which and why)"},
        {"2", "bad command line, unknown modem type, unreadable catalogue or data"},
        {"3", "no modem answered within the power-on wait"},
        {"4", "no port could be opened (held by another program, missing, no permission)"},
        {"130", "interrupted (Ctrl-C or SIGTERM): the runs stop at their next step and the "
                "ports are closed; a second Ctrl-C ends the program at once"}};
    for (const auto &[status, meaning] : statuses)
        help += wrapped(QStringLiteral("  %1").arg(QLatin1StringView(status), -5),
                        QString::fromUtf8(meaning));
    help += u'\n';
    // A path is never broken: it is copied from here.
    help +=
        QStringLiteral("The modem types are read now from: %1\n").arg(TypesFolderTextEnglish(Now));
    return help;
}

QString FlashVersionText()
{
    return QStringLiteral("quillon-flash %1\n").arg(QuillonVersion());
}

Result<FlashRequest> ParseFlashCommandLine(const QStringList &Arguments)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const OptionRow &row : Options())
        parser.addOption(row.value.isEmpty() ? QCommandLineOption(row.names)
                                             : QCommandLineOption(row.names, QString(), row.value));
    const auto set = [&parser](const char *Name) {
        return parser.isSet(QString::fromLatin1(Name));
    };
    const auto value = [&parser](const char *Name) {
        return parser.value(QString::fromLatin1(Name));
    };
    const auto values = [&parser](const char *Name) {
        return parser.values(QString::fromLatin1(Name));
    };

    if (!parser.parse(Arguments))
        return mistake(parser.errorText());
    if (set("help"))
        return FlashRequest{true, false, {}};
    if (set("version"))
        return FlashRequest{false, true, {}};
    if (!parser.positionalArguments().isEmpty())
        return mistake(QStringLiteral("Unexpected argument: ") +
                       parser.positionalArguments().first());
    if (values("type").size() != 1 || value("type").isEmpty())
        return mistake(QStringLiteral("Give the modem type once: --type DIR"));
    if (values("data").size() > 1)
        return mistake(QStringLiteral("Give the data folder at most once"));
    if (values("record").size() > 1 || (set("record") && value("record").isEmpty()))
        return mistake(QStringLiteral("Give the record file at most once: --record FILE"));
    if (values("logs").size() > 1 || (set("logs") && value("logs").isEmpty()))
        return mistake(QStringLiteral("Give the log folder at most once: --logs DIR"));
    if (set("continuous") && set("no-wait"))
        return mistake(QStringLiteral("--no-wait does not apply to --continuous"));

    FlashOptions options;
    options.type = value("type");
    options.dataFolder = FindTypesFolder(TypesPlaces::OfThisMachine(value("data"))).path;
    options.ports = values("port");
    options.json = set("json");
    options.noWait = set("no-wait");
    options.recordFile = value("record");
    options.continuous = set("continuous");
    options.quiet = set("quiet");
    options.logFolder = value("logs");
    // A station tells modems apart by their IMEI.
    options.identify = set("identify") || options.continuous;
    if (set("max-attempts")) {
        bool ok = false;
        options.maxAttempts = value("max-attempts").toInt(&ok);
        if (!ok || options.maxAttempts < 1)
            return mistake(QStringLiteral("--max-attempts needs a whole number from 1 up"));
    }
    if (set("write-rate")) {
        const QString rate = value("write-rate");
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
