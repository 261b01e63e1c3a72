#include "PowerOnWait.h"

#include "atlink/Timing.h"
#include "atlink/TmyComm.h"
#include "flash/FlashHost.h"
#include "procedures/PowerOnStep.h"

#include <QEventLoop>
#include <QTimer>

using namespace std::chrono_literals;

PowerOnWait::PowerOnWait(FlashHost &Host, bool NoWait) : host(Host), noWait(NoWait) {}

PowerOnWait::Result PowerOnWait::run()
{
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
        const PowerOnStep::State state = step.portTick();
        if (state == PowerOnStep::State::Answered) {
            finish(Result::Answered);
        } else if (state == PowerOnStep::State::Probing && !powerTicks.isActive()) {
            opened = true;
            openDeadline.stop();
            powerTicks.start(Timing::scaled(PowerOnStep::PowerTickInterval));
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
    openDeadline.start(Timing::scaled(openLimit));
    portTicks.start(Timing::scaled(PowerOnStep::PortTickInterval));
    // The first tick at once: there is no dialog to close first.
    QTimer::singleShot(0, &portTicks, portTick);
    loop.exec();
    return result;
}
