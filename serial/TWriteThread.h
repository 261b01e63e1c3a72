#pragma once

#include "serial/WorkerThread.h"
#include "serial/WriteQueue.h"

#include <QtGlobal>
#include <atomic>
#include <cstdint>

namespace serial {

#ifdef Q_OS_WIN
class OverlappedOperation;
#endif

// Writes the queued requests to the device one after the other, each completely, and follows
// the written bytes until they have left the port: then it raises EV_TXEMPTY.
class TWriteThread : public WorkerThread
{
public:
    using WorkerThread::WorkerThread;

    bool ready() const override { return queue.valid(); }
    // From any thread; false once the writer has ended.
    bool post(QByteArray request) { return queue.post(std::move(request)); }
    // From any thread: the bytes that have left the port, written to the device and gone from
    // its output buffer.
    std::int64_t bytesSent() const { return sent.load(std::memory_order_acquire); }

protected:
    void execute() override;

private:
    enum class Wait
    {
        Stop,
        Ready,
        Elapsed,
        Failed
    };
#ifdef Q_OS_WIN
    Wait waitFor(void *handle);
    bool WriteBuffer(OverlappedOperation &write, const QByteArray &block);
    // Ends a write in flight; a device that keeps hold of it keeps the block's bytes too.
    static void finish(OverlappedOperation &write, const QByteArray &block);
#else
    Wait waitFor(int descriptor, short events, int timeoutMs);
    bool WriteBuffer(const QByteArray &block);
    void FollowOutput();
    std::int64_t CountSent();
    bool draining = false; // bytes written and EV_TXEMPTY not yet raised for them
#endif

    WriteQueue queue;
    std::int64_t writtenInAll = 0; // bytes the device has taken
    std::atomic<std::int64_t> sent{0};
};

} // namespace serial
