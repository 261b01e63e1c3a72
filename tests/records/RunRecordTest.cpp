#include "records/RunRecord.h"
#include "records/RunRecordFile.h"

#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

namespace {

RunRecord sampleRecord()
{
    RunRecord record = StartRunRecord();
    record.end = record.start.addMSecs(12'345);
    record.type = QStringLiteral("velmora");
    record.family = QStringLiteral("script");
    record.port = QStringLiteral("/dev/serial/by-id/usb-A-if00-port0");
    record.device = QStringLiteral("/dev/ttyUSB0");
    RecordedFile file;
    file.name = QStringLiteral("main.py");
    file.bytes = 4;
    file.sha256 = QStringLiteral("ab");
    file.crc = 0x0A3F;
    file.attempts = 2;
    file.taken = true;
    record.files = {file, file};
    record.lineRate = 9600;
    record.result = RunResult::Programmed;
    return record;
}

QJsonObject parsed(const QByteArray &Line)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(Line, &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << Line.toStdString();
    return document.object();
}

QList<QByteArray> linesOf(const QString &Path)
{
    QFile file(Path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    QList<QByteArray> lines = file.readAll().split('\n');
    EXPECT_TRUE(lines.back().isEmpty()) << "the last record does not end its line";
    lines.removeLast();
    return lines;
}

// What is unknown is null, not an empty text that a reader could take for a value; the CRC is
// written as the modem reports it; the run's attempts count every file sent.
TEST(RunRecord, IsOneLineWithUnknownsAsNull)
{
    RunRecord record = sampleRecord();
    const QByteArray line = record.toJsonLine();
    ASSERT_TRUE(line.endsWith('\n'));
    EXPECT_EQ(line.count('\n'), 1);
    const QJsonObject object = parsed(line);
    EXPECT_EQ(object[QStringLiteral("schema")].toInt(), RunRecord::SchemaVersion);
    EXPECT_TRUE(object[QStringLiteral("start")].toString().endsWith(u'Z'));
    EXPECT_DOUBLE_EQ(object[QStringLiteral("seconds")].toDouble(), 12.345);
    EXPECT_TRUE(object[QStringLiteral("imei")].isNull());
    EXPECT_TRUE(object[QStringLiteral("reason")].isNull());
    EXPECT_TRUE(object[QStringLiteral("log")].isNull()); // no log kept: null, not left out
    EXPECT_EQ(object[QStringLiteral("result")].toString(), u"programmed");
    EXPECT_EQ(object[QStringLiteral("attempts")].toInt(), 4);
    const QJsonObject file = object[QStringLiteral("files")].toArray().first().toObject();
    EXPECT_EQ(file[QStringLiteral("crc")].toString(), u"0A3F");

    record.files.first().crc.reset();
    record.imei = QStringLiteral("356938035643809");
    record.result = RunResult::NoAnswer;
    record.reason = QStringLiteral("строка\nс переводом");
    const QJsonObject other = parsed(record.toJsonLine());
    EXPECT_TRUE(other[QStringLiteral("files")].toArray().first()[QStringLiteral("crc")].isNull());
    EXPECT_EQ(other[QStringLiteral("imei")].toString(), record.imei);
    EXPECT_EQ(other[QStringLiteral("result")].toString(), u"no-answer");
}

TEST(RunRecord, SentFileIsHashedByContent)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ehsx.jar"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("jar bytes");
    file.close();
    const RecordedFile sent = DescribeSentFile(path, QStringLiteral("ehsx.jar"), 9);
    EXPECT_EQ(sent.sha256,
              QString::fromLatin1(
                  QCryptographicHash::hash("jar bytes", QCryptographicHash::Sha256).toHex()));
    EXPECT_TRUE(DescribeSentFile(dir.filePath(QStringLiteral("gone")), {}, 1).sha256.isEmpty());
}

// Ports of one runner share one file object; other programs have their own: every line arrives
// whole and nothing that was there before is lost.
TEST(RunRecordFile, ManyWritersAppendWholeLinesAndNeverTruncate)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("records/runs.jsonl"));
    {
        RunRecordFile first(path);
        ASSERT_FALSE(first.open());
        ASSERT_FALSE(first.append(sampleRecord()));
    }
    constexpr int Writers = 4;
    constexpr int Threads = 3;
    constexpr int Records = 25;
    RunRecord large = sampleRecord();
    // Longer than a pipe's atomic write, so that a torn write would show.
    large.reason = QString(8000, u'я');
    std::vector<std::unique_ptr<RunRecordFile>> files;
    std::vector<std::thread> threads;
    for (int writer = 0; writer < Writers; ++writer) {
        files.push_back(std::make_unique<RunRecordFile>(path));
        ASSERT_FALSE(files.back()->open());
        for (int thread = 0; thread < Threads; ++thread) {
            threads.emplace_back([&file = *files.back(), &large] {
                for (int index = 0; index < Records; ++index)
                    EXPECT_FALSE(file.append(large));
            });
        }
    }
    for (std::thread &thread : threads)
        thread.join();

    const QList<QByteArray> lines = linesOf(path);
    ASSERT_EQ(lines.size(), 1 + Writers * Threads * Records);
    for (const QByteArray &line : lines)
        EXPECT_FALSE(parsed(line).isEmpty());
    EXPECT_EQ(parsed(lines.first())[QStringLiteral("reason")], QJsonValue());
}

TEST(RunRecordFile, ThatCannotBeWrittenSaysWhy)
{
    QTemporaryDir dir;
    RunRecordFile folder(dir.path());
    const auto failure = folder.open();
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->kind, Failure::Kind::BadFile);
    EXPECT_TRUE(failure->text.startsWith(dir.path())) << failure->text.toStdString();
    EXPECT_TRUE(folder.append(sampleRecord()));
}

} // namespace
