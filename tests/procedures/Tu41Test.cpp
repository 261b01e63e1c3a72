#include "atlink/Timing.h"
#include "procedures/Procedures.h"
#include "tests/procedures/ProcedureTestKit.h"

#include <gtest/gtest.h>

#include <algorithm>

using modemsim::Family;

namespace {

const QByteArray RemoveArchive = "AT^SJAM=2,\"a:/ehsx.jar\",\"\"";
const QByteArray RemoveLoader = "AT^SJAM=2,\"a:/ehsx_loader.jad\",\"\"";
const QByteArray StartLoader = "AT^SJAM=0,\"a:/ehsx_loader.jad\",\"\"";

qsizetype DownloadCommands(const ModemBench &Bench)
{
    const auto commands = Bench.Commands();
    return std::count_if(commands.begin(), commands.end(),
                         [](const QByteArray &Command) { return Command.startsWith("AT^SJDL="); });
}

} // namespace

TEST(Tu41, WholeRunDownloadsEveryFileAndStartsTheLoader)
{
    Timing::ScopedSpeedUp fast(RunSpeedUp);
    const auto bench = MakeBench(Family::Java);
    const std::map<QByteArray, QByteArray> files = {
        {"a.jar", FileBytes(102399, 1)}, {"B.jad", FileBytes(200, 2)}, {"c.txt", "abc"}};
    for (const auto &[name, bytes] : files)
        bench->Put(QStringLiteral("compiled/") + QString::fromLatin1(name), bytes);

    EXPECT_TRUE(PerformProgrammingRun(bench->host, QStringLiteral("tu41")));

    QStringList expected = {
        QStringLiteral("Отклик модема получен"), QStringLiteral("Запись данных в модем..."), {}};
    for (const char *name : {"a.jar", "B.jad", "c.txt"}) {
        const QByteArray &bytes = files.at(name);
        const QString size = QString::number(bytes.size());
        const auto file = QString::fromLatin1(name);
        expected << QStringLiteral("Запись файла ") + file + QStringLiteral(" (") + size +
                        QStringLiteral(" bytes)")
                 << Exchange(QStringLiteral("AT^SJDL=1,") + size + QStringLiteral(",\"") + file +
                                 QStringLiteral("\""),
                             QStringLiteral("CONNECT"))
                 << QStringLiteral("\r\nJDL END OK\r\n") << QString();
    }
    expected << Exchange(QString::fromLatin1(StartLoader)) << QString() << RunSucceededText();
    EXPECT_EQ(bench->host.lines, expected);
    EXPECT_EQ(bench->modem.storedFiles(), files);
    const std::vector<QByteArray> commands = {RemoveArchive,
                                              RemoveLoader,
                                              RemoveArchive,
                                              "AT^SJDL=1,102399,\"a.jar\"",
                                              "AT^SJDL=1,200,\"B.jad\"",
                                              "AT^SJDL=1,3,\"c.txt\"",
                                              RemoveLoader,
                                              StartLoader};
    EXPECT_EQ(bench->Commands(), commands);
    EXPECT_EQ(bench->host.gaugePosition, 3);
    EXPECT_TRUE(PausedBefore(bench->modem,
                             {{"AT^SJAM=2,", 300ms}, {"AT^SJDL=", 200ms}, {StartLoader, 300ms}}));
}

TEST(Tu41, EmptyFolderSendsOnlyTheClosingCommandsAndFails)
{
    Timing::ScopedSpeedUp fast(RunSpeedUp);
    const auto bench = MakeBench(Family::Java);
    EXPECT_FALSE(FlashTu41(bench->host));
    EXPECT_EQ(bench->host.lines, QStringList{Exchange(QString::fromLatin1(StartLoader))});
    EXPECT_EQ(bench->Commands(), (std::vector<QByteArray>{RemoveLoader, StartLoader}));
}

