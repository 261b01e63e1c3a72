#pragma once

#include <QByteArray>

#include <deque>
#include <mutex>
#include <optional>

namespace serial {

// The writer's first-in first-out request queue. Its handle is signalled while requests wait;
// once closed it refuses new requests and has dropped the queued ones.
class WriteQueue
{
public:
    WriteQueue();
    ~WriteQueue();
    WriteQueue(const WriteQueue &) = delete;
    WriteQueue &operator=(const WriteQueue &) = delete;

    bool post(QByteArray request);
    std::optional<QByteArray> take();
    bool waiting();
    void close();
#ifdef Q_OS_WIN
    bool valid() const
    {
        return signal != nullptr;
    }
    // A manual-reset event object.
    void *handle() const
    {
        return signal;
    }
#else
    bool valid() const
    {
        return descriptor >= 0;
    }
    // Polls readable.
    int handle() const
    {
        return descriptor;
    }
#endif

private:
    // The handle becomes signalled with the first waiting request and clear with the last taken.
    void raiseSignal();
    void lowerSignal();

    std::mutex lock;
    std::deque<QByteArray> requests;
    bool closed = false;
#ifdef Q_OS_WIN
    void *signal;
#else
    int descriptor;
#endif
};

} // namespace serial
