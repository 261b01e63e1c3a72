#include "LineEvents.h"

#include "serial/CommConstants.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace serial {
namespace {

// Interrupts the monitor's wait for a line change when the port closes; the handler does nothing,
// the interrupted call returning EINTR is all that is wanted.
int wakeSignal()
{
    static const int number = [] {
        const int chosen = SIGRTMIN + 5;
        struct sigaction action
        {
        };
        action.sa_handler = [](int) {};
        sigemptyset(&action.sa_mask);
        sigaction(chosen, &action, nullptr);
        return chosen;
    }();
    return number;
}

constexpr int WatchedLines = TIOCM_RNG | TIOCM_DSR | TIOCM_CD | TIOCM_CTS;

} // namespace

std::uint32_t statusOfLines(int lines)
{
    return ((lines & TIOCM_CTS) ? MS_CTS_ON : 0) | ((lines & TIOCM_DSR) ? MS_DSR_ON : 0) |
           ((lines & TIOCM_RNG) ? MS_RING_ON : 0) | ((lines & TIOCM_CD) ? MS_RLSD_ON : 0);
}

LineEvents::LineEvents(int deviceDescriptor)
    : device(deviceDescriptor), descriptor(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
}

LineEvents::~LineEvents()
{
    stop();
    if (descriptor >= 0)
        close(descriptor);
}

void LineEvents::start()
{
    {
        std::lock_guard guard(lock);
        countersKnown = ioctl(device, TIOCGICOUNT, &counters) == 0;
    }
    armed.store(true);
    int lines = 0;
    if (monitor.joinable() || ioctl(device, TIOCMGET, &lines) != 0)
        return; // no modem lines (a pseudo-terminal): no monitor either
    wakeSignal();
    stopping.store(false);
    monitorDone = false;
    monitor = std::thread(&LineEvents::watch, this);
}

void LineEvents::stop()
{
    armed.store(false);
    if (!monitor.joinable())
        return;
    stopping.store(true);
    std::unique_lock wait(doneLock);
    // The signal may land just before the monitor enters its wait; repeat until it has ended.
    while (!monitorDone) {
        pthread_kill(monitor.native_handle(), wakeSignal());
        doneSignal.wait_for(wait, std::chrono::milliseconds(5));
    }
    wait.unlock();
    monitor.join();
}

void LineEvents::watch()
{
    int lines = 0;
    ioctl(device, TIOCMGET, &lines);
    while (!stopping.load()) {
        if (ioctl(device, TIOCMIWAIT, WatchedLines) != 0) {
            if (errno == EINTR)
                continue;
            break; // the driver cannot wait for line changes, or the device is gone
        }
        int now = 0;
        if (ioctl(device, TIOCMGET, &now) != 0)
            break;
        std::uint32_t errors = 0;
        const std::uint32_t counted = compareCounters(errors);
        raise(eventsForLines(statusOfLines(lines ^ now)) | counted, errors);
        lines = now;
    }
    {
        std::lock_guard guard(doneLock);
        monitorDone = true;
    }
    doneSignal.notify_all();
}

// Differences of the driver's counters since the last look: line changes that came and went
// between two looks, line errors and breaks.
std::uint32_t LineEvents::compareCounters(std::uint32_t &errors)
{
    std::lock_guard guard(lock);
    serial_icounter_struct now{};
    if (!countersKnown || ioctl(device, TIOCGICOUNT, &now) != 0)
        return 0;
    std::uint32_t events = 0;
    if (now.cts != counters.cts)
        events |= EV_CTS;
    if (now.dsr != counters.dsr)
        events |= EV_DSR;
    if (now.rng != counters.rng)
        events |= EV_RING;
    if (now.dcd != counters.dcd)
        events |= EV_RLSD;
    if (now.brk != counters.brk) {
        events |= EV_BREAK;
        errors |= CE_BREAK;
    }
    const std::pair<bool, std::uint32_t> lineErrors[] = {
        {now.frame != counters.frame, CE_FRAME},
        {now.overrun != counters.overrun, CE_OVERRUN},
        {now.parity != counters.parity, CE_RXPARITY},
        {now.buf_overrun != counters.buf_overrun, CE_RXOVER}};
    for (const auto &[happened, bit] : lineErrors) {
        if (happened) {
            events |= EV_ERR;
            errors |= bit;
        }
    }
    counters = now;
    return events;
}

void LineEvents::received(const char *data, std::size_t size)
{
    if (!armed.load(std::memory_order_relaxed))
        return;
    std::uint32_t errors = 0;
    std::uint32_t events = compareCounters(errors);
    if (std::memchr(data, eventChar.load(std::memory_order_relaxed), size))
        events |= EV_RXFLAG;
    raise(events, errors);
}

void LineEvents::raise(std::uint32_t events, std::uint32_t errors)
{
    if (events == 0)
        return;
    std::lock_guard guard(lock);
    pendingEvents |= events;
    pendingErrors |= errors;
    const std::uint64_t one = 1;
    while (write(descriptor, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

std::uint32_t LineEvents::take()
{
    std::lock_guard guard(lock);
    std::uint64_t count;
    while (read(descriptor, &count, sizeof count) < 0 && errno == EINTR) {
    }
    const std::uint32_t events = pendingEvents;
    pendingEvents = 0;
    return events;
}

std::uint32_t LineEvents::takeErrors()
{
    std::lock_guard guard(lock);
    const std::uint32_t errors = pendingErrors;
    pendingErrors = 0;
    return errors;
}

} // namespace serial
