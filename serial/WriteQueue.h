#pragma once

#include <QByteArray>

#include <deque>
#include <mutex>
#include <optional>

namespace serial {

// The writer's first-in first-out request queue. Its descriptor polls readable while requests
// wait; once closed it refuses new requests and has dropped the queued ones.
class WriteQueue
{
public:
    WriteQueue();
    ~WriteQueue();
    WriteQueue(const WriteQueue &) = delete;
    WriteQueue &operator=(const WriteQueue &) = delete;

    bool valid() const { return descriptor >= 0; }
    bool post(QByteArray request);
    std::optional<QByteArray> take();
    bool waiting();
    void close();
    int handle() const { return descriptor; }

private:
    std::mutex lock;
    std::deque<QByteArray> requests;
    bool closed = false;
    int descriptor;
};

} // namespace serial
