#include "TestSupport.h"

#include <QCoreApplication>
#include <QDir>

#include <thread>

#ifndef _WIN32
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

namespace {

int entriesIn(const QString &folder)
{
    return static_cast<int>(
        QDir(folder).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).size());
}

} // namespace
#endif

bool waitUntil(const std::function<bool()> &done, std::chrono::milliseconds deadline)
{
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

#ifndef _WIN32
QByteArray readFor(int descriptor, qsizetype count, std::chrono::milliseconds deadline)
{
    QByteArray got;
    const auto end = std::chrono::steady_clock::now() + deadline;
    char chunk[65536];
    while (got.size() < count && std::chrono::steady_clock::now() < end) {
        pollfd wait{descriptor, POLLIN, 0};
        if (poll(&wait, 1, 20) <= 0)
            continue;
        const ssize_t n = read(descriptor, chunk,
                               static_cast<std::size_t>(std::min<qsizetype>(
                                   static_cast<qsizetype>(sizeof chunk), count - got.size())));
        if (n <= 0)
            break;
        got.append(chunk, n);
    }
    return got;
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

PtyPair::PtyPair()
{
    char name[256] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0)
        throw std::runtime_error("openpty failed");
    fcntl(master, F_SETFD, FD_CLOEXEC);
    fcntl(slave, F_SETFD, FD_CLOEXEC);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    path = QString::fromLocal8Bit(name);
}

PtyPair::~PtyPair()
{
    for (int descriptor : {master, slave}) {
        if (descriptor >= 0)
            close(descriptor);
    }
}

void PtyPair::send(const QByteArray &bytes)
{
    for (qsizetype sent = 0; sent < bytes.size();) {
        const ssize_t n =
            write(master, bytes.constData() + sent, static_cast<std::size_t>(bytes.size() - sent));
        if (n > 0) {
            sent += n;
        } else {
            ASSERT_TRUE(errno == EAGAIN || errno == EINTR);
            pollfd wait{master, POLLOUT, 0};
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
        return error.message();
    }
    return {};
}
