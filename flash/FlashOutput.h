#pragma once

#include "engine/RunEvents.h"
#include "engine/StationSession.h"

#include <QList>

// What the user or the calling script sees; called on the main thread only.
class FlashOutput : public RunObserver
{
public:
    virtual void summarize(const QList<PortResult> &Results, int ExitCode) = 0;
    virtual void summarizeStation(const StationSummary &Summary) = 0;
};

// 130 once interrupted; 4 when no port could be opened, 3 when no modem answered at all; 1 when
// any run did not program its modem; else 0.
int FlashExitCode(const QList<PortResult> &Results, bool Interrupted);
