#pragma once

#include "catalogue/ModemCatalogue.h"
#include "flash/RunEvents.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <optional>

// One modem to program: the device it hangs on and the catalogue entry of its type.
struct PortJob
{
    QString port;
    TDirObject type;
    bool noWait = false;
    int maxAttempts = 0;                    // script modems: attempts per file; 0 = no bound
    std::optional<std::uint32_t> writeRate; // wins over the profile's writerate
};

// The whole run for one port, from the chosen type to the closed port, on the calling thread:
// the channel is made and freed there, so each port's thread owns everything it touches.
class PortRun
{
public:
    PortRun(PortJob Job, int Port, RunObserver &Observer, const std::atomic<bool> &Quit);

    PortResult execute();

private:
    PortJob job;
    const int port;
    RunObserver &observer;
    const std::atomic<bool> &quit;
};