// The run is judged by whether the last file was taken, not by an "OK" somewhere in its reply.
TEST(Tu41, OnlyFileRefusedWithOkInTheReplyFailsTheRun)
{
    Timing::ScopedSpeedUp fast(RunSpeedUp);
    modemsim::Faults refused;
    refused.errorCommands = {{"AT^SJDL=", "OK\r\nERROR"}};
    const auto bench = MakeBench(Family::Java, refused);
    bench->Put(QStringLiteral("compiled/only.bin"), FileBytes(100, 5));
    EXPECT_FALSE(FlashTu41(bench->host));
    EXPECT_EQ(DownloadCommands(*bench), 1);
    EXPECT_TRUE(bench->modem.storedFiles().empty());
}

struct Tu41Fault
{
    const char *what;
    int speedUp;
    modemsim::Faults faults;
    QStringList lines;                 // logged right after the download command's line
    std::chrono::milliseconds wait{0}; // the nominal wait the run cannot end before
};

class Tu41Faults : public testing::TestWithParam<Tu41Fault>
{
};

// Each fault ends the loop at the first file, fails the run and still starts the loader.
TEST_P(Tu41Faults, EndTheLoopAndFail)
{
    Timing::ScopedSpeedUp fast(GetParam().speedUp);
    const auto bench = MakeBench(Family::Java, GetParam().faults);
    bench->Put(QStringLiteral("compiled/a.bin"), FileBytes(100, 3));
    bench->Put(QStringLiteral("compiled/b.bin"), FileBytes(100, 4));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(FlashTu41(bench->host));
    EXPECT_GE(std::chrono::steady_clock::now() - start, GetParam().wait / GetParam().speedUp);
    EXPECT_TRUE(HasLines(bench->host.lines, GetParam().lines));
    EXPECT_TRUE(bench->host.lines.last().startsWith(QString::fromLatin1(StartLoader)));
    EXPECT_EQ(DownloadCommands(*bench), 1);
    EXPECT_EQ(bench->Commands().back(), StartLoader);
    // The gauge counts the files the modem took: none.
    EXPECT_EQ(bench->host.gaugePosition, 0);
}

modemsim::Faults Answering(const QByteArray &Text)
{
    modemsim::Faults faults;
    faults.errorCommands = {{"AT^SJDL=", Text}};
    return faults;
}

modemsim::Faults JdlTimeout()
{
    modemsim::Faults faults;
    faults.jdlTimeout = true;
    return faults;
}

const QString Download = QStringLiteral("AT^SJDL=1,100,\"a.bin\"");

INSTANTIATE_TEST_SUITE_P(
    Download, Tu41Faults,
    testing::Values(Tu41Fault{"refused",
                              RunSpeedUp,
                              Answering("ERROR"),
                              {Exchange(Download, QStringLiteral("ERROR")), QString()}},
                    // A refusal that happens to hold "OK" is still a refusal.
                    Tu41Fault{"refused with OK",
                              RunSpeedUp,
                              Answering("OK\r\nERROR"),
                              {Exchange(Download, QStringLiteral("OK\r\nERROR")), QString()}},
                    Tu41Fault{"JDL TIMEOUT",
                              RunSpeedUp,
                              JdlTimeout(),
                              {Exchange(Download, QStringLiteral("CONNECT")),
                               QStringLiteral("\r\nJDL TIMEOUT\r\n"), QString()}},
                    // The modem opens the download but never confirms it: the 90 s wait runs out.
                    Tu41Fault{"no confirmation",
                              10,
                              Answering("CONNECT"),
                              {Exchange(Download, QStringLiteral("CONNECT")),
                               QStringLiteral("TIMEOUT"), QString()},
                              std::chrono::seconds(90)}),
    [](const testing::TestParamInfo<Tu41Fault> &Info) {
        return QByteArray(Info.param.what).replace(' ', '_').toStdString();
    });

TEST(Tu41, QuitRequestEndsTheLoopAfterThePass)
{
    Timing::ScopedSpeedUp fast(RunSpeedUp);
    const auto bench = MakeBench(Family::Java);
    bench->Put(QStringLiteral("compiled/a.bin"), FileBytes(10, 5));
    bench->Put(QStringLiteral("compiled/b.bin"), FileBytes(10, 6));
    bench->host.quitAtGauge = 1;
    EXPECT_FALSE(FlashTu41(bench->host));
    EXPECT_EQ(DownloadCommands(*bench), 1);
    EXPECT_EQ(bench->Commands().back(), StartLoader);
}
