#include "EventRelay.h"

#include <chrono>

using namespace std::chrono_literals;

namespace {
constexpr std::chrono::milliseconds BusyInterval = 20ms;
constexpr std::chrono::milliseconds QuietInterval = 100ms;
} // namespace

// The relay's thread looks for reports on a timer of its own rather than being called by the
// runs: under Wine a call posted from their threads was seen lost, and the runner then waited
// for ever for the runs' last reports.
EventRelay::EventRelay(RunObserver &Target, int Ports) : target(Target), unfinished(Ports)
{
    connect(&poll, &QTimer::timeout, this, &EventRelay::deliver);
    poll.start(QuietInterval);
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
    const std::lock_guard guard(lock);
    pending.push_back(std::move(Report));
}

void EventRelay::deliver()
{
    std::vector<std::function<void()>> reports;
    {
        const std::lock_guard guard(lock);
        reports.swap(pending);
    }
    const auto interval = reports.empty() ? QuietInterval : BusyInterval;
    if (poll.intervalAsDuration() != interval)
        poll.setInterval(interval);
    for (const auto &report : reports)
        report();
}
