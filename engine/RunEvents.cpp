#include "RunEvents.h"

QString PhaseName(RunPhase Phase)
{
    switch (Phase) {
    case RunPhase::OpeningPort:
        return QStringLiteral("opening-port");
    case RunPhase::WaitingForAnswer:
        return QStringLiteral("waiting-for-answer");
    case RunPhase::SwitchingBaud:
        return QStringLiteral("switching-baud");
    case RunPhase::Writing:
        return QStringLiteral("writing");
    case RunPhase::Finished:
        break;
    }
    return QStringLiteral("finished");
}

QString OutcomeName(PortOutcome Outcome)
{
    switch (Outcome) {
    case PortOutcome::Programmed:
        return QStringLiteral("programmed");
    case PortOutcome::NoAnswer:
        return QStringLiteral("no-answer");
    case PortOutcome::Interrupted:
        return QStringLiteral("interrupted");
    case PortOutcome::Failed:
        break;
    }
    return QStringLiteral("failed");
}
