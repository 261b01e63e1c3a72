#include "RunEvents.h"

#include <QCoreApplication>

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
    case RunPhase::Stopping:
        return QStringLiteral("stopping");
    case RunPhase::Finished:
        break;
    }
    return QStringLiteral("finished");
}

QString StoppingText()
{
    return QCoreApplication::translate("Runner",
                                       "Прерывание: текущий шаг прекращён, порт закрывается.");
}

QString StoppingWithClosingCommandsText()
{
    return QCoreApplication::translate(
        "Runner", "Прерывание: модему отправляются две завершающие команды AT^SJAM, "
                  "их ответа ждём не более 11 с. Повторное прерывание (Ctrl-C) завершит "
                  "работу сразу, без них.");
}
