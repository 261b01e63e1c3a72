#pragma once

#include "serial/WorkerThread.h"

#include <atomic>
#include <cstdint>
#include <vector>

namespace serial {

// Sleeps until the stop event, a line event or received bytes wake it (served in that order),
// and posts what it got to the notification receiver.
class TReadThread : public WorkerThread
{
public:
    using WorkerThread::WorkerThread;

    // The line errors collected for the last status notification with EV_ERR.
    std::uint32_t lastErrors() const { return errors.load(std::memory_order_acquire); }

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
    bool HandleCommEvent();
    Outcome ReadBlock(short revents);
    Outcome WaitForMoreBytes(std::size_t &filled, short revents);

    std::atomic<std::uint32_t> errors{0};
    std::vector<char> buffer;
};

} // namespace serial
