#include "TReadThread.h"

#include "serial/CommConstants.h"
#include "serial/Notifications.h"
#include "serial/SerialPlatform.h"
#include "serial/StopEvent.h"

#include <cerrno>
#include <chrono>
#include <new>
#include <poll.h>
#include <sys/prctl.h>

namespace serial {
namespace {

using Clock = std::chrono::steady_clock;

// A block ends when the line has been quiet for longer than this.
constexpr std::chrono::microseconds QuietGap{1000};

} // namespace

void TReadThread::execute()
{
    // The quiet gap is short; without this the kernel may oversleep it by 50 us each time.
    prctl(PR_SET_TIMERSLACK, 1UL);
    try {
        buffer.resize(ReadBlockSize);
    } catch (const std::bad_alloc &) {
        PostHangup();
        return;
    }
    portHandle.startEvents();
    ReportInitialLines();

    pollfd waitList[3] = {{stopEvent.handle(), POLLIN, 0},
                          {portHandle.eventDescriptor(), POLLIN, 0},
                          {portHandle.readDescriptor(), POLLIN, 0}};
    for (;;) {
        if (poll(waitList, 3, -1) < 0) {
            if (errno == EINTR)
                continue;
            PostHangup();
            break;
        }
        if (waitList[0].revents)
            break;
        if (waitList[1].revents) {
            if (!HandleCommEvent()) {
                PostHangup();
                break;
            }
            continue;
        }
        const Outcome outcome = waitList[2].revents ? ReadBlock(waitList[2].revents) : Outcome::Go;
        if (outcome == Outcome::Stop)
            break;
        if (outcome == Outcome::Fail) {
            PostHangup(); // the device is gone (unplugged, or the far end of a pty closed)
            break;
        }
    }
    portHandle.stopEvents();
    portHandle.purge(PurgeInput);
}

bool TReadThread::HandleCommEvent()
{
    return ReportCommEvent(portHandle.takeEvents());
}

// Reads until the block is full or the line has been quiet for longer than the gap, then posts
// it with a zero byte after the counted ones (QByteArray keeps one there).
TReadThread::Outcome TReadThread::ReadBlock(short revents)
{
    std::size_t filled = 0;
    const Outcome outcome = WaitForMoreBytes(filled, revents);
    if (filled > 0)
        notifyWindow.postData(QByteArray(buffer.data(), static_cast<qsizetype>(filled)));
    return outcome;
}

// A terminal read with nothing waiting returns 0 as readily as EAGAIN, so only the hang-up that
// the wait reports, or a read error, tells that the device is gone.
TReadThread::Outcome TReadThread::WaitForMoreBytes(std::size_t &filled, short revents)
{
    constexpr short gone = POLLHUP | POLLERR | POLLNVAL;
    bool hungUp = revents & gone;
    pollfd waitList[2] = {{stopEvent.handle(), POLLIN, 0},
                          {portHandle.readDescriptor(), POLLIN, 0}};
    Clock::time_point lastByte = Clock::now();
    for (;;) {
        const ssize_t count = portHandle.read(buffer.data() + filled, buffer.size() - filled);
        if (count > 0) {
            taken.fetch_add(count, std::memory_order_release);
            filled += static_cast<std::size_t>(count);
            lastByte = Clock::now();
            if (filled == buffer.size())
                return Outcome::Go;
            continue; // while bytes stream in, the next read is cheaper than a wait
        }
        if (count < 0 && errno == EINTR)
            continue;
        if ((count < 0 && errno != EAGAIN) || hungUp)
            return Outcome::Fail;
        if (filled == 0)
            return Outcome::Go; // woken without bytes after all
        for (;;) {
            const auto left = lastByte + QuietGap - Clock::now();
            if (left <= Clock::duration::zero())
                return Outcome::Go;
            const timespec timeout{
                0, static_cast<long>(
                       std::chrono::duration_cast<std::chrono::nanoseconds>(left).count())};
            const int ready = ppoll(waitList, 2, &timeout, nullptr);
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready < 0)
                return Outcome::Fail;
            if (waitList[0].revents)
                return Outcome::Stop;
            if (ready > 0) {
                hungUp = waitList[1].revents & gone;
                break;
            }
        }
    }
}

} // namespace serial
