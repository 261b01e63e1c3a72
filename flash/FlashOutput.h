#pragma once

#include "engine/RunEvents.h"

#include <QList>

// What the user or the calling script sees; called on the main thread only, by the board of the
// ports' states once it has taken each report. The summaries read the board too.
class FlashOutput : public RunObserver
{
public:
    virtual void summarize(int ExitCode) = 0;
    // ElapsedMs: the session's length.
    virtual void summarizeStation(qint64 ElapsedMs, int ExitCode) = 0;
};

// 130 once interrupted; 4 when no port could be opened, 3 when no modem answered at all; 1 when
// any run did not program its modem; else 0.
int FlashExitCode(const QList<PortResult> &Results, bool Interrupted);
