#include "StationPort.h"

#include "atlink/Timing.h"
#include "atlink/TmyComm.h"
#include "engine/FlashHost.h"
#include "engine/ModemIdentity.h"
#include "engine/PowerOnWait.h"
#include "engine/StationSession.h"
#include "procedures/PowerOnStep.h"
#include "procedures/RunOutcome.h"
#include "serial/SerialPorts.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>

using namespace std::chrono_literals;

namespace {

// A modem that answers no probe for this long has been taken away (or switched off).
constexpr std::chrono::milliseconds SilenceMeansGone = 3000ms;

} // namespace

StationPort::StationPort(PortJob Job, int Port, RunObserver &Observer,
                         const std::atomic<bool> &Quit, StationSession &Session)
    : job(std::move(Job)), port(Port), observer(Observer), quit(Quit), session(Session)
{
}

PortResult StationPort::run()
{
    while (!quit.load() && serveOneModem()) {
    }
    report(StationState::Stopped);
    PortResult result;
    result.outcome = recordFailure.isEmpty() ? PortOutcome::Interrupted : PortOutcome::Failed;
    result.reason = recordFailure.isEmpty() ? InterruptedReason() : recordFailure;
    result.reasonCode = recordFailure.isEmpty() ? RunReason::Interrupted : recordFailureCode;
    result.portClosed = true;
    observer.finished(port, result);
    return result;
}

bool StationPort::serveOneModem()
{
    TmyComm channel;
    FlashHost host(channel, job.type.DirPath, port, observer, quit);
    host.SetMaxAttempts(job.maxAttempts);
    report(StationState::WaitingForModem);
    PortResult result;
    RunRecord record;
    try {
        if (const auto problem = PreparePort(job, host)) {
            // An unreadable profile: the port itself cannot be used, and trying it again at once
            // would only fail again.
            host.reportError(problem->text);
            channel.Comm->ClosePort();
            recordFailure = host.failureReason();
            recordFailureCode = JudgedResult(host, false).reasonCode;
            return false;
        }
        if (PowerOnWait(host, PowerOnWait::Limit::None).run() != PowerOnWait::Result::Answered) {
            channel.Comm->ClosePort();
            return false;
        }
        record = StartRecordFor(job);
        record.imei = ReadModemIdentity(host);
        if (session.programmedBefore(record.imei)) {
            host.LogLine(QCoreApplication::translate(
                             "Runner", "Модем с IMEI %1 уже запрограммирован в этом сеансе. "
                                       "Снимите модем.")
                             .arg(record.imei));
            report(StationState::AlreadyProgrammed, record.imei);
            waitUntilTakenAway(host, record.device);
            return true;
        }
        report(StationState::Programming, record.imei);
        result = ProgrammeAnsweredModem(job, host);
    } catch (const std::exception &error) {
        // An unreadable profile, a port that cannot be set up: this modem fails, the port goes on.
        host.reportError(ErrorLine(error));
        result = JudgedResult(host, false);
        if (record.start.isNull()) {
            // Before any modem answered: the port itself cannot be used, and trying it again at
            // once would only fail again.
            channel.Comm->ClosePort();
            recordFailure = result.reason;
            recordFailureCode = result.reasonCode;
            return false;
        }
    }
    result.imei = record.imei;
    EndRun(host, result);
    if (const auto unrecorded = KeepRecord(job, host, record, result)) {
        // A station must not program modems it cannot account for.
        recordFailure = unrecorded->text;
        recordFailureCode = RunReason::RecordNotSaved;
        return false;
    }
    tally = session.count(port, result);
    if (quit.load())
        return false;
    report(StationState::TakeOff, record.imei, result);
    waitUntilTakenAway(host, record.device);
    return true;
}

void StationPort::waitUntilTakenAway(FlashHost &Host, const QString &Device)
{
    TmyComm &channel = Host.Channel();
    TComm32 &device = *channel.Comm;
    const PauseBreak onQuit([this] { return quit.load(); });
    QElapsedTimer sinceAnswer;
    sinceAnswer.start();
    while (!quit.load()) {
        // A USB modem unplugged: its device is gone, the open port has lost it, or the name now
        // leads to another device (the next modem already plugged in).
        if (!QFileInfo::exists(ResolveDevicePath(job.port)) || PortDevice(job.port) != Device ||
            (device.PortOpen() && device.HungUp()))
            break;
        if (!device.PortOpen()) {
            try {
                device.OpenPort();
                channel.ClearReply();
            } catch (const ECommsError &) {
                // Held by another program or going away: counts as silence.
            }
        } else if (ProbeAnswered(channel)) {
            sinceAnswer.restart();
        }
        if (sinceAnswer.elapsed() >= Timing::scaled(SilenceMeansGone).count())
            break;
        if (device.PortOpen())
            SendProbe(channel);
        Pause(static_cast<std::uint32_t>(PowerOnStep::PortTickInterval.count()));
    }
    device.ClosePort();
}

void StationPort::report(StationState State, const QString &Imei,
                         const std::optional<PortResult> &Ended)
{
    StationStatus status;
    status.state = State;
    status.tally = tally;
    status.imei = Imei;
    status.ended = Ended;
    observer.station(port, status);
}
