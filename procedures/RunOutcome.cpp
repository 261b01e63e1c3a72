#include "RunOutcome.h"

#include "procedures/ProgrammingRun.h"

#include <QCoreApplication>

RunOutcome JudgeRun(const RunEnding &Ending)
{
    if (Ending.programmed)
        return {RunResult::Programmed, {}, RunReason::None};
    if (Ending.quitRequested)
        return {RunResult::Interrupted, InterruptedReason(), RunReason::Interrupted};
    // As FailureReason decides which words to give.
    const RunReason code = !Ending.lostPort.isEmpty() ? RunReason::DeviceLost
                           : Ending.refused           ? RunReason::DataRefused
                                                      : RunReason::WriteFailed;
    return {RunResult::Failed, FailureReason(Ending), code};
}

RunOutcome JudgeNoAnswer(bool PortEverOpened, const QString &OpenDiagnosis)
{
    if (PortEverOpened)
        return {RunResult::NoAnswer,
                QCoreApplication::translate("Outcome",
                                            "нет отклика от модема за время ожидания включения"),
                RunReason::NoAnswer};
    if (OpenDiagnosis.isEmpty())
        return {
            RunResult::NoAnswer,
            QCoreApplication::translate("Outcome", "порт не открылся за время ожидания включения"),
            RunReason::PortNotOpened};
    return {RunResult::NoAnswer,
            QCoreApplication::translate("Outcome", "порт не открылся: %1").arg(OpenDiagnosis),
            RunReason::PortNotOpened};
}

QString FailureReason(const RunEnding &Ending)
{
    if (!Ending.lostPort.isEmpty())
        return DeviceLostText(Ending.lostPort);
    QString reason = Ending.trouble.isEmpty()
                         ? QCoreApplication::translate("Outcome", "запись не удалась")
                         : Ending.trouble;
    if (Ending.total > 0)
        reason = QCoreApplication::translate("Outcome", "%1 (выполнено %2 из %3)")
                     .arg(reason)
                     .arg(Ending.done)
                     .arg(Ending.total);
    return reason;
}

QString RunResultWord(RunResult Result)
{
    switch (Result) {
    case RunResult::Programmed:
        return QCoreApplication::translate("Outcome", "запрограммирован");
    case RunResult::NoAnswer:
        return QCoreApplication::translate("Outcome", "НЕТ ОТКЛИКА");
    case RunResult::Interrupted:
        return QCoreApplication::translate("Outcome", "ПРЕРВАН");
    case RunResult::Failed:
        break;
    }
    return QCoreApplication::translate("Outcome", "ОШИБКА");
}

QString InterruptedReason()
{
    return QCoreApplication::translate("Outcome", "прервано");
}
