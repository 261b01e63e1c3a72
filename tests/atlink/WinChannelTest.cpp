// The channel's waits on a Windows COM port (the first of QUILLON_TEST_COM_PAIR, e.g. "COM5,COM6",
// whose far end never answers): each ends at its time-out. Qt's Windows dispatcher hands a
// precise timer's event over at the start of processEvents() and then sleeps on in that call, so a
// wait that its time-out did not wake would never end.
#include "tests/common/TestSupport.h"

#include "atlink/Timing.h"
#include "atlink/TmyComm.h"
#include "serial/SerialPorts.h"

#include <QAbstractEventDispatcher>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

// Ends a wait that its own time-out failed to end, so that the test fails in seconds instead of
// hanging: after Limit it asks the channel to stop and wakes the waiting thread's event loop.
class Watchdog
{
public:
    Watchdog(TmyComm &Channel, std::chrono::milliseconds Limit) : channel(Channel)
    {
        channel.StopRequested = [this] { return bitten.load(); };
        QAbstractEventDispatcher *const dispatcher = QAbstractEventDispatcher::instance();
        worker = std::thread([this, Limit, dispatcher] {
            std::unique_lock<std::mutex> lock(mutex);
            if (!called.wait_for(lock, Limit, [this] { return off; })) {
                bitten.store(true);
                dispatcher->wakeUp();
            }
        });
    }
    ~Watchdog()
    {
        {
            const std::lock_guard<std::mutex> lock(mutex);
            off = true;
        }
        called.notify_one();
        worker.join();
        channel.StopRequested = nullptr;
    }
    Watchdog(const Watchdog &) = delete;
    Watchdog &operator=(const Watchdog &) = delete;

    bool bit() const { return bitten.load(); }

private:
    TmyComm &channel;
    std::atomic<bool> bitten{false};
    std::mutex mutex;
    std::condition_variable called;
    bool off = false;
    std::thread worker;
};

class WinChannelTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QStringList pair = qEnvironmentVariable("QUILLON_TEST_COM_PAIR").split(u',');
        if (pair.size() != 2)
            GTEST_SKIP() << "QUILLON_TEST_COM_PAIR names no pair of ports";
        channel.Comm->SetCommPort(ResolveDevicePath(pair[0]));
        ASSERT_NO_THROW(channel.Comm->OpenPort());
    }
    void TearDown() override { channel.Comm->ClosePort(); }

    TmyComm channel;
    const Timing::ScopedSpeedUp realTime{1};
};

// A modem that never answers a command or a block of bytes (AT^SJAM unanswered, a download
// stopped after CONNECT) fails the step at its time-out, neither early nor never.
TEST_F(WinChannelTest, WaitsWithoutAnAnswerEndAtTheirTimeOut)
{
    constexpr std::uint32_t interval = 3000;
    for (const bool bytesWait : {false, true}) {
        const Watchdog watchdog(channel, 20s);
        const auto before = std::chrono::steady_clock::now();
        if (bytesWait)
            channel.SendAndWaitEx("AT\r\n", 4, "4F 4B", "", interval, true);
        else
            channel.SendAndWait("AT\r\n", 4, "OK", "", interval);
        const auto took = std::chrono::steady_clock::now() - before;
        EXPECT_FALSE(watchdog.bit()) << "the wait did not end by its time-out";
        EXPECT_EQ(channel.Reply, "TIMEOUT");
        EXPECT_GE(took, std::chrono::milliseconds(interval) - 50ms) << "bytes wait " << bytesWait;
        EXPECT_LT(took, std::chrono::milliseconds(interval) + 2500ms) << "bytes wait " << bytesWait;
    }
}

} // namespace
