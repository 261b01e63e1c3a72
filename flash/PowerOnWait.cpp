#include "PowerOnWait.h"

#include "atlink/Timing.h"
#include "atlink/TmyComm.h"
#include "flash/FlashHost.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

using namespace std::chrono_literals;

namespace {

constexpr std::chrono::milliseconds ProbeInterval = 250ms;

// Sleeps without blocking the thread's events: the modem's answer arrives through them.
void idleFor(std::chrono::milliseconds Duration)
{
    QEventLoop loop;
    QTimer::singleShot(Duration, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

PowerOnWait::PowerOnWait(FlashHost &Host, std::chrono::milliseconds Wait) : host(Host), wait(Wait)
{
}

PowerOnWait::Result PowerOnWait::run()
{
    TComm32 &port = *host.Channel().Comm;
    const std::chrono::milliseconds limit = Timing::scaled(wait);
    QElapsedTimer clock;
    clock.start();
    host.enterPhase(RunPhase::OpeningPort);
    host.SetStatus(WaitingForPortText());
    for (;;) {
        if (host.QuitRequested()) {
            port.ClosePort();
            return Result::Interrupted;
        }
        if (!port.PortOpen())
            tryOpen();
        else if (ProbeAnswered(host.Channel()))
            return Result::Answered;
        else
            SendProbe(host.Channel());
        if (std::chrono::milliseconds(clock.elapsed()) >= limit) {
            port.ClosePort();
            host.LogLine(QStringLiteral("Время ожидания отклика от модема истекло."));
            return Result::NoAnswer;
        }
        idleFor(Timing::scaled(ProbeInterval));
    }
}

void PowerOnWait::tryOpen()
{
    TComm32 &port = *host.Channel().Comm;
    try {
        if (!port.OpenPort())
            return;
    } catch (const ECommsError &error) {
        // As in the window: a modem that is still off often has no device yet; try again.
        port.ClosePort();
        openError = error.message();
        return;
    }
    opened = true;
    host.enterPhase(RunPhase::WaitingForAnswer);
    host.SetStatus(QStringLiteral("Модем подключен. Порт: ") + port.CommPort());
    host.SetStatus(QStringLiteral("Ожидаю отклик от модема..."));
}
