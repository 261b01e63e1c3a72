#include "PowerOnStep.h"

#include "atlink/TmyComm.h"
#include "procedures/PortDiagnosis.h"

#include <QCoreApplication>

QString PowerOnTimedOutText()
{
    return QCoreApplication::translate("Run", "Время ожидания отклика от модема истекло.");
}

PowerOnStep::PowerOnStep(PowerOnHost &Host, int Seconds) : host(Host), seconds(Seconds) {}

void PowerOnStep::start()
{
    state = State::Opening;
}

PowerOnStep::State PowerOnStep::portTick()
{
    // A tick that falls due while the open is being reported (log lines process events) waits
    // for the next one.
    if (!running() || opening)
        return state;
    TmyComm &channel = host.Channel();
    if (!channel.Comm->PortOpen()) {
        state = openPort() ? State::Probing : State::Opening;
        return state;
    }
    if (ProbeAnswered(channel)) {
        state = State::Over;
        return State::Answered;
    }
    SendProbe(channel);
    state = State::Probing;
    return state;
}

PowerOnStep::State PowerOnStep::powerTick()
{
    if (state != State::Probing)
        return state;
    const int next = host.GaugePosition() + 1;
    if (next <= seconds) {
        host.SetGaugePosition(next);
        return state;
    }
    state = State::Over;
    host.SetGaugePosition(0);
    host.Channel().Comm->ClosePort();
    host.LogLine(PowerOnTimedOutText());
    return State::TimedOut;
}

bool PowerOnStep::openPort()
{
    TComm32 &port = *host.Channel().Comm;
    try {
        port.OpenPort();
    } catch (const ECommsError &error) {
        // A modem that is still off often has no device yet: the next tick tries again.
        port.ClosePort();
        host.PortOpenFailed(PortOpenFailureHint(port.CommPort(), error));
        return false;
    }
    // Whatever the reply held came before this port was open: only what the modem says from
    // now on may start the run.
    host.Channel().ClearReply();
    opening = true;
    host.SetGaugePosition(0);
    host.SetGaugeMaximum(seconds);
    host.PowerWaitStarted();
    host.SetStatus(
        QCoreApplication::translate("Run", "Модем подключен. Порт: %1").arg(port.CommPort()));
    host.SetStatus(QCoreApplication::translate("Run", "Ожидаю отклик от модема..."));
    opening = false;
    return true;
}
