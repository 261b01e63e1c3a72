#include "flash/FlashOptions.h"

#include "flash/ExitCodes.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

ParsedCommandLine parse(const char *Arguments)
{
    QStringList arguments = QString::fromUtf8(Arguments).split(u' ', Qt::SkipEmptyParts);
    arguments.prepend(QStringLiteral("quillon-flash"));
    return ParseFlashCommandLine(arguments);
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
    const ParsedCommandLine parsed = parse(arguments.constData());
    ASSERT_TRUE(parsed.options);
    EXPECT_EQ(parsed.options->type, QStringLiteral("velmora"));
    EXPECT_EQ(parsed.options->dataFolder, dataFolder);
    EXPECT_EQ(parsed.options->ports,
              QStringList({QStringLiteral("/dev/ttyUSB1"), QStringLiteral("/dev/ttyUSB0")}));
    EXPECT_TRUE(parsed.options->json);
    EXPECT_TRUE(parsed.options->noWait);
    EXPECT_EQ(parsed.options->writeRate, 460800u);
    EXPECT_FALSE(parse("--type velmora --port /dev/ttyS0").options->writeRate);
    EXPECT_FALSE(parsed.options->identify);

    // A station tells its modems apart by their IMEI.
    const ParsedCommandLine station = parse("--type tu41 --port /dev/ttyUSB0 --continuous");
    ASSERT_TRUE(station.options);
    EXPECT_TRUE(station.options->continuous && station.options->identify);
}

TEST(FlashOptions, HelpNamesEveryExitStatusAndSucceeds)
{
    const ParsedCommandLine parsed = parse("--help");
    EXPECT_FALSE(parsed.options);
    EXPECT_EQ(parsed.exitCode, 0);
    for (const char *status : {"  0 ", "  1 ", "  2 ", "  3 ", "  130 "})
        EXPECT_TRUE(parsed.message.contains(QLatin1StringView(status))) << status;
}

TEST(FlashOptions, MistakesEndWithStatusTwoAndAHint)
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
             "--type velmora --port /dev/ttyS0 --continuous --no-wait",
             "--type velmora --port /dev/ttyS0 --write-rate 250000",
             "--type velmora --port /dev/ttyS0 --write-rate 600",
             "--type velmora --port /dev/ttyS0 --write-rate fast",
             "--type velmora --port /dev/ttyS0 --write-rate -9600",
    // One device under two names would be driven by two runs at once.
#ifndef Q_OS_WIN
             "--type velmora --port /dev/ttyS0 --port COM1", // the same device on Linux
#endif
             "--type velmora --port /dev/ttyS0 --port /dev/ttyS0",
         }) {
        const ParsedCommandLine parsed = parse(arguments);
        EXPECT_FALSE(parsed.options) << arguments;
        EXPECT_EQ(parsed.exitCode, FlashExit::BadInvocation) << arguments;
        EXPECT_TRUE(parsed.message.contains(QStringLiteral("--help"))) << arguments;
        EXPECT_FALSE(parsed.reason.isEmpty()) << arguments;
        // Even a line that could not be read says whether the refusal should also be JSON.
        EXPECT_EQ(parsed.json, QByteArray(arguments).contains("--json")) << arguments;
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
    const ParsedCommandLine parsed = ParseFlashCommandLine(
        {QStringLiteral("quillon-flash"), QStringLiteral("--type"), QStringLiteral("velmora"),
         QStringLiteral("--port"), link, QStringLiteral("--port"), device});
    EXPECT_FALSE(parsed.options);
    EXPECT_TRUE(parsed.message.contains(QStringLiteral("named twice")));
}

} // namespace
