#include "TestSupport.h"

#include "atlink/CommsErrorText.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonDocument>

#include <atomic>
#include <thread>

#ifndef Q_OS_WIN
#include <array>
#include <cerrno>
#include <poll.h>
#include <unistd.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;

// A wait shorter than this may end unanswered without the test having failed (a probe's).
constexpr std::chrono::milliseconds FailingWait = 5s;

std::atomic<Clock::rep> testStart{Clock::now().time_since_epoch().count()};
std::atomic<bool> patienceSpent{false};

// Each test starts with its clock at zero and its patience whole.
class TestClock : public ::testing::EmptyTestEventListener
{
    void OnTestStart(const ::testing::TestInfo &) override
    {
        testStart = Clock::now().time_since_epoch().count();
        patienceSpent = false;
    }
};

[[maybe_unused]] const bool testClockListening = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new TestClock);
    return true;
}();

// The time a wait given `deadline` may take: none once the test's patience is spent.
std::chrono::milliseconds patienceFor(std::chrono::milliseconds deadline)
{
    return patienceSpent ? 0ms : deadline;
}

void waitedInVain(std::chrono::milliseconds deadline)
{
    if (deadline >= FailingWait)
        patienceSpent = true;
}

QByteArray escaped(QByteArray text)
{
    return text.replace("\r", "\\r").replace("\n", "\\n");
}

} // namespace

void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << escaped(text.toUtf8()).toStdString() << '"';
}

void PrintTo(const QByteArray &bytes, std::ostream *out)
{
    *out << '"' << escaped(bytes).toStdString() << '"';
}

std::chrono::steady_clock::time_point TestStarted()
{
    return Clock::time_point(Clock::duration(testStart.load()));
}

bool waitUntil(const std::function<bool()> &done, std::chrono::milliseconds deadline)
{
    const auto end = Clock::now() + patienceFor(deadline);
    while (!done()) {
        if (Clock::now() > end) {
            waitedInVain(deadline);
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

void pumpFor(std::chrono::milliseconds time)
{
    const auto end = Clock::now() + time;
    while (Clock::now() < end) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(1ms);
    }
}

#ifndef Q_OS_WIN
namespace {

int entriesIn(const QString &folder)
{
    return static_cast<int>(
        QDir(folder).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).size());
}

// Reads `descriptor` while `wanted` (of what was read so far) asks for more bytes, at most that
// many at a time. `awaited`: what was wanted must come; a read for a while is not.
QByteArray readWhile(int descriptor, const std::function<qsizetype(const QByteArray &)> &wanted,
                     std::chrono::milliseconds deadline, bool awaited)
{
    QByteArray got;
    const auto end = Clock::now() + patienceFor(deadline);
    std::array<char, 65536> chunk{};
    for (qsizetype more = wanted(got); more > 0; more = wanted(got)) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - Clock::now());
        if (left <= 0ms) {
            if (awaited)
                waitedInVain(deadline);
            break;
        }
        pollfd ready{descriptor, POLLIN, 0};
        if (poll(&ready, 1, static_cast<int>(std::min<std::int64_t>(left.count(), 20))) <= 0)
            continue;
        const ssize_t n =
            read(descriptor, chunk.data(),
                 static_cast<std::size_t>(std::min<qsizetype>(qsizetype(chunk.size()), more)));
        if (n <= 0)
            break;
        got.append(chunk.data(), n);
    }
    return got;
}

} // namespace

QByteArray readFor(int descriptor, qsizetype count, std::chrono::milliseconds deadline)
{
    return readWhile(
        descriptor, [count](const QByteArray &got) { return count - got.size(); }, deadline, true);
}

QByteArray readFrom(int descriptor, const QByteArray &needle, std::chrono::milliseconds deadline)
{
    return readWhile(
        descriptor,
        [&needle](const QByteArray &got) -> qsizetype {
            return needle.isEmpty() || !got.contains(needle) ? 65536 : 0;
        },
        deadline, !needle.isEmpty());
}

void LeakCheckedTest::SetUp()
{
    // Sanitizer runtimes start a helper thread with the first thread; let that happen before
    // counting.
    static const bool warmedUp = [] {
        std::thread([] {}).join();
        return true;
    }();
    (void)warmedUp;
    descriptorsBefore = entriesIn(QStringLiteral("/proc/self/fd"));
    threadsBefore = entriesIn(QStringLiteral("/proc/self/task"));
}

void LeakCheckedTest::TearDown()
{
    EXPECT_TRUE(waitUntil(
        [this] { return entriesIn(QStringLiteral("/proc/self/task")) <= threadsBefore; }, 5s));
    EXPECT_EQ(entriesIn(QStringLiteral("/proc/self/fd")), descriptorsBefore);
}

void PtyPair::send(const QByteArray &bytes)
{
    for (qsizetype sent = 0; sent < bytes.size();) {
        const ssize_t n = write(master(), bytes.constData() + sent,
                                static_cast<std::size_t>(bytes.size() - sent));
        if (n > 0) {
            sent += n;
        } else {
            ASSERT_TRUE(errno == EAGAIN || errno == EINTR);
            pollfd wait{master(), POLLOUT, 0};
            poll(&wait, 1, 100);
        }
    }
}
#endif

Received::Received(TComm32 &port)
{
    port.OnReceiveData = [this](const char *buffer, std::uint16_t length) {
        bytes.append(buffer, length);
        blockSizes.push_back(length);
        everyBlockTerminated = everyBlockTerminated && buffer[length] == '\0';
    };
    port.OnRequestHangup = [this](TComm32 &) { ++hangups; };
}

QString commsError(const std::function<void()> &action)
{
    try {
        action();
    } catch (const ECommsError &error) {
        return CommsErrorText(error);
    }
    return {};
}

QString failureText(const std::optional<Failure> &reason)
{
    return reason ? reason->text : QString();
}

QList<QJsonObject> recordsIn(const QString &path)
{
    QFile file(path);
    QList<QJsonObject> records;
    if (!file.open(QIODevice::ReadOnly))
        return records;
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (!line.isEmpty())
            records.append(QJsonDocument::fromJson(line).object());
    }
    return records;
}

QList<QJsonObject> recordsOf(const QList<QJsonObject> &records, const QString &port)
{
    QList<QJsonObject> of;
    for (const QJsonObject &record : records) {
        if (record[QStringLiteral("port")].toString() == port)
            of.append(record);
    }
    return of;
}
