#pragma once

#include "procedures/ProgrammingRun.h"

#include <QString>

#include <chrono>

// What the power-on step needs from the front end that drives it, beyond the run's host.
class PowerOnHost : public RunHost
{
public:
    // The port has just opened and the count of the power-on wait begins (gauge at 0): the host
    // starts its one-second ticks and shows step 3 as the current one.
    virtual void PowerWaitStarted() = 0;
    // The port did not open; Diagnosis says why in the user's words. The next port tick tries
    // again.
    virtual void PortOpenFailed(const QString &Diagnosis) = 0;
};

// From accepted port settings to the modem's first answer, the same for every front end. The
// host calls portTick every 250 ms and, once the port is open, powerTick every second:
// - a port tick opens the port, or finds "OK" in the reply, or sends the next probe "ATE0\r\n";
// - the replies are cleared as soon as the port opens, so an answer left over from an earlier run
//   never counts, while an "OK" that arrives after the open does;
// - a power tick moves the gauge; the tick after the last second closes the port and logs the
//   time-out.
// Once the modem has answered or the wait has run out the step is over: further ticks do nothing
// until start() begins the next wait.
class PowerOnStep
{
public:
    static constexpr std::chrono::milliseconds PortTickInterval{250};
    static constexpr std::chrono::milliseconds PowerTickInterval{1000};
    static constexpr int PowerOnSeconds = 15;

    // Where the step stands after a tick. Answered and TimedOut are each reported by the one
    // tick that ends the step; every tick after it reports Over.
    enum class State
    {
        Over,     // not started, or ended
        Opening,  // the port is not open yet
        Probing,  // the port is open, no answer yet
        Answered, // the reply holds "OK": the programming run comes next
        TimedOut  // the power-on wait has run out; the port is closed
    };

    explicit PowerOnStep(PowerOnHost &Host, int Seconds = PowerOnSeconds);

    void start();
    // Ends the step without a word, e.g. when the user chooses again.
    void stop() { state = State::Over; }
    State portTick();
    State powerTick();
    bool running() const { return state == State::Opening || state == State::Probing; }

private:
    bool openPort();

    PowerOnHost &host;
    const int seconds;
    State state = State::Over;
    bool opening = false;
};

QString PowerOnTimedOutText(); // "Время ожидания отклика от модема истекло."
