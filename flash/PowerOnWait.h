#pragma once

#include <QString>

class FlashHost;

// Drives the power-on step without a window: a port tick every 250 ms and, once the port is
// open, a power tick every second, until the modem answers, the wait runs out or the run is told
// to quit. A port that never opens ends the wait after as long as the modem would have had.
class PowerOnWait
{
public:
    enum class Result
    {
        Answered,
        NoAnswer,
        Interrupted
    };

    // NoWait: the modem is already on, so it has one second instead of the power-on wait.
    PowerOnWait(FlashHost &Host, bool NoWait);

    Result run();
    bool portEverOpened() const { return opened; }

private:
    FlashHost &host;
    const bool noWait;
    bool opened = false;
};
