#include "SimulatorCommandLine.h"

#include <QCommandLineParser>

namespace modemsim {
namespace {

using std::chrono::milliseconds;

struct Flag
{
    const char *name;
    const char *help;
    const char *value; // nullptr for a switch
};

constexpr Flag kFlags[] = {
    {"family", "The modem family to answer as: script, java, replay or every (all three).",
     "family"},
    {"transfer-log", "Replay family: the transfer log whose blocks are answered.", "file"},
    {"name",
     "The name of the link to the device in the virtual port folder ($QUILLON_PORTS_DIR, else "
     "$XDG_RUNTIME_DIR/quillon-ports, else /tmp/quillon-ports); default: the family.",
     "name"},
    {"line-ends", "CR LF pairs around each result code (default 1).", "n"},
    {"power-on-delay", "Input is lost for this long after the start, as on a booting modem.", "ms"},
    {"power-on-line", "An unsolicited line sent at power-up, e.g. ^SYSSTART (repeatable).", "text"},
    {"line-rate",
     "Take input no faster than a serial line of this many bits per second carries it (one "
     "character per frame of the program's character format); AT+IPR changes it.",
     "bps"},
    {"max-rate", "Answer ERROR to AT+IPR asking for more bits per second than this.", "bps"},
    {"imei",
     "The modem's serial number, answered to AT+CGSN (default 356938035643809); the next modem "
     "put on (SIGUSR2) has it one up. SIGUSR1 takes the modem off (its device goes).",
     "digits"},
    {"no-imei", "Answer AT+CGSN with ERROR, as a modem that does not tell its number.", nullptr},
    {"raw-timeout", "A raw transfer that goes quiet this long fails (default 2000).", "ms"},
    {"silent", "Never answer this command (matched up to and including the first '=').", "command"},
    {"error", "Answer this command with TEXT (default ERROR), e.g. 'AT#DSCRIPT=@+CME ERROR: 4'.",
     "command[@text]"},
    {"fail-first", "Answer this command ERROR the first N times, e.g. 'AT#LCSCRIPT=@2'.",
     "command@n"},
    {"delay", "Delay every answer by this.", "ms"},
    {"garbage", "Put stray bytes before every answer.", nullptr},
    {"zero-bytes", "Put a zero byte before and after every answer.", nullptr},
    {"wrong-crc", "The first N stored scripts report a wrong CRC.", "n"},
    {"vanish-after", "Close the device after this many received bytes.", "bytes"},
    {"come-back-after", "After vanishing, open a new device this long later (the link follows).",
     "ms"},
    {"stall-after", "Take no more input after this many received bytes (a held line).", "bytes"},
    {"split", "Cut every answer into this many pieces.", "n"},
    {"split-pause", "The pause between the pieces of a cut answer.", "ms"},
    {"never-answer-probe", "Never answer ATE0, as a modem that is off.", nullptr},
    {"no-write-prompt", "Script family: no >>> prompt after AT#WSCRIPT.", nullptr},
    {"jdl-timeout", "Java family: every download ends in JDL TIMEOUT.", nullptr},
};

class Reader
{
public:
    explicit Reader(const QCommandLineParser &p) : parser(p) {}

    QString error;

    int number(const char *flag, int fallback)
    {
        const QString name = QString::fromLatin1(flag);
        if (!parser.isSet(name))
            return fallback;
        bool ok = false;
        const int value = parser.value(name).toInt(&ok);
        if (!ok || value < 0)
            fail(QStringLiteral("--%1 needs a number, not \"%2\"").arg(name, parser.value(name)));
        return value;
    }

    milliseconds duration(const char *flag, milliseconds fallback)
    {
        return milliseconds(number(flag, static_cast<int>(fallback.count())));
    }

    bool isSet(const char *flag) const { return parser.isSet(QString::fromLatin1(flag)); }
    QStringList values(const char *flag) const { return parser.values(QString::fromLatin1(flag)); }
    QString value(const char *flag) const { return parser.value(QString::fromLatin1(flag)); }

