#include "RunOutcome.h"

#include "procedures/ProgrammingRun.h"

RunOutcome JudgeRun(const RunEnding &Ending)
{
    if (Ending.programmed)
        return {RunResult::Programmed, {}};
    if (Ending.quitRequested)
        return {RunResult::Interrupted, InterruptedReason()};
    return {RunResult::Failed, FailureReason(Ending)};
}

QString FailureReason(const RunEnding &Ending)
{
    if (!Ending.lostPort.isEmpty())
        return DeviceLostText(Ending.lostPort);
    QString reason =
        Ending.trouble.isEmpty() ? QStringLiteral("запись не удалась") : Ending.trouble;
    if (Ending.total > 0)
        reason += QStringLiteral(" (выполнено %1 из %2)").arg(Ending.done).arg(Ending.total);
    return reason;
}

QString InterruptedReason()
{
    return QStringLiteral("прервано");
}
