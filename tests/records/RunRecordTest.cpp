#include "records/RunRecord.h"
#include "records/RunRecordFile.h"

#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#ifndef Q_OS_WIN
#include <csignal>
#include <dlfcn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

// Every sync of the process passes through here, so that a test can see a record reach the disk:
// how many syncs the watched file had, and how long it was at the last one.
namespace {
std::atomic<ino_t> watchedFile{0};
std::atomic<int> watchedSyncs{0};
std::atomic<off_t> sizeAtSync{-1};

int countedSync(int Descriptor, const char *Name)
{
    struct stat status
    {
    };
    if (::fstat(Descriptor, &status) == 0 && status.st_ino == watchedFile.load()) {
        ++watchedSyncs;
        sizeAtSync = status.st_size;
    }
    using Sync = int (*)(int);
    const auto real = reinterpret_cast<Sync>(dlsym(RTLD_NEXT, Name));
    return real(Descriptor);
}
} // namespace

// The C library names their parameters with reserved names.
// NOLINTNEXTLINE(readability-inconsistent-declaration-parameter-name)
extern "C" int fsync(int Descriptor)
{
    return countedSync(Descriptor, "fsync");
}

// NOLINTNEXTLINE(readability-inconsistent-declaration-parameter-name)
extern "C" int fdatasync(int Descriptor)
{
    return countedSync(Descriptor, "fdatasync");
}
#endif

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

#ifndef Q_OS_WIN
QByteArray contentOf(const QString &Path)
{
    QFile file(Path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

// A record is on the disk before append returns: the file is synced once, holding the whole line.
TEST(RunRecordFile, RecordIsSyncedToTheDiskBeforeAppendReturns)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("runs.jsonl"));
    RunRecordFile file(path);
    ASSERT_FALSE(file.open());
    struct stat status
    {
    };
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &status), 0);
    watchedFile = status.st_ino;
    watchedSyncs = 0;
    ASSERT_FALSE(file.append(sampleRecord()));
    const int syncs = watchedSyncs.exchange(0);
    watchedFile = 0;
    EXPECT_EQ(syncs, 1);
    EXPECT_EQ(sizeAtSync.load(), contentOf(path).size());
}

// A disk that fills up in the middle of a record (here a file size limit, which a child process
// takes on so that nothing needs mounting): the append fails and the file is exactly as before,
// so the next record starts a line of its own and every line is whole.
TEST(RunRecordFile, RecordThatDoesNotFitLeavesTheFileAsItWas)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("runs.jsonl"));
    RunRecordFile file(path);
    ASSERT_FALSE(file.open());
    ASSERT_FALSE(file.append(sampleRecord()));
    const QByteArray before = contentOf(path);

    RunRecord large = sampleRecord();
    large.reason = QString(4000, u'я');
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Past the limit a write fails with EFBIG instead of ending the process.
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{static_cast<rlim_t>(before.size() + 100),
                           static_cast<rlim_t>(before.size() + 100)};
        const bool full = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
        const auto failure = file.append(large);
        _exit(!full ? 2 : failure && failure->kind == Failure::Kind::BadFile ? 0 : 1);
    }
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_NE(WEXITSTATUS(status), 2) << "no file size limit could be set";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "a record that did not fit was reported as written";
    EXPECT_EQ(contentOf(path), before);

    ASSERT_FALSE(file.append(sampleRecord()));
    const QList<QByteArray> lines = linesOf(path);
    ASSERT_EQ(lines.size(), 2);
    for (const QByteArray &line : lines)
        EXPECT_FALSE(parsed(line).isEmpty());
}
#endif

} // namespace
