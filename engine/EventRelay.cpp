#include "EventRelay.h"

#include <chrono>

using namespace std::chrono_literals;

namespace {
constexpr std::chrono::milliseconds DeliveryInterval = 20ms;
}

EventRelay::EventRelay(RunObserver &Target, int Ports) : target(Target), unfinished(Ports)
{
    delivery.setSingleShot(true);
    delivery.setInterval(DeliveryInterval);
    connect(&delivery, &QTimer::timeout, this, &EventRelay::deliver);
}

void EventRelay::logLine(int Port, const QString &Text)
{
    post([this, Port, Text] { target.logLine(Port, Text); });
}

void EventRelay::progress(int Port, const PortProgress &Progress)
{
    post([this, Port, Progress] { target.progress(Port, Progress); });
}

void EventRelay::finished(int Port, const PortResult &Result)
{
    post([this, Port, Result] {
        target.finished(Port, Result);
        if (--unfinished == 0)
            emit allFinished();
    });
}

void EventRelay::station(int Port, const StationStatus &Status)
{
    post([this, Port, Status] { target.station(Port, Status); });
}

void EventRelay::post(std::function<void()> Report)
{
    bool first = false;
    {
        const std::lock_guard guard(lock);
        first = pending.empty();
        pending.push_back(std::move(Report));
    }
    // Only the relay's thread may start its timer; a report that finds others waiting is
    // delivered with them.
    if (first)
        QMetaObject::invokeMethod(&delivery, qOverload<>(&QTimer::start), Qt::QueuedConnection);
}

void EventRelay::deliver()
{
    std::vector<std::function<void()>> reports;
    {
        const std::lock_guard guard(lock);
        reports.swap(pending);
    }
    for (const auto &report : reports)
        report();
}
