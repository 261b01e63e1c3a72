#pragma once

#include "serial/WorkerThread.h"
#include "serial/WriteQueue.h"

namespace serial {

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
    Wait waitFor(int descriptor, short events);
    bool WriteBuffer(const QByteArray &block);

    WriteQueue queue;
};

} // namespace serial
