#include "PowerOnWait.h"

#include "atlink/Timing.h"
#include "atlink/TmyComm.h"
#include "engine/FlashHost.h"
#include "procedures/PowerOnStep.h"

#include <QEventLoop>
#include <QTimer>

#include <functional>

using namespace std::chrono_literals;

namespace {

// Hears every block the modem sends while it lives, right after the channel has taken it.
class AnswerWatch
{
public:
    AnswerWatch(TComm32 &Port, std::function<void()> Heard)
        : port(Port), channelTakes(Port.OnReceiveData), heard(std::move(Heard))
    {
        port.OnReceiveData = [this](const char *Buffer, std::uint16_t BufferLength) {
            channelTakes(Buffer, BufferLength);
            heard();
        };
    }
    ~AnswerWatch() { port.OnReceiveData = channelTakes; }
    AnswerWatch(const AnswerWatch &) = delete;
    AnswerWatch &operator=(const AnswerWatch &) = delete;

private:
    TComm32 &port;
    const TReceiveDataEvent channelTakes;
    const std::function<void()> heard;
};

} // namespace

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
        const bool wasOpen = port.PortOpen();
        PowerOnStep::State state = step.portTick();
        // The first probe goes out as the port opens, not a tick later.
        if (state == PowerOnStep::State::Probing && !wasOpen)
            state = step.portTick();
        if (state == PowerOnStep::State::Answered) {
            finish(Result::Answered);
        } else if (state == PowerOnStep::State::Probing && !opened) {
            opened = true;
            openDeadline.stop();
            if (!unbounded)
                Timing::startClock(powerTicks, PowerOnStep::PowerTickInterval);
        }
    };
    // Without a window to keep in step, the modem's answer is taken as it comes: a tick later
    // would add a quarter of a second to every modem's run.
    const AnswerWatch answerWatch(*host.Channel().Comm, [&] {
        if (step.running() && !host.QuitRequested() && ProbeAnswered(host.Channel()) &&
            step.portTick() == PowerOnStep::State::Answered)
            finish(Result::Answered);
    });
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
