#pragma once

#include "serial/WorkerThread.h"

#include <QtGlobal>
#include <atomic>
#include <cstdint>
#include <vector>

namespace serial {

#ifdef Q_OS_WIN
class OverlappedOperation;
#endif

// Sleeps until the stop event, a line event or received bytes wake it (served in that order),
// and posts what it got to the notification receiver.
class TReadThread : public WorkerThread
{
public:
    using WorkerThread::WorkerThread;

    // The line errors collected for the last status notification with EV_ERR.
    std::uint32_t lastErrors() const { return errors.load(std::memory_order_acquire); }
    // Bytes taken from the device since the thread started, posted or about to be.
    std::int64_t bytesTaken() const { return taken.load(std::memory_order_acquire); }

protected:
    void execute() override;

private:
    enum class Outcome
    {
        Go,
        Stop,
        Fail
    };
    void ReportInitialLines();
    // Posts the status notification a device event calls for; false when the line errors cannot
    // be read.
    bool ReportCommEvent(std::uint32_t mask);
#ifdef Q_OS_WIN
    Outcome Serve(OverlappedOperation &read, OverlappedOperation &wait);
    Outcome StartRead(OverlappedOperation &read);
    Outcome CompleteRead(OverlappedOperation &read);
    bool PostReceivedData(unsigned long count);
    Outcome StartEventWait(OverlappedOperation &wait, bool &lineEvents);
    Outcome HandleCommEvent(OverlappedOperation &wait);
#else
    bool HandleCommEvent();
    Outcome ReadBlock(short revents);
    Outcome WaitForMoreBytes(std::size_t &filled, short revents);
#endif

    std::atomic<std::uint32_t> errors{0};
    std::atomic<std::int64_t> taken{0};
    std::vector<char> buffer;
};

} // namespace serial
