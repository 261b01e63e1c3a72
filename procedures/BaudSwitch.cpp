// The modem is asked to work at the write rate for the rest of the run, without storing the rate.
#include "atlink/TmyComm.h"
#include "procedures/ProcedureHost.h"
#include "procedures/ProcedureSteps.h"
#include "procedures/Procedures.h"

#include <QCoreApplication>

using namespace std::chrono_literals;
using namespace procedures;

namespace {
constexpr auto AnswerTimeout = 3000ms;
constexpr auto SettleDelay = 200ms;
} // namespace

void SetModemBaud(ProcedureHost &Host, std::uint32_t Rate)
{
    TmyComm &channel = Host.Channel();
    TComm32 &port = *channel.Comm;
    if (!port.PortOpen() || port.BaudRate() == Rate)
        return;
    const QString rate = QString::number(Rate);
    Host.LogLine(QCoreApplication::translate("Procedures",
                                             "Устанавливаю скорость порта %1 (без запоминания).")
                     .arg(rate));
    const QString notSet =
        QCoreApplication::translate("Procedures", "Ошибка. Скорость %1 не задана.").arg(rate);
    // A modem switched to a rate the computer's port cannot follow would be out of reach for the
    // rest of the run: the port must take the rate before the modem is asked for it.
    if (!port.AcceptsBaudRate(Rate)) {
        Host.LogLine(
            QCoreApplication::translate("Procedures", "СОМ-порт не поддерживает скорость %1.")
                .arg(rate));
        Host.LogLine(notSet);
        return;
    }
    SendQuietly(Host, "AT+IPR=" + rate.toLatin1(), Ok, Error, AnswerTimeout);
    // A time-out is recognised before either answer, and "ERROR" before "OK": only a plain
    // agreement changes the rate.
    const QByteArray answer = LogFirstOutcome(
        Host, {{Timeout, QCoreApplication::translate("Procedures", "таймаут")},
               {Error, notSet},
               {Ok, QCoreApplication::translate("Procedures", "Скорость %1 задана.").arg(rate)}});
    if (answer == Ok) {
        port.ClosePort();
        port.SetBaudRate(Rate);
        // The modem whose answer was read, never one that took its port's name meanwhile.
        port.OpenSameDevice();
        PauseFor(SettleDelay);
    }
}
