#include "engine/PortBoard.h"

#include "tests/flash/PortReports.h"
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <vector>

namespace {

PortProgress phase(RunPhase Phase)
{
    PortProgress progress;
    progress.phase = Phase;
    return progress;
}

// What a front end saw of port 0 each time the board handed it a report.
class SeenStages : public RunObserver
{
public:
    const PortBoard *board = nullptr;
    std::vector<PortStage> stages;

    void logLine(int Port, const QString &) override { note(Port); }
    void progress(int Port, const PortProgress &) override { note(Port); }
    void finished(int Port, const PortResult &) override { note(Port); }
    void station(int Port, const StationStatus &) override { note(Port); }

private:
    void note(int Port) { stages.push_back(board->port(Port).stage); }
};

// A failed modem must read as failed, with its reason, until it is taken off; the next modem's
// run starts with a log and an IMEI of its own.
TEST(PortBoard, FollowsAStationPortFromModemToModem)
{
    SeenStages seen;
    PortBoard board({QStringLiteral("/dev/ttyUSB0"), QStringLiteral("/dev/ttyUSB1")},
                    QStringLiteral("Velmora"), &seen);
    seen.board = &board;
    const QString imei = QStringLiteral("356938035643809");

    board.station(0, stationStatus(StationState::WaitingForModem, 0, 0));
    board.progress(0, phase(RunPhase::OpeningPort));
    board.logLine(0, QStringLiteral("Ожидаю подключение модема к СОМ-порту..."));
    board.progress(0, phase(RunPhase::WaitingForAnswer));
    board.station(0, stationStatus(StationState::Programming, 0, 0, imei));
    board.progress(0, phase(RunPhase::Writing));
    board.progress(0, phase(RunPhase::Finished));
    board.station(0,
                  stationStatus(StationState::TakeOff, 0, 1, imei,
                                portResult(PortOutcome::Failed, QStringLiteral("таймаут"), imei)));
    // Each report reaches the front end once the board has taken it.
    EXPECT_EQ(seen.stages,
              (std::vector{PortStage::Waiting, PortStage::Waiting, PortStage::Waiting,
                           PortStage::Probing, PortStage::Programming, PortStage::Programming,
                           PortStage::Programming, PortStage::Failed}));
    const PortState &port = board.port(0);
    EXPECT_TRUE(AwaitsTakeOff(port.stage));
    EXPECT_EQ(port.imei, imei);
    ASSERT_TRUE(port.lastRun.has_value());
    EXPECT_EQ(port.lastRun->reason, QStringLiteral("таймаут"));
    EXPECT_EQ(port.counts.failed, 1);
    EXPECT_EQ(port.log, QStringList{QStringLiteral("Ожидаю подключение модема к СОМ-порту...")});
    EXPECT_EQ(port.type, QStringLiteral("Velmora"));

    // Taken off: the next modem's wait. The last result and the counts stay.
    board.station(0, stationStatus(StationState::WaitingForModem, 0, 1));
    EXPECT_EQ(port.stage, PortStage::Waiting);
    EXPECT_TRUE(port.imei.isEmpty());
    EXPECT_TRUE(port.log.isEmpty());
    ASSERT_TRUE(port.lastRun.has_value());
    EXPECT_EQ(port.lastRun->outcome, PortOutcome::Failed);

    // Stop: the waiting port says so until its loop ends, the other one as well.
    board.stopRequested();
    EXPECT_EQ(port.stage, PortStage::Stopping);
    EXPECT_EQ(board.port(1).stage, PortStage::Stopping);
    board.progress(0, phase(RunPhase::WaitingForAnswer));
    EXPECT_EQ(port.stage, PortStage::Stopping);
    board.station(0, stationStatus(StationState::Stopped, 0, 1));
    board.finished(0, portResult(PortOutcome::Interrupted, QStringLiteral("прервано")));
    EXPECT_EQ(port.stage, PortStage::Stopped);
    // A station's stop counts no modem.
    const BoardTotals totals = board.totals();
    EXPECT_EQ(totals.failed, 1);
    EXPECT_EQ(totals.interrupted, 0);
}

TEST(PortBoard, AStationPortThatCannotGoOnReadsFailed)
{
    PortBoard board({QStringLiteral("/dev/ttyUSB0")}, QStringLiteral("Velmora"));
    board.station(0, stationStatus(StationState::AlreadyProgrammed, 1, 0, QStringLiteral("1")));
    EXPECT_EQ(board.port(0).stage, PortStage::AlreadyProgrammed);
    board.finished(0,
                   portResult(PortOutcome::Failed, QStringLiteral("Запись о работе не сохранена")));
    EXPECT_EQ(board.port(0).stage, PortStage::Failed);
    ASSERT_TRUE(board.port(0).ended.has_value());
    EXPECT_EQ(board.port(0).ended->reason, QStringLiteral("Запись о работе не сохранена"));
}

// A stable name leads to whichever device the modem on it got; the port shows the one it has now.
TEST(PortBoard, AStationPortShowsTheDeviceItsNameLeadsToNow)
{
#ifdef Q_OS_WIN
    GTEST_SKIP() << "Windows names its ports COMn; a shortcut is no second name of a device";
#endif
    QTemporaryDir folder;
    const QString first = folder.filePath(QStringLiteral("ttyUSB0"));
    const QString second = folder.filePath(QStringLiteral("ttyUSB1"));
    const QString link = folder.filePath(QStringLiteral("usb-Maker_Adapter_A1-if00-port0"));
    for (const QString &device : {first, second}) {
        QFile file(device);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    ASSERT_TRUE(QFile::link(first, link));
    PortBoard board({link}, QStringLiteral("Tu41"));
    EXPECT_EQ(board.port(0).label, QStringLiteral("%1 (%2)").arg(link, first));
    ASSERT_TRUE(QFile::remove(link) && QFile::link(second, link));
    board.station(0, stationStatus(StationState::Programming, 0, 0));
    EXPECT_EQ(board.port(0).device, second);
    EXPECT_EQ(board.port(0).label, QStringLiteral("%1 (%2)").arg(link, second));
}

// The summary's totals and the shift's yield, counted once for every front end.
TEST(PortBoard, CountsEachSingleRunByItsOutcome)
{
    PortBoard board({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"),
                     QStringLiteral("d"), QStringLiteral("e")},
                    QStringLiteral("Velmora"));
    board.finished(0, portResult(PortOutcome::Programmed));
    board.finished(1, portResult(PortOutcome::Programmed));
    board.finished(2, portResult(PortOutcome::Failed, QStringLiteral("таймаут")));
    board.finished(3, portResult(PortOutcome::NoAnswer, QStringLiteral("нет отклика")));
    board.finished(4, portResult(PortOutcome::Interrupted, QStringLiteral("прервано")));
    const BoardTotals totals = board.totals();
    EXPECT_EQ(totals.programmed, 2);
    EXPECT_EQ(totals.failed, 1);
    EXPECT_EQ(totals.noAnswer, 1);
    EXPECT_EQ(totals.interrupted, 1);
    EXPECT_DOUBLE_EQ(totals.yield(), 0.5);
    EXPECT_EQ(board.port(0).stage, PortStage::Good);
    EXPECT_EQ(board.port(3).stage, PortStage::Failed);
    EXPECT_EQ(board.port(4).stage, PortStage::Stopped);
    EXPECT_EQ(board.port(2).counts.lastFailure, QStringLiteral("таймаут"));
    EXPECT_DOUBLE_EQ(BoardTotals{}.yield(), 0.0);
}

} // namespace
