#include "StationSession.h"

QString StationStateName(StationState State)
{
    switch (State) {
    case StationState::WaitingForModem:
        return QStringLiteral("waiting");
    case StationState::Programming:
        return QStringLiteral("programming");
    case StationState::TakeOff:
        return QStringLiteral("take-off");
    case StationState::AlreadyProgrammed:
        return QStringLiteral("already-programmed");
    case StationState::Stopped:
        break;
    }
    return QStringLiteral("stopped");
}

StationSession::StationSession(int Ports) : ports(Ports)
{
    clock.start();
}

bool StationSession::programmedBefore(const QString &Imei) const
{
    const std::lock_guard guard(lock);
    return !Imei.isEmpty() && programmed.contains(Imei);
}

StationTally StationSession::count(int Port, const PortResult &Result)
{
    const std::lock_guard guard(lock);
    StationTally &tally = ports[Port];
    if (Result.outcome == PortOutcome::Programmed) {
        ++tally.programmed;
        if (!Result.imei.isEmpty())
            programmed.insert(Result.imei);
    } else if (Result.outcome != PortOutcome::Interrupted) {
        ++tally.failed;
        tally.lastFailure = Result.reason;
    }
    return tally;
}

StationTally StationSession::stopped(int Port, const QString &Reason)
{
    const std::lock_guard guard(lock);
    StationTally &tally = ports[Port];
    tally.stopReason = Reason;
    return tally;
}

QList<StationTally> StationSession::tallies() const
{
    const std::lock_guard guard(lock);
    return ports;
}

double ModemsPerHour(int Programmed, qint64 ElapsedMs)
{
    return ElapsedMs > 0 ? Programmed * 3600000.0 / static_cast<double>(ElapsedMs) : 0.0;
}
