// The station window's parts that need no modem: its command line and remembered choice, and the
// shift read from the record file and shown in its table.
#include "app/ShiftRuns.h"
#include "app/ShiftRunsModel.h"
#include "app/StationSetup.h"
#include "procedures/RunOutcome.h"
#include "records/RunRecord.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QStringList arguments(const QString &Line)
{
    return (QStringLiteral("quillon ") + Line).split(u' ', Qt::SkipEmptyParts);
}

TEST(StationCommandLine, NamesTheSetUpAndBeginsOnlyWithATypeAndAPort)
{
    const auto plain = ParseStationCommandLine(arguments({}));
    ASSERT_TRUE(plain);
    EXPECT_FALSE(plain->station);

    const auto full = ParseStationCommandLine(arguments(
        QStringLiteral("--station --type tu41 --data /srv/q --port /dev/ttyUSB0 "
                       "--port /dev/ttyUSB1 --record /srv/runs.jsonl --write-rate 115200")));
    ASSERT_TRUE(full) << full.failure().text.toStdString();
    EXPECT_TRUE(full->station);
    EXPECT_TRUE(full->startNow);
    EXPECT_EQ(full->setup.type, QStringLiteral("tu41"));
    EXPECT_EQ(full->setup.dataFolder, QStringLiteral("/srv/q/"));
    EXPECT_EQ(full->setup.ports,
              (QStringList{QStringLiteral("/dev/ttyUSB0"), QStringLiteral("/dev/ttyUSB1")}));
    EXPECT_EQ(full->setup.recordFile, QStringLiteral("/srv/runs.jsonl"));
    EXPECT_EQ(full->setup.writeRate, 115200U);

    // Without a port (or a type) the window opens on the set-up instead.
    const auto typeOnly =
        ParseStationCommandLine(arguments(QStringLiteral("--station --type tu41")));
    ASSERT_TRUE(typeOnly);
    EXPECT_FALSE(typeOnly->startNow);
}

TEST(StationCommandLine, RefusesWhatItCannotFollow)
{
    for (const QString &line :
         {QStringLiteral("--station --write-rate 1000"), QStringLiteral("--station --speed 9600"),
          QStringLiteral("--type tu41 --port /dev/ttyUSB0"), QStringLiteral("--station extra")}) {
        const auto request = ParseStationCommandLine(arguments(line));
        ASSERT_FALSE(request) << line.toStdString();
        EXPECT_EQ(request.failure().kind, Failure::Kind::Usage);
    }
    EXPECT_EQ(ParseStationCommandLine(arguments(QStringLiteral("--station --write-rate 1000")))
                  .failure()
                  .text,
              QStringLiteral("--write-rate must be one of 1200, 2400, 4800, 9600, 19200, 38400, "
                             "57600, 115200, 230400, 460800, 921600"));
}

TEST(StationChoice, IsRememberedAndWhatTheCommandLineNamesWins)
{
    QTemporaryDir folder;
    const QString settings = folder.filePath(QStringLiteral("QuillonStation.ini"));
    StationSetup defaults;
    defaults.dataFolder = QStringLiteral("/opt/quillon/");
    defaults.recordFile = QStringLiteral("/home/op/runs.jsonl");
    const StationSetup fresh = LoadStationSetup(settings, defaults);
    EXPECT_EQ(fresh.dataFolder, defaults.dataFolder);
    EXPECT_EQ(fresh.recordFile, defaults.recordFile);
    EXPECT_TRUE(fresh.ports.isEmpty());
    EXPECT_FALSE(fresh.writeRate);

    StationSetup chosen = defaults;
    chosen.type = QStringLiteral("tu41");
    chosen.ports = {QStringLiteral("/dev/ttyUSB0"), QStringLiteral("/dev/ttyUSB1")};
    chosen.writeRate = 57600;
    SaveStationSetup(settings, chosen);
    const StationSetup remembered = LoadStationSetup(settings, defaults);
    EXPECT_EQ(remembered.type, chosen.type);
    EXPECT_EQ(remembered.ports, chosen.ports);
    EXPECT_EQ(remembered.writeRate, 57600U);

    // Back to the type's own write rate.
    chosen.writeRate.reset();
    SaveStationSetup(settings, chosen);
    EXPECT_FALSE(LoadStationSetup(settings, defaults).writeRate);

    StationSetup given;
    given.ports = {QStringLiteral("/dev/ttyACM0")};
    const StationSetup merged = MergedSetup(remembered, given);
    EXPECT_EQ(merged.ports, given.ports);
    EXPECT_EQ(merged.type, chosen.type);
    EXPECT_EQ(merged.recordFile, defaults.recordFile);
}

RunRecord runOn(const QString &Port, const QDateTime &Start, RunResult Result)
{
    RunRecord record = StartRunRecord();
    record.start = Start;
    record.end = Start.addSecs(40);
    record.type = QStringLiteral("tu41");
    record.port = Port;
    record.imei = QStringLiteral("356938035643809");
    record.result = Result;
    record.reason =
        Result == RunResult::Programmed ? QString() : QStringLiteral("запись не удалась");
    record.log = QStringLiteral("/srv/logs/%1.log").arg(Start.toSecsSinceEpoch());
    return record;
}

class ShiftFile : public ::testing::Test
{
protected:
    void append(const QByteArray &Bytes)
    {
        QFile file(path());
        ASSERT_TRUE(file.open(QIODevice::Append));
        file.write(Bytes);
    }
    QString path() const { return folder.filePath(QStringLiteral("runs.jsonl")); }

