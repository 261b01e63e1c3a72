#include "TReadThread.h"

#include "serial/CommConstants.h"
#include "serial/Notifications.h"
#include "serial/OverlappedOperation_win.h"
#include "serial/SerialPlatform.h"
#include "serial/StopEvent.h"

#include <new>

namespace serial {
namespace {

// Devices whose driver cannot wait for line events (virtual ports, a terminal under an emulator)
// still deliver bytes; the reader then does without the events.
bool noLineEvents(DWORD error)
{
    return error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_FUNCTION;
}

} // namespace

void TReadThread::execute()
{
    try {
        buffer.resize(ReadBlockSize);
    } catch (const std::bad_alloc &) {
        PostHangup();
        return;
    }
    {
        OverlappedOperation read(portHandle.handle());
        OverlappedOperation wait(portHandle.handle());
        if (Serve(read, wait) == Outcome::Fail)
            PostHangup(); // the device is gone (unplugged) or refuses to work
        // A new event mask ends an event wait in flight, also with drivers that ignore a cancel;
        // the purge ends a read in flight.
        SetCommMask(portHandle.handle(), 0);
        portHandle.purge(PurgeInput);
        wait.finish();
        if (!read.finish())
            LeaveToDevice(std::move(buffer));
    }
}

TReadThread::Outcome TReadThread::Serve(OverlappedOperation &read, OverlappedOperation &wait)
{
    if (!read.valid() || !wait.valid())
        return Outcome::Fail;
    bool lineEvents = true;
    if (!SetCommMask(portHandle.handle(), WatchedEvents)) {
        if (!noLineEvents(GetLastError()))
            return Outcome::Fail;
        lineEvents = false;
    }
    ReportInitialLines();
    Outcome outcome = lineEvents ? StartEventWait(wait, lineEvents) : Outcome::Go;
    if (outcome == Outcome::Go)
        outcome = StartRead(read);
    while (outcome == Outcome::Go) {
        // Lowest index first: the stop request, then a line event, then received bytes.
        const HANDLE waitList[3] = {stopEvent.handle(), lineEvents ? wait.event() : read.event(),
                                    read.event()};
        const DWORD woken = WaitForMultipleObjects(lineEvents ? 3 : 2, waitList, FALSE, INFINITE);
        if (woken == WAIT_OBJECT_0)
            return Outcome::Stop;
        if (lineEvents && woken == WAIT_OBJECT_0 + 1) {
            outcome = HandleCommEvent(wait);
            if (outcome == Outcome::Go)
                outcome = StartEventWait(wait, lineEvents);
        } else if (woken == WAIT_OBJECT_0 + 1 || woken == WAIT_OBJECT_0 + 2) {
            outcome = CompleteRead(read);
            if (outcome == Outcome::Go)
                outcome = StartRead(read);
        } else {
            return Outcome::Fail;
        }
    }
    return outcome;
}

// Issues reads until one stays pending; reads that finish at once are passed on directly.
TReadThread::Outcome TReadThread::StartRead(OverlappedOperation &read)
{
    for (;;) {
        if (stopEvent.isSet())
            return Outcome::Stop;
        DWORD count = 0;
        if (!ReadFile(portHandle.handle(), buffer.data(), static_cast<DWORD>(buffer.size()), &count,
                      read.record())) {
            if (GetLastError() != ERROR_IO_PENDING)
                return Outcome::Fail;
            read.started();
            return Outcome::Go;
        }
        if (!PostReceivedData(count))
            return Outcome::Fail;
    }
}

// A read aborted by a purge is no failure: the reader is being stopped, or simply reads again.
// So is a read that timed out, though no time-out is set (Wine ends waiting reads so while a
// write is pending on the port): what it got is passed on and the reader reads again.
TReadThread::Outcome TReadThread::CompleteRead(OverlappedOperation &read)
{
    DWORD count = 0;
    if (!read.collect(count, false)) {
        if (stopEvent.isSet())
            return Outcome::Stop;
        const DWORD error = GetLastError();
        if (error != ERROR_OPERATION_ABORTED && error != ERROR_TIMEOUT)
            return Outcome::Fail;
        return count == 0 || PostReceivedData(count) ? Outcome::Go : Outcome::Fail;
    }
    return PostReceivedData(count) ? Outcome::Go : Outcome::Fail;
}

// A read that ends without a byte means the device went away.
bool TReadThread::PostReceivedData(unsigned long count)
{
    if (count == 0)
        return false;
    taken.fetch_add(static_cast<std::int64_t>(count), std::memory_order_release);
    notifyWindow.postData(QByteArray(buffer.data(), static_cast<qsizetype>(count)));
    return true;
}

// Issues event waits until one stays pending; events that are there at once are reported directly.
TReadThread::Outcome TReadThread::StartEventWait(OverlappedOperation &wait, bool &lineEvents)
{
    for (;;) {
        if (stopEvent.isSet())
            return Outcome::Stop;
        DWORD &eventMask = *wait.eventMask();
        eventMask = 0;
        if (!WaitCommEvent(portHandle.handle(), &eventMask, wait.record())) {
            const DWORD error = GetLastError();
            if (error == ERROR_IO_PENDING) {
                wait.started();
                return Outcome::Go;
            }
            if (!noLineEvents(error))
                return Outcome::Fail;
            lineEvents = false;
            return Outcome::Go;
        }
        // A wait that finishes at once with nothing in it would finish so for ever.
        if (eventMask == 0) {
            lineEvents = false;
            return Outcome::Go;
        }
        if (!ReportCommEvent(eventMask))
            return Outcome::Fail;
    }
}

TReadThread::Outcome TReadThread::HandleCommEvent(OverlappedOperation &wait)
{
    DWORD unused = 0;
    if (!wait.collect(unused, false))
        return stopEvent.isSet() ? Outcome::Stop : Outcome::Fail;
    return ReportCommEvent(*wait.eventMask()) ? Outcome::Go : Outcome::Fail;
}

} // namespace serial