    void fail(const QString &message)
    {
        if (error.isEmpty())
            error = message;
    }

private:
    const QCommandLineParser &parser;
};

std::optional<Family> familyNamed(const QString &name)
{
    if (name == u"script")
        return Family::Script;
    if (name == u"java")
        return Family::Java;
    if (name == u"replay")
        return Family::Replay;
    if (name == u"every")
        return Family::Every;
    return std::nullopt;
}

// "COMMAND@TEXT" split at its last '@'; without one, the text is empty.
std::pair<QByteArray, QByteArray> commandAndText(const QString &value)
{
    const qsizetype at = value.lastIndexOf(u'@');
    if (at < 0)
        return {value.toLatin1(), {}};
    return {value.left(at).toLatin1(), value.mid(at + 1).toLatin1()};
}

void readFaults(Reader &reader, Faults &faults)
{
    for (const QString &command : reader.values("silent"))
        faults.silentCommands.push_back(command.toLatin1());
    for (const QString &value : reader.values("error")) {
        const auto [command, text] = commandAndText(value);
        faults.errorCommands[command] = text.isEmpty() ? QByteArray("ERROR") : text;
    }
    for (const QString &value : reader.values("fail-first")) {
        const auto [command, count] = commandAndText(value);
        bool ok = false;
        faults.failFirstN[command] = count.toInt(&ok);
        if (!ok)
            reader.fail(QStringLiteral("--fail-first needs COMMAND@N, not \"%1\"").arg(value));
    }
    faults.answerDelay = reader.duration("delay", faults.answerDelay);
    faults.garbage = reader.isSet("garbage");
    faults.zeroBytes = reader.isSet("zero-bytes");
    faults.wrongCrcWrites = reader.number("wrong-crc", 0);
    if (reader.isSet("vanish-after"))
        faults.vanishAfterBytes = reader.number("vanish-after", 0);
    if (reader.isSet("come-back-after"))
        faults.comeBackAfter = reader.duration("come-back-after", {});
    if (reader.isSet("stall-after"))
        faults.stallAfterBytes = reader.number("stall-after", 0);
    faults.splitReplies = reader.number("split", 0);
    faults.splitPause = reader.duration("split-pause", faults.splitPause);
    faults.neverAnswerProbe = reader.isSet("never-answer-probe");
    faults.noWritePrompt = reader.isSet("no-write-prompt");
    faults.jdlTimeout = reader.isSet("jdl-timeout");
}

} // namespace

std::variant<SimulatorSetup, QString> parseSimulatorCommandLine(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Answers on a pseudo-terminal as a modem of the chosen family would, until SIGINT or "
        "SIGTERM. Prints the device and the link made to it, then one line per block of bytes: "
        "seconds since the start, \"<-\" received or \"->\" sent, the count, the bytes as "
        "text and as hex."));
    parser.addHelpOption();
    for (const Flag &flag : kFlags) {
        const QString name = QString::fromLatin1(flag.name);
        const QString help = QString::fromLatin1(flag.help);
        parser.addOption(flag.value
                             ? QCommandLineOption(name, help, QString::fromLatin1(flag.value))
                             : QCommandLineOption(name, help));
    }
    if (!parser.parse(arguments))
        return parser.errorText();
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);

    SimulatorSetup setup;
    const auto family = familyNamed(parser.value(QStringLiteral("family")));
    if (!family)
        return QStringLiteral("--family must be script, java, replay or every");
    setup.options.family = *family;
    setup.name = parser.isSet(QStringLiteral("name")) ? parser.value(QStringLiteral("name"))
                                                      : parser.value(QStringLiteral("family"));

    Reader reader(parser);
    setup.options.transferLog = reader.value("transfer-log");
    if (setup.options.family == Family::Replay && setup.options.transferLog.isEmpty())
        reader.fail(QStringLiteral("the replay family needs --transfer-log"));
    setup.options.lineEnds = reader.number("line-ends", setup.options.lineEnds);
    setup.options.powerOnDelay = reader.duration("power-on-delay", setup.options.powerOnDelay);
    for (const QString &line : reader.values("power-on-line"))
        setup.options.powerOnLines += "\r\n" + line.toLatin1() + "\r\n";
    setup.options.rawByteTimeout = reader.duration("raw-timeout", setup.options.rawByteTimeout);
    setup.options.lineRate = static_cast<std::uint32_t>(
        reader.number("line-rate", static_cast<int>(setup.options.lineRate)));
    setup.options.maxRate = static_cast<std::uint32_t>(reader.number("max-rate", 0));
    if (reader.isSet("imei"))
        setup.options.imei = reader.value("imei").toLatin1();
    if (reader.isSet("no-imei"))
        setup.options.imei.clear();
    readFaults(reader, setup.options.faults);
    if (!reader.error.isEmpty())
        return reader.error;
    return setup;
}

} // namespace modemsim
