#include "TWriteThread.h"

#include "serial/CommConstants.h"
#include "serial/OverlappedOperation_win.h"
#include "serial/SerialPlatform.h"
#include "serial/StopEvent.h"

namespace serial {

void TWriteThread::execute()
{
    {
        OverlappedOperation write(portHandle.handle());
        if (!write.valid())
            PostHangup();
        while (write.valid()) {
            std::optional<QByteArray> request = queue.take();
            if (!request) {
                const Wait woken = waitFor(queue.handle());
                if (woken == Wait::Ready)
                    continue;
                if (woken == Wait::Failed)
                    PostHangup();
                break;
            }
            if (stopEvent.isSet() || !WriteBuffer(write, *request))
                break;
            // The driver completes a write once its bytes are out of its hands; the device
            // reports EV_TXEMPTY itself.
            writtenInAll += request->size();
            sent.store(writtenInAll, std::memory_order_release);
        }
    }
    portHandle.purge(PurgeOutput);
    queue.close();
}

TWriteThread::Wait TWriteThread::waitFor(void *handle)
{
    const HANDLE waitList[2] = {stopEvent.handle(), handle};
    switch (WaitForMultipleObjects(2, waitList, FALSE, INFINITE)) {
    case WAIT_OBJECT_0:
        return Wait::Stop;
    case WAIT_OBJECT_0 + 1:
        return Wait::Ready;
    default:
        return Wait::Failed;
    }
}

// Partial writes are continued with the rest; the stop event abandons it. The block stays
// untouched by the device once this returns.
bool TWriteThread::WriteBuffer(OverlappedOperation &write, const QByteArray &block)
{
    const char *next = block.constData();
    DWORD remaining = static_cast<DWORD>(block.size());
    while (remaining > 0) {
        DWORD written = 0;
        if (!WriteFile(portHandle.handle(), next, remaining, &written, write.record())) {
            const DWORD error = GetLastError();
            if (error == ERROR_INVALID_HANDLE)
                return false;
            if (error != ERROR_IO_PENDING) {
                PostHangup();
                return false;
            }
            write.started();
            const Wait woken = waitFor(write.event());
            if (woken == Wait::Stop) {
                portHandle.purge(PurgeOutput);
                finish(write, block);
                return false;
            }
            // A write that timed out (none is set, but Wine may say so) goes on with the rest.
            if (woken == Wait::Failed ||
                (!write.collect(written, true) && GetLastError() != ERROR_TIMEOUT)) {
                const DWORD failure = GetLastError();
                finish(write, block);
                if (!stopEvent.isSet() && failure != ERROR_INVALID_HANDLE)
                    PostHangup();
                return false;
            }
        }
        next += written;
        remaining -= written;
    }
    return true;
}

// The block is shared with the copy handed over, so its bytes stay where the device reads them.
void TWriteThread::finish(OverlappedOperation &write, const QByteArray &block)
{
    if (!write.finish())
        LeaveToDevice(QByteArray(block));
}

} // namespace serial
