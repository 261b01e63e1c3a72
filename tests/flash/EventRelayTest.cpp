// The runs' reports cross from their threads to the front end's.
#include "engine/EventRelay.h"
#include "tests/common/TestSupport.h"
#include "tests/flash/PortReports.h"

#include <QCoreApplication>
#include <QThread>

#include <gtest/gtest.h>

#include <array>
#include <thread>
#include <vector>

namespace {

constexpr int RelayedPorts = 3;
constexpr int LinesPerRun = 200;

// What reached the front end, port by port, and whether all of it came on the front end's thread.
class ReportRecorder : public RunObserver
{
public:
    void logLine(int Port, const QString &Text) override { take(Port, Text); }
    void progress(int, const PortProgress &) override {}
    void finished(int Port, const PortResult &Result) override
    {
        take(Port, QStringLiteral("finished ") + Result.imei);
    }

    std::array<QStringList, RelayedPorts> reports;
    int count = 0;
    bool allOnTheFrontEndsThread = true;

private:
    void take(int Port, const QString &Report)
    {
        reports.at(Port).append(Report);
        ++count;
        allOnTheFrontEndsThread =
            allOnTheFrontEndsThread &&
            QThread::currentThread() == QCoreApplication::instance()->thread();
    }
};

} // namespace

// Each run's reports come in the order it made them, on the front end's thread, and "all
// finished" only once every run's result, and everything each run reported before it, has come.
TEST(EventRelay, EachRunsReportsComeInOrderAndAllFinishedComesLast)
{
    ReportRecorder frontEnd;
    EventRelay relay(frontEnd, RelayedPorts);
    int seenWhenAllFinished = -1;
    QObject::connect(&relay, &EventRelay::allFinished,
                     [&] { seenWhenAllFinished = frontEnd.count; });
    std::vector<std::thread> runs;
    for (int port = 0; port < RelayedPorts; ++port) {
        runs.emplace_back([&relay, port] {
            for (int line = 0; line < LinesPerRun; ++line)
                relay.logLine(port, QString::number(line));
            relay.finished(port, portResult(PortOutcome::Programmed, {}, QString::number(port)));
        });
    }
    for (std::thread &run : runs)
        run.join();
    ASSERT_TRUE(waitUntil([&] { return seenWhenAllFinished >= 0; }));

    EXPECT_EQ(seenWhenAllFinished, RelayedPorts * (LinesPerRun + 1));
    EXPECT_TRUE(frontEnd.allOnTheFrontEndsThread);
    for (int port = 0; port < RelayedPorts; ++port) {
        QStringList expected;
        for (int line = 0; line < LinesPerRun; ++line)
            expected.append(QString::number(line));
        expected.append(QStringLiteral("finished ") + QString::number(port));
        EXPECT_EQ(frontEnd.reports.at(port), expected) << port;
    }
}
