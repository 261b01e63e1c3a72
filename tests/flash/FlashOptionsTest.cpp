#include "flash/FlashOptions.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QStringList commandLine(const char *Arguments)
{
    QStringList arguments = QString::fromUtf8(Arguments).split(u' ', Qt::SkipEmptyParts);
    arguments.prepend(QStringLiteral("quillon-flash"));
    return arguments;
}

Result<FlashRequest> parse(const char *Arguments)
{
    return ParseFlashCommandLine(commandLine(Arguments));
}

TEST(FlashOptions, ReadsEveryOptionAndKeepsThePortOrder)
{
#ifdef Q_OS_WIN
    const char *const dataArgument = "C:\\srv\\quillon\\..\\quillon-data";
    const QString dataFolder = QStringLiteral("C:/srv/quillon-data/");
#else
    const char *const dataArgument = "/srv/quillon/../quillon-data";
    const QString dataFolder = QStringLiteral("/srv/quillon-data/");
#endif
    const QByteArray arguments = QByteArray("--type velmora --data ") + dataArgument +
                                 " --port /dev/ttyUSB1 --port=/dev/ttyUSB0 --json --no-wait"
                                 " --write-rate 460800";
    const auto parsed = parse(arguments.constData());
    ASSERT_TRUE(parsed && !parsed->help);
    EXPECT_EQ(parsed->options.type, QStringLiteral("velmora"));
    EXPECT_EQ(parsed->options.dataFolder, dataFolder);
    EXPECT_EQ(parsed->options.ports,
              QStringList({QStringLiteral("/dev/ttyUSB1"), QStringLiteral("/dev/ttyUSB0")}));
    EXPECT_TRUE(parsed->options.json);
    EXPECT_TRUE(parsed->options.noWait);
    EXPECT_EQ(parsed->options.writeRate, 460800u);
    EXPECT_FALSE(parse("--type velmora --port /dev/ttyS0")->options.writeRate);
    EXPECT_FALSE(parsed->options.identify);
    EXPECT_FALSE(parsed->options.quiet);
    EXPECT_TRUE(parsed->options.logFolder.isEmpty());
    const auto logged = parse("--type velmora --port /dev/ttyS0 --quiet --logs /srv/logs");
    ASSERT_TRUE(logged);
    EXPECT_TRUE(logged->options.quiet);
    EXPECT_EQ(logged->options.logFolder, QStringLiteral("/srv/logs"));

    // A station tells its modems apart by their IMEI.
    const auto station = parse("--type tu41 --port /dev/ttyUSB0 --continuous");
    ASSERT_TRUE(station);
    EXPECT_TRUE(station->options.continuous && station->options.identify);
}

TEST(FlashOptions, HelpNamesEveryExitStatus)
{
    const auto parsed = parse("--help");
    ASSERT_TRUE(parsed);
    EXPECT_TRUE(parsed->help);
    for (const char *status : {"  0 ", "  1 ", "  2 ", "  3 ", "  4 ", "  130 "})
        EXPECT_TRUE(FlashHelpText({}).contains(QLatin1StringView(status))) << status;
}

// A Windows console is 80 columns wide by default, and a line of 80 leaves an empty one after it.
TEST(FlashOptions, HelpFitsAnEightyColumnConsole)
{
    const QStringList lines = FlashHelpText({}).split(u'\n');
    for (const QString &line : lines)
        EXPECT_LT(line.size(), 80) << line.toStdString();
}

// The help is printed from the table the parser reads: every option it names is one the parser
// takes.
TEST(FlashOptions, EveryOptionTheHelpNamesIsTaken)
{
    const QStringList lines = FlashHelpText({}).split(u'\n');
    static const QRegularExpression optionLine(QStringLiteral("^  (?:-h, )?--([a-z-]+)"));
    int options = 0;
    for (const QString &line : lines) {
        const QRegularExpressionMatch match = optionLine.match(line);
        if (!match.hasMatch())
            continue;
        ++options;
        const QString name = match.captured(1);
        const bool takesValue =
            line.mid(4 + name.size(), 1) == u" " && line.at(5 + name.size()).isUpper();
        // The type is always needed; every other option is added to it.
        const std::string arguments = name == u"type" ? std::string("--type velmora")
                                                      : "--type velmora --" + name.toStdString() +
                                                            (takesValue ? " 1200" : "");
        const auto parsed = parse(arguments.c_str());
        EXPECT_TRUE(parsed) << name.toStdString() << ": "
                            << (parsed ? "" : parsed.failure().text.toStdString());
    }
    EXPECT_EQ(options, 14);
}

TEST(FlashOptions, MistakesAreUsageFailuresInOneLine)
{
    for (const char *arguments : {
             "",
             "--port /dev/ttyS0",
             "--type a --type b --port /dev/ttyS0",
             "--type velmora --port",
             "--json --type velmora --port",
             "--type velmora --port= --port /dev/ttyS0",
             "--type velmora --port /dev/ttyS0 --speed 9600",
             "--type velmora --port /dev/ttyS0 stray",
             "--type velmora --port /dev/ttyS0 --record a --record b",
             "--type velmora --port /dev/ttyS0 --record=",
             "--type velmora --port /dev/ttyS0 --logs a --logs b",
             "--type velmora --port /dev/ttyS0 --logs=",
             "--type velmora --port /dev/ttyS0 --continuous --no-wait",
             "--type velmora --port /dev/ttyS0 --write-rate 250000",
             "--type velmora --port /dev/ttyS0 --write-rate 600",
             "--type velmora --port /dev/ttyS0 --write-rate fast",
             "--type velmora --port /dev/ttyS0 --write-rate -9600",
             // No bound at all is the default, not a number of attempts.
             "--type velmora --port /dev/ttyS0 --max-attempts 0",
             "--type velmora --port /dev/ttyS0 --max-attempts -2",
             "--type velmora --port /dev/ttyS0 --max-attempts two",
    // One device under two names would be driven by two runs at once.
#ifndef Q_OS_WIN
             "--type velmora --port /dev/ttyS0 --port COM1", // the same device on Linux
#endif
             "--type velmora --port /dev/ttyS0 --port /dev/ttyS0",
         }) {
        const auto parsed = parse(arguments);
        ASSERT_FALSE(parsed) << arguments;
        EXPECT_EQ(parsed.failure().kind, Failure::Kind::Usage) << arguments;
        EXPECT_FALSE(parsed.failure().text.isEmpty()) << arguments;
        EXPECT_FALSE(parsed.failure().text.contains(u'\n')) << arguments;
        // Even a line that could not be read says whether the refusal should also be JSON.
        EXPECT_EQ(AsksForJson(commandLine(arguments)), QByteArray(arguments).contains("--json"))
            << arguments;
    }
}

TEST(FlashOptions, ALinkAndItsTargetAreOneDevice)
{
#ifdef Q_OS_WIN
    GTEST_SKIP() << "Windows names its ports COMn; a shortcut is no second name of a device";
#endif
    QTemporaryDir folder;
    const QString device = folder.filePath(QStringLiteral("device"));
    const QString link = folder.filePath(QStringLiteral("modem"));
    QFile file(device);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_TRUE(QFile::link(device, link));
    const auto parsed = ParseFlashCommandLine(
        {QStringLiteral("quillon-flash"), QStringLiteral("--type"), QStringLiteral("velmora"),
         QStringLiteral("--port"), link, QStringLiteral("--port"), device});
    ASSERT_FALSE(parsed);
    EXPECT_EQ(parsed.failure().text, QStringLiteral("The port %1 is named twice").arg(device));
}

} // namespace
