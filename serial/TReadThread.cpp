#include "TReadThread.h"

#include "serial/CommConstants.h"
#include "serial/Notifications.h"
#include "serial/SerialPlatform.h"

namespace serial {

void TReadThread::ReportInitialLines()
{
    const std::uint32_t status = portHandle.modemStatus();
    if (status == 0)
        return;
    notifyWindow.postStatus(eventsForLines(status), status);
}

bool TReadThread::ReportCommEvent(std::uint32_t mask)
{
    bool due = false;
    if (mask & EV_ERR) {
        std::uint32_t lineErrors = 0;
        if (!portHandle.clearErrors(lineErrors))
            return false;
        errors.store(lineErrors, std::memory_order_release);
        due = true;
    }
    constexpr std::uint32_t reported = EV_BREAK | EV_CTS | EV_DSR | EV_RING | EV_TXEMPTY |
                                       EV_RXFLAG | EV_RLSD | EV_RX80FULL | EV_PERR;
    due = due || (mask & reported);
    // Every status notification after a device event carries the ring group along.
    mask |= EV_RING;
    if (due)
        notifyWindow.postStatus(mask, portHandle.modemStatus());
    return true;
}

} // namespace serial
