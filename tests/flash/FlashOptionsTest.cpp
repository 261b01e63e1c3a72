#include "flash/FlashOptions.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

Result<FlashOptions> parse(const char *Arguments)
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
                                 " --port /dev/ttyUSB1 --port=/dev/ttyUSB0 --json --no-wait";
    const auto parsed = parse(arguments.constData());
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->type, QStringLiteral("velmora"));
    EXPECT_EQ(parsed->dataFolder, dataFolder);
    EXPECT_EQ(parsed->ports,
              QStringList({QStringLiteral("/dev/ttyUSB1"), QStringLiteral("/dev/ttyUSB0")}));
    EXPECT_TRUE(parsed->json);
    EXPECT_TRUE(parsed->noWait);
}

TEST(FlashOptions, HelpNamesEveryExitStatusAndSucceeds)
{
    const auto parsed = parse("--help");
    ASSERT_TRUE(parsed);
    EXPECT_TRUE(parsed->help);
    for (const char *status : {"  0 ", "  1 ", "  2 ", "  3 ", "  130 "})
        EXPECT_TRUE(FlashHelpText().contains(QLatin1StringView(status))) << status;
}

TEST(FlashOptions, MistakesEndWithStatusTwoAndAHint)
{
    for (const char *arguments : {
             "",
             "--port /dev/ttyS0",
             "--type velmora",
             "--type a --type b --port /dev/ttyS0",
             "--type velmora --port",
             "--type velmora --port= --port /dev/ttyS0",
             "--type velmora --port /dev/ttyS0 --speed 9600",
             "--type velmora --port /dev/ttyS0 stray",
    // One device under two names would be driven by two runs at once.
#ifndef _WIN32
             "--type velmora --port /dev/ttyS0 --port COM1", // the same device on Linux
#endif
             "--type velmora --port /dev/ttyS0 --port /dev/ttyS0",
         }) {
        const auto parsed = parse(arguments);
        ASSERT_FALSE(parsed) << arguments;
        EXPECT_EQ(parsed.failure().kind, Failure::Kind::Usage) << arguments;
        EXPECT_TRUE(parsed.failure().text.contains(QStringLiteral("--help"))) << arguments;
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
    EXPECT_TRUE(parsed.failure().text.contains(QStringLiteral("named twice")));
}

} // namespace
