#include "Notifications.h"

#include "serial/HandOver.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEvent>

namespace serial {
namespace {

const QEvent::Type DataType = static_cast<QEvent::Type>(QEvent::registerEventType());
const QEvent::Type HangupType = static_cast<QEvent::Type>(QEvent::registerEventType());
const QEvent::Type StatusType = static_cast<QEvent::Type>(QEvent::registerEventType());

// The received block travels inside the event, so a notification dropped unhandled frees it.
class DataEvent : public QEvent
{
public:
    explicit DataEvent(QByteArray received) : QEvent(DataType), block(std::move(received)) {}
    const QByteArray block;
};

class StatusEvent : public QEvent
{
public:
    explicit StatusEvent(std::uint32_t value) : QEvent(StatusType), parameter(value) {}
    const std::uint32_t parameter;
};

} // namespace

void NotificationReceiver::post(QEvent *event)
{
    announceHandOver(event);
    QCoreApplication::postEvent(this, event);
}

void NotificationReceiver::postData(QByteArray block)
{
    post(new DataEvent(std::move(block)));
}

void NotificationReceiver::postHangup()
{
    queuedHangups.fetch_add(1);
    post(new QEvent(HangupType));
}

bool NotificationReceiver::withdrawHangups()
{
    QCoreApplication::removePostedEvents(this, HangupType);
    return queuedHangups.exchange(0) > 0;
}

void NotificationReceiver::postStatus(std::uint32_t eventMask, std::uint32_t modemStatus)
{
    post(new StatusEvent((eventMask & 0xFFFF) | (modemStatus << 16)));
}

void NotificationReceiver::customEvent(QEvent *event)
{
    acceptHandOver(event);
    if (event->type() == DataType)
        sink.receivedData(static_cast<DataEvent *>(event)->block);
    else if (event->type() == HangupType && queuedHangups.fetch_sub(1) > 0)
        sink.hangup();
    else if (event->type() == StatusType)
        sink.status(static_cast<StatusEvent *>(event)->parameter);
#ifdef Q_OS_WIN
    // The Windows event dispatcher hands over posted events at the start of processEvents() and
    // may then go on to sleep: a caller that waits for a reply by calling processEvents() with
    // WaitForMoreEvents and then looks at what arrived would not look before its time-out.
    // Waking the dispatcher makes that call return.
    if (QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance(thread()))
        dispatcher->wakeUp();
#endif
}

} // namespace serial
