#pragma once

#include <QString>

class FlashHost;

// Drives the power-on step without a window: a port tick every 250 ms and, once the port is
// open, a power tick every second, until the modem answers, the wait runs out or the run is told
// to quit. A port that never opens ends the wait after as long as the modem would have had. The
// first probe goes out as the port opens, and the modem's answer ends the wait as it comes.
class PowerOnWait
{
public:
    enum class Result
    {
        Answered,
        NoAnswer,
        Interrupted
    };

    enum class Limit
    {
        PowerOn,   // the modem is being switched on: the power-on wait
        AlreadyOn, // the modem is on: one second
        None       // a station waiting for the next modem: until one answers; a device that goes
                   // away meanwhile is waited for under its name
    };

    PowerOnWait(FlashHost &Host, Limit WaitLimit);

    Result run();
    bool portEverOpened() const { return opened; }

private:
    FlashHost &host;
    const Limit limit;
    bool opened = false;
};