    QTemporaryDir folder;
    const QDateTime shiftStart{QDate(2026, 12, 8), QTime(6, 0), Qt::UTC};
    const QString port = QStringLiteral("/dev/ttyUSB0");
};

// Only the shift's runs on the station's own ports count; a line still being written waits for
// the next look, and a line that is no record is passed over.
TEST_F(ShiftFile, TakesTheShiftsRunsOfItsPortsAsTheyAreAppended)
{
    append(runOn(port, shiftStart.addSecs(-60), RunResult::Programmed).toJsonLine());
    ShiftRuns shift(path(), shiftStart, {port});
    EXPECT_FALSE(shift.refresh());

    const QByteArray failed = runOn(port, shiftStart.addSecs(60), RunResult::Failed).toJsonLine();
    append(runOn(QStringLiteral("/dev/ttyUSB9"), shiftStart.addSecs(30), RunResult::Failed)
               .toJsonLine() +
           "not a record\n" + failed.left(20));
    EXPECT_FALSE(shift.refresh());
    append(failed.mid(20));
    ASSERT_TRUE(shift.refresh());
    ASSERT_EQ(shift.runs().size(), 1);
    const ShiftRun &run = shift.runs().first();
    EXPECT_EQ(run.result, RunResult::Failed);
    EXPECT_EQ(run.port, port);
    EXPECT_EQ(run.imei, QStringLiteral("356938035643809"));
    EXPECT_EQ(run.reason, QStringLiteral("запись не удалась"));
    EXPECT_EQ(run.start, shiftStart.addSecs(60));
    EXPECT_EQ(run.log, QStringLiteral("/srv/logs/%1.log").arg(run.start.toSecsSinceEpoch()));

    append(runOn(port, shiftStart.addSecs(120), RunResult::Programmed).toJsonLine());
    ASSERT_TRUE(shift.refresh());
    EXPECT_EQ(shift.runs().size(), 2);
}

// Each run in the slice it ended in; an interrupted run is no modem.
TEST_F(ShiftFile, SlicesCountProgrammedAndFailedModems)
{
    const QList<ShiftRun> runs = [&] {
        QList<ShiftRun> list;
        for (const auto &[minute, result] :
             QList<std::pair<int, RunResult>>{{1, RunResult::Programmed},
                                              {9, RunResult::Programmed},
                                              {9, RunResult::Failed},
                                              {12, RunResult::Interrupted},
                                              {25, RunResult::Programmed}}) {
            ShiftRun run;
            run.end = shiftStart.addSecs(minute * qint64{60});
            run.start = run.end.addSecs(-30);
            run.result = result;
            list.append(run);
        }
        return list;
    }();
    const QList<ShiftSlice> slices =
        SliceShift(runs, shiftStart, shiftStart.addSecs(qint64{26} * 60), std::chrono::minutes(10));
    ASSERT_EQ(slices.size(), 3);
    EXPECT_EQ(slices.at(0).programmed, 2);
    EXPECT_EQ(slices.at(0).failed, 1);
    EXPECT_EQ(slices.at(1).programmed + slices.at(1).failed, 0);
    EXPECT_EQ(slices.at(2).programmed, 1);
    EXPECT_EQ(slices.at(2).start, shiftStart.addSecs(qint64{20} * 60));
}

// The table keeps the newest run on top and the filter in force while the shift's runs come in,
// and shows the same rows as a table filtered after they came.
TEST_F(ShiftFile, TableShowsTheNewestRunsTheFilterLetsThrough)
{
    ShiftRuns shift(path(), shiftStart, {port});
    ShiftRunsModel table({QStringLiteral("start"), QStringLiteral("port"), QStringLiteral("imei"),
                          QStringLiteral("result"), QStringLiteral("reason")});
    table.showRuns(&shift.runs());
    const auto rowsOf = [](const ShiftRunsModel &Table) {
        QStringList rows;
        for (int row = 0; row < Table.rowCount(); ++row)
            rows.append(Table.index(row, ShiftRunsModel::Result).data().toString() + u' ' +
                        QString::number(Table.runAt(row)->start.secsTo(Table.runAt(row)->end)));
        return rows;
    };
    table.setFilter({}, RunResult::Failed);
    for (const auto &[minute, result] : QList<std::pair<int, RunResult>>{
             {1, RunResult::Failed}, {2, RunResult::Programmed}, {3, RunResult::Failed}}) {
        RunRecord run = runOn(port, shiftStart.addSecs(minute * qint64{60}), result);
        run.end = run.start.addSecs(minute);
        append(run.toJsonLine());
        ASSERT_TRUE(shift.refresh());
        table.runsAdded();
    }
    const QString failed = RunResultWord(RunResult::Failed);
    EXPECT_EQ(rowsOf(table),
              (QStringList{failed + QStringLiteral(" 3"), failed + QStringLiteral(" 1")}));
    EXPECT_EQ(table.index(0, ShiftRunsModel::Reason).data().toString(),
              QStringLiteral("запись не удалась"));

    ShiftRunsModel filteredAfter(QStringList(5));
    filteredAfter.showRuns(&shift.runs());
    filteredAfter.setFilter({}, RunResult::Failed);
    EXPECT_EQ(rowsOf(filteredAfter), rowsOf(table));
    table.setFilter(QStringLiteral("9999"), std::nullopt);
    EXPECT_EQ(table.rowCount(), 0);
    table.setFilter(QStringLiteral("3809"), std::nullopt);
    EXPECT_EQ(table.rowCount(), 3);
    EXPECT_EQ(table.runAt(3), nullptr);
}

} // namespace
