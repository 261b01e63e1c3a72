#pragma once

#include <QByteArray>
#include <QObject>

#include <atomic>
#include <cstdint>

class QEvent;

namespace serial {

// What the reader and writer report; handled on the thread that created the component.
class NotificationSink
{
public:
    virtual void receivedData(const QByteArray &block) = 0;
    virtual void hangup() = 0;
    virtual void status(std::uint32_t eventMaskAndModemStatus) = 0;

protected:
    ~NotificationSink() = default;
};

// Lives in the creating thread; the worker threads post to it and its event loop (nested loops
// included) hands the notifications to the sink in posting order. Notifications still queued when
// it is destroyed are freed with it.
class NotificationReceiver : public QObject
{
public:
    explicit NotificationReceiver(NotificationSink &handler) : sink(handler) {}

    // Thread-safe: called by the workers.
    void postData(QByteArray block);
    void postHangup();
    void postStatus(std::uint32_t eventMask, std::uint32_t modemStatus);

    // Takes back the hang-up notifications still queued, once the workers have ended: they
    // belong to the port being closed, not to the next one. True when there was one.
    bool withdrawHangups();

protected:
    void customEvent(QEvent *event) override;

private:
    void post(QEvent *event);

    NotificationSink &sink;
    std::atomic<int> queuedHangups{0};
};

} // namespace serial
