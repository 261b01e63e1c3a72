// What the window keeps of its runs.
#include "app/RunArchive.h"
#include "records/RunRecord.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

RunRecord recordOf(const QString &Port, const QDateTime &Start)
{
    RunRecord record = StartRunRecord();
    record.start = Start;
    record.end = Start.addSecs(42);
    record.type = QStringLiteral("velmora");
    record.port = Port;
    record.device = Port;
    record.result = RunResult::Programmed;
    return record;
}

// Each run adds one record line and one log, named so that a technician finds it by time, type
// and port; the log is the window's lines in UTF-8.
TEST(RunArchive, KeepsARecordLineAndALogPerRun)
{
    QTemporaryDir folder;
    const RunArchive archive(folder.filePath(QStringLiteral("quillon")));
    const QDateTime start(QDate(2026, 12, 7), QTime(20, 33, 9), Qt::UTC);
    const QList<LoggedLine> log{{start, QStringLiteral("Выбран модем \"Velmora\"")},
                                {start.addMSecs(41'005), QStringLiteral("AT >> \r\nOK\r\n")},
                                {start.addMSecs(42'010).toOffsetFromUtc(3 * 3600),
                                 QStringLiteral("Операция успешно завершена")}};
    ASSERT_TRUE(archive.keep(recordOf(QStringLiteral("/dev/ttyUSB0"), start), log));
    ASSERT_TRUE(archive.keep(recordOf(QStringLiteral("/dev/ttyUSB0"), start), log));

    QFile records(archive.recordFile());
    ASSERT_TRUE(records.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = records.readAll().split('\n');
    ASSERT_EQ(lines.size(), 3); // two records, each ending its line
    EXPECT_EQ(QJsonDocument::fromJson(lines.at(1)).object()[QStringLiteral("port")].toString(),
              QStringLiteral("/dev/ttyUSB0"));
    // Each record names its own log, as the runner's do.
    EXPECT_EQ(QJsonDocument::fromJson(lines.at(1)).object()[QStringLiteral("log")].toString(),
              QDir(archive.logFolder())
                  .absoluteFilePath(QStringLiteral("20261207-203309_velmora_ttyUSB0-2.log")));

    const QDir logs(archive.logFolder());
    EXPECT_EQ(logs.entryList(QDir::Files, QDir::Name),
              (QStringList{QStringLiteral("20261207-203309_velmora_ttyUSB0-2.log"),
                           QStringLiteral("20261207-203309_velmora_ttyUSB0.log")}));
    QFile first(logs.filePath(QStringLiteral("20261207-203309_velmora_ttyUSB0.log")));
    ASSERT_TRUE(first.open(QIODevice::ReadOnly));
    // Each line after its time, in UTC whatever zone the clock was read in.
    EXPECT_EQ(QString::fromUtf8(first.readAll()),
              QStringLiteral("2026-12-07T20:33:09.000Z Выбран модем \"Velmora\"\n"
                             "2026-12-07T20:33:50.005Z AT >> \n"
                             "2026-12-07T20:33:50.005Z OK\n"
                             "2026-12-07T20:33:50.005Z \n"
                             "2026-12-07T20:33:51.010Z Операция успешно завершена\n"));
}

// Lines that quote a modem's answer carry its CR LF or CR; the file keeps one line end throughout,
// which every viewer shows alike.
TEST(RunArchive, LogHasOneLineEndThroughout)
{
    QTemporaryDir folder;
    const RunArchive archive(folder.filePath(QStringLiteral("quillon")));
    const QDateTime start(QDate(2026, 12, 7), QTime(20, 33, 9), Qt::UTC);
    ASSERT_TRUE(archive.keep(
        recordOf(QStringLiteral("COM5"), start),
        {{start, QStringLiteral("Ответ:\r\nOK\r\n")}, {start, QStringLiteral("AT\rATE0")}}));
    QFile log(
        QDir(archive.logFolder()).filePath(QStringLiteral("20261207-203309_velmora_COM5.log")));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QString at = QStringLiteral("2026-12-07T20:33:09.000Z ");
    EXPECT_EQ(QString::fromUtf8(log.readAll()),
              at + QStringLiteral("Ответ:\n") + at + QStringLiteral("OK\n") + at + u'\n' + at +
                  QStringLiteral("AT\n") + at + QStringLiteral("ATE0\n"));
}

TEST(RunArchive, NamesLogsAfterThePortWithoutItsFolders)
{
    const QDateTime start(QDate(2026, 1, 2), QTime(3, 4, 5), Qt::UTC);
    EXPECT_EQ(RunArchive::LogName(start, QStringLiteral("tu41"),
                                  QStringLiteral("/dev/serial/by-id/usb-FTDI A1-if00-port0")),
              QStringLiteral("20260102-030405_tu41_serial_by-id_usb-FTDI_A1-if00-port0.log"));
    EXPECT_EQ(RunArchive::LogName(start, QStringLiteral("tc65"), QStringLiteral("COM3")),
              QStringLiteral("20260102-030405_tc65_COM3.log"));
}

// The oldest logs go once more than the kept number are there; the records all stay.
TEST(RunArchive, KeepsOnlyTheLatestLogs)
{
    QTemporaryDir folder;
    const RunArchive archive(folder.path());
    ASSERT_TRUE(QDir().mkpath(archive.logFolder()));
    const QDateTime first(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC);
    for (int run = 0; run < RunArchive::KeptLogs; ++run) {
        QFile log(QDir(archive.logFolder())
                      .filePath(RunArchive::LogName(first.addSecs(run), QStringLiteral("tu41"),
                                                    QStringLiteral("ttyUSB0"))));
        ASSERT_TRUE(log.open(QIODevice::WriteOnly));
    }
    ASSERT_TRUE(archive.keep(recordOf(QStringLiteral("ttyUSB1"), first.addDays(1)), {}));
    const QStringList kept = QDir(archive.logFolder()).entryList(QDir::Files, QDir::Name);
    EXPECT_EQ(kept.size(), RunArchive::KeptLogs);
    EXPECT_EQ(kept.first(), RunArchive::LogName(first.addSecs(1), QStringLiteral("tu41"),
                                                QStringLiteral("ttyUSB0")));
    EXPECT_TRUE(kept.last().endsWith(QStringLiteral("_ttyUSB1.log")));
}

} // namespace
