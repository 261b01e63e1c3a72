#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

class QTimer;

// Every delay and time-out of the system passes through here, so that a test can run the long
// waits (90 s, 120 s) in a fraction of the time. The program itself never changes the speed-up.
namespace Timing {

// Divides every delay by `factor` (1 = real time). Safe to call from any thread.
void setSpeedUp(int factor);
int speedUp();

// The duration to actually wait for a nominal one; never shorter than 1 ms unless nominal is 0.
std::chrono::milliseconds scaled(std::chrono::milliseconds nominal);

// Starts a repeating clock at the (scaled) nominal interval, kept to the millisecond. Qt's default
// timers may fire 5 % off and drift, which would change how many probes fit into the power-on
// wait that another clock counts.
void startClock(QTimer &clock, std::chrono::milliseconds nominal);

// Restores real time when it goes out of scope; for tests.
class ScopedSpeedUp
{
public:
    explicit ScopedSpeedUp(int factor) : previous(speedUp()) { setSpeedUp(factor); }
    ~ScopedSpeedUp() { setSpeedUp(previous); }
    ScopedSpeedUp(const ScopedSpeedUp &) = delete;
    ScopedSpeedUp &operator=(const ScopedSpeedUp &) = delete;

private:
    int previous;
};

} // namespace Timing

// Blocks the calling thread for the (scaled) time, then processes its pending events once. While
// a PauseBreak lives on the thread, the pause processes events as it waits instead and ends as
// soon as the break's condition holds, so that a quit request is not kept waiting by it.
void Pause(std::uint32_t Milliseconds);

// Lets a request that comes in during a Pause on this thread end it early; one may hide another
// for its own lifetime.
class PauseBreak
{
public:
    explicit PauseBreak(std::function<bool()> Condition);
    ~PauseBreak();
    PauseBreak(const PauseBreak &) = delete;
    PauseBreak &operator=(const PauseBreak &) = delete;

private:
    std::function<bool()> condition;
    PauseBreak *hidden;
    friend void Pause(std::uint32_t Milliseconds);
};
