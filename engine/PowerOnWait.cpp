#include "PowerOnWait.h"

#include "atlink/Timing.h"
#include "atlink/TmyComm.h"
#include "engine/FlashHost.h"
#include "procedures/PowerOnStep.h"

#include <QEventLoop>
#include <QTimer>

using namespace std::chrono_literals;

PowerOnWait::PowerOnWait(FlashHost &Host, Limit WaitLimit) : host(Host), limit(WaitLimit) {}

PowerOnWait::Result PowerOnWait::run()
{
    const bool noWait = limit == Limit::AlreadyOn;
    const bool unbounded = limit == Limit::None;
    PowerOnStep step(host, noWait ? 0 : PowerOnStep::PowerOnSeconds);
    QEventLoop loop;
    QTimer portTicks;
    QTimer powerTicks;
    QTimer openDeadline;
    openDeadline.setSingleShot(true);
    Result result = Result::NoAnswer;
    const auto finish = [&](Result Outcome) {
        result = Outcome;
        portTicks.stop();
        powerTicks.stop();
        openDeadline.stop();
        step.stop();
        loop.quit();
    };

    const auto portTick = [&] {
        if (host.QuitRequested()) {
            host.Channel().Comm->ClosePort();
            finish(Result::Interrupted);
            return;
        }
        TComm32 &port = *host.Channel().Comm;
        if (unbounded && port.PortOpen() && port.HungUp()) {
            // The device went away before a modem answered: opened again once it is back.
            port.ClosePort();
            step.start();
        }
        const PowerOnStep::State state = step.portTick();
        if (state == PowerOnStep::State::Answered) {
            finish(Result::Answered);
        } else if (state == PowerOnStep::State::Probing && !opened) {
            opened = true;
            openDeadline.stop();
            if (!unbounded)
                Timing::startClock(powerTicks, PowerOnStep::PowerTickInterval);
        }
    };
    QObject::connect(&portTicks, &QTimer::timeout, portTick);
    QObject::connect(&powerTicks, &QTimer::timeout, [&] {
        if (step.powerTick() == PowerOnStep::State::TimedOut)
            finish(Result::NoAnswer);
    });
    QObject::connect(&openDeadline, &QTimer::timeout, [&] {
        host.Channel().Comm->ClosePort();
        host.LogLine(PowerOnTimedOutText());
        finish(Result::NoAnswer);
    });

    host.enterPhase(RunPhase::OpeningPort);
    host.SetStatus(WaitingForPortText());
    step.start();
    const std::chrono::milliseconds openLimit =
        noWait ? PowerOnStep::PowerTickInterval
               : PowerOnStep::PowerTickInterval * (PowerOnStep::PowerOnSeconds + 1);
    if (!unbounded)
        openDeadline.start(Timing::scaled(openLimit));
    Timing::startClock(portTicks, PowerOnStep::PortTickInterval);
    // The first tick at once: there is no dialog to close first.
    QTimer::singleShot(0, &portTicks, portTick);
    loop.exec();
    return result;
}
