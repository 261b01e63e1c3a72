#include "Timing.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <thread>

namespace Timing {

namespace {
std::atomic<int> currentFactor{1};
}

void setSpeedUp(int factor)
{
    currentFactor.store(std::max(1, factor), std::memory_order_relaxed);
}

int speedUp()
{
    return currentFactor.load(std::memory_order_relaxed);
}

std::chrono::milliseconds scaled(std::chrono::milliseconds nominal)
{
    if (nominal.count() <= 0)
        return std::chrono::milliseconds(0);
    return std::max(std::chrono::milliseconds(1), nominal / speedUp());
}

void startClock(QTimer &clock, std::chrono::milliseconds nominal)
{
    clock.setTimerType(Qt::PreciseTimer);
    clock.start(scaled(nominal));
}

} // namespace Timing

namespace {
thread_local PauseBreak *currentBreak = nullptr;
// How soon a request ends a pause that may be broken.
constexpr std::chrono::milliseconds PauseSlice{5};
} // namespace

PauseBreak::PauseBreak(std::function<bool()> Condition)
    : condition(std::move(Condition)), hidden(currentBreak)
{
    currentBreak = this;
}

PauseBreak::~PauseBreak()
{
    currentBreak = hidden;
}

void Pause(std::uint32_t Milliseconds)
{
    const std::chrono::milliseconds wait = Timing::scaled(std::chrono::milliseconds(Milliseconds));
    // A thread without an event dispatcher could not hear of the request anyway.
    if (!currentBreak || !QAbstractEventDispatcher::instance()) {
        std::this_thread::sleep_for(wait);
        QCoreApplication::processEvents();
        return;
    }
    // Events must flow for the request to come in: a closed window, a woken runner thread. They
    // are taken in short slices rather than by waiting for the next one, which a worker thread's
    // dispatcher on Windows may never report; the pause still never ends early, as the modem's
    // pauses are its own.
    const PauseBreak &pauseBreak = *currentBreak;
    const QDeadlineTimer end(wait, Qt::PreciseTimer);
    QCoreApplication::processEvents();
    while (!end.hasExpired() && !pauseBreak.condition()) {
        std::this_thread::sleep_for(
            std::min<std::chrono::nanoseconds>(PauseSlice, end.remainingTimeAsDuration()));
        QCoreApplication::processEvents();
    }
}
