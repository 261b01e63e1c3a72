#pragma once

#include <atomic>

// How the runner asks one port's run to stop, from its own thread. The run looks at both in every
// pass of its waits and pauses.
struct RunStop
{
    // Stop at the next step: the current wait ends as a failed one and nothing more is sent, but
    // for the closing commands a modem family needs after every run.
    std::atomic<bool> quit{false};
    // Stop now, the closing commands too (a second Ctrl-C): the port is closed, the run recorded
    // and reported as interrupted, and nothing more waits for the modem. Set with quit.
    std::atomic<bool> abandon{false};
};
