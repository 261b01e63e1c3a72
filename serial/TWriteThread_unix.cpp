#include "TWriteThread.h"

#include "serial/CommConstants.h"
#include "serial/SerialPlatform.h"
#include "serial/StopEvent.h"

#include <cerrno>
#include <poll.h>

namespace serial {

void TWriteThread::execute()
{
    for (;;) {
        std::optional<QByteArray> request = queue.take();
        if (!request) {
            const Wait woken = waitFor(queue.handle(), POLLIN);
            if (woken == Wait::Ready)
                continue;
            if (woken == Wait::Failed)
                PostHangup();
            break;
        }
        if (stopEvent.isSet() || !WriteBuffer(*request))
            break;
    }
    portHandle.purge(PurgeOutput);
    queue.close();
}

TWriteThread::Wait TWriteThread::waitFor(int descriptor, short events)
{
    pollfd waitList[2] = {{stopEvent.handle(), POLLIN, 0}, {descriptor, events, 0}};
    for (;;) {
        if (poll(waitList, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return Wait::Failed;
        }
        if (waitList[0].revents)
            return Wait::Stop;
        if (waitList[1].revents & events)
            return Wait::Ready;
        return Wait::Failed; // the descriptor reports a hang-up or an error
    }
}

// Partial writes are continued once the device takes more; the stop event abandons the rest.
bool TWriteThread::WriteBuffer(const QByteArray &block)
{
    const char *next = block.constData();
    qsizetype remaining = block.size();
    while (remaining > 0) {
        const ssize_t written = portHandle.write(next, static_cast<std::size_t>(remaining));
        if (written >= 0) {
            next += written;
            remaining -= written;
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
        const Wait woken = waitFor(portHandle.writeDescriptor(), POLLOUT);
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
