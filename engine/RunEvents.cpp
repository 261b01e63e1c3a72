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
