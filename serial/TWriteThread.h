#pragma once

#include "serial/WorkerThread.h"
#include "serial/WriteQueue.h"

namespace serial {

#ifdef _WIN32
class OverlappedOperation;
#endif

// Writes the queued requests to the device one after the other, each completely.
class TWriteThread : public WorkerThread
{
public:
    using WorkerThread::WorkerThread;

    bool ready() const override { return queue.valid(); }
    // From any thread; false once the writer has ended.
    bool post(QByteArray request) { return queue.post(std::move(request)); }

protected:
    void execute() override;

private:
    enum class Wait
    {
        Stop,
        Ready,
        Failed
    };
#ifdef _WIN32
    Wait waitFor(void *handle);
    bool WriteBuffer(OverlappedOperation &write, const QByteArray &block);
#else
    Wait waitFor(int descriptor, short events);
    bool WriteBuffer(const QByteArray &block);
#endif

    WriteQueue queue;
};

} // namespace serial
