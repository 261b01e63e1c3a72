#include "TWriteThread.h"

#include "serial/CommConstants.h"
#include "serial/SerialPlatform.h"
#include "serial/StopEvent.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>

namespace serial {
namespace {

constexpr int NoTimeout = -1;
// How often the driver's output buffer is looked at while it drains; the moment it is empty is
// known this closely.
constexpr int DrainPollMs = 2;
// How often the count of sent bytes is brought up to date while a long write waits for room.
constexpr int ProgressPollMs = 50;

} // namespace

void TWriteThread::execute()
{
    for (;;) {
        std::optional<QByteArray> request = queue.take();
        if (!request) {
            const Wait woken = waitFor(queue.handle(), POLLIN, draining ? DrainPollMs : NoTimeout);
            if (woken == Wait::Elapsed) {
                FollowOutput();
                continue;
            }
            if (woken == Wait::Ready)
                continue;
            if (woken == Wait::Failed)
                PostHangup();
            break;
        }
        if (stopEvent.isSet() || !WriteBuffer(*request))
            break;
        draining = true;
        FollowOutput();
    }
    portHandle.purge(PurgeOutput);
    queue.close();
}

// Counts what has left the port; once everything written has, and no request waits, raises
// EV_TXEMPTY after the count is up to date, so a handler of the event finds it complete.
void TWriteThread::FollowOutput()
{
    if (CountSent() == 0 && draining && !queue.waiting()) {
        draining = false;
        portHandle.reportOutputEmpty();
    }
}

TWriteThread::Wait TWriteThread::waitFor(int descriptor, short events, int timeoutMs)
{
    pollfd waitList[2] = {{stopEvent.handle(), POLLIN, 0}, {descriptor, events, 0}};
    for (;;) {
        const int ready = poll(waitList, 2, timeoutMs);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            return Wait::Failed;
        }
        if (ready == 0)
            return Wait::Elapsed;
        if (waitList[0].revents)
            return Wait::Stop;
        if (waitList[1].revents & events)
            return Wait::Ready;
        return Wait::Failed; // the descriptor reports a hang-up or an error
    }
}

// Returns how many written bytes still wait in the device.
std::int64_t TWriteThread::CountSent()
{
    const auto pending =
        std::min(static_cast<std::int64_t>(portHandle.outputPending()), writtenInAll);
    sent.store(writtenInAll - pending, std::memory_order_release);
    return pending;
}

// Partial writes are continued once the device takes more; the stop event abandons the rest.
bool TWriteThread::WriteBuffer(const QByteArray &block)
{
    const char *next = block.constData();
    qsizetype remaining = block.size();
    while (remaining > 0) {
        const ssize_t count = portHandle.write(next, static_cast<std::size_t>(remaining));
        if (count >= 0) {
            next += count;
            remaining -= count;
            writtenInAll += count;
            continue;
        }
        if (errno == EINTR)
            continue;
        if (errno == EBADF)
            return false;
        if (errno != EAGAIN) {
            PostHangup();
            return false;
        }
        // While the device has no room, its buffer drains onto the line: count that as it goes.
        CountSent();
        const Wait woken = waitFor(portHandle.writeDescriptor(), POLLOUT, ProgressPollMs);
        if (woken == Wait::Stop)
            return false;
        if (woken == Wait::Failed) {
            PostHangup();
            return false;
        }
    }
    return true;
}

} // namespace serial
