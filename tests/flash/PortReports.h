#pragma once

// The reports a port's run hands its front ends, made in one line: the board, the output and the
// station's tally are fed these in their tests.
#include "engine/RunEvents.h"

#include <QString>

#include <optional>
#include <utility>

// A run that has ended and let go of its port.
inline PortResult portResult(PortOutcome Outcome, const QString &Reason = {},
                             const QString &Imei = {})
{
    PortResult result;
    result.outcome = Outcome;
    result.reason = Reason;
    result.imei = Imei;
    result.portClosed = true;
    return result;
}

inline StationStatus stationStatus(StationState State, int Programmed, int Failed,
                                   const QString &Imei = {},
                                   std::optional<PortResult> Ended = std::nullopt)
{
    StationStatus status;
    status.state = State;
    status.tally.programmed = Programmed;
    status.tally.failed = Failed;
    status.imei = Imei;
    status.ended = std::move(Ended);
    return status;
}
