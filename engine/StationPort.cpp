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

using namespace std::chrono_literals;

namespace {

// A modem that answers no probe for this long has been taken away (or switched off).
constexpr std::chrono::milliseconds SilenceMeansGone = 3000ms;

} // namespace

bool DeviceTakenAway(const DeviceLook &Look)
{
    return (Look.present.has_value() && !*Look.present) || !Look.same || Look.hungUp;
}

StationPort::StationPort(PortJob Job, int Port, RunObserver &Observer, const RunStop &Stop,
                         StationSession &Session)
    : job(std::move(Job)), port(Port), observer(Observer), stop(Stop), session(Session)
{
}

PortResult StationPort::run()
{
    while (!stop.quit.load() && serveOneModem()) {
    }
    report(StationState::Stopped, PortDevice(job.port));
    PortResult result;
    result.outcome = stopReason.isEmpty() ? PortOutcome::Interrupted : PortOutcome::Failed;
    result.reason = stopReason.isEmpty() ? InterruptedReason() : stopReason;
    result.reasonCode = stopReason.isEmpty() ? RunReason::Interrupted : stopReasonCode;
    result.portClosed = true;
    observer.finished(port, result);
    return result;
}

bool StationPort::serveOneModem()
{
    TmyComm channel;
    FlashHost host(channel, job.type.DirPath, port, observer, stop);
    host.SetMaxAttempts(job.maxAttempts);
    report(StationState::WaitingForModem, PortDevice(job.port));
    PortResult result;
    RunRecord record;
    try {
        if (const auto problem = PreparePort(job, host)) {
            // An unreadable profile: the port itself cannot be used, and trying it again at once
            // would only fail again.
            host.reportError(problem->text);
            channel.Comm->ClosePort();
            return stopPort(host.failureReason(), JudgedResult(host, false).reasonCode);
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
            report(StationState::AlreadyProgrammed, record.device, record.imei);
            waitUntilTakenAway(host, record.device);
            return true;
        }
        report(StationState::Programming, record.device, record.imei);
        result = ProgrammeAnsweredModem(job, host);
    } catch (const std::exception &error) {
        // An unreadable profile, a port that cannot be set up: this modem fails, the port goes on.
        host.reportError(ErrorLine(error));
        result = JudgedResult(host, false);
        if (record.start.isNull()) {
            // Before any modem answered: the port itself cannot be used, and trying it again at
            // once would only fail again.
            channel.Comm->ClosePort();
            return stopPort(result.reason, result.reasonCode);
        }
    }
    result.imei = record.imei;
    EndRun(host, result);
    const auto unrecorded = KeepRecord(job, host, record, result);
    // What the modem went through is counted even when its record is lost: it was programmed.
    tally = session.count(port, result);
    if (unrecorded) {
        // A station must not program modems it cannot account for: this one is done and can go,
        // the port takes no more.
        report(StationState::TakeOff, record.device, record.imei, result);
        return stopPort(unrecorded->text, RunReason::RecordNotSaved);
    }
    if (stop.quit.load())
        return false;
    report(StationState::TakeOff, record.device, record.imei, result);
    waitUntilTakenAway(host, record.device);
    return true;
}

void StationPort::waitUntilTakenAway(FlashHost &Host, const QString &Device)
{
    TmyComm &channel = Host.Channel();
    TComm32 &device = *channel.Comm;
    const PauseBreak onQuit([this] { return stop.quit.load(); });
    QElapsedTimer sinceAnswer;
    sinceAnswer.start();
    while (!stop.quit.load()) {
        // A USB modem unplugged: its device is gone, the open port has lost it, or the name now
        // leads to another device (the next modem already plugged in).
        if (DeviceTakenAway({DevicePresent(job.port), PortDevice(job.port) == Device,
                             device.PortOpen() && device.HungUp()}))
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

bool StationPort::stopPort(const QString &Reason, RunReason Code)
{
    stopReason = Reason;
    stopReasonCode = Code;
    tally = session.stopped(port, Reason);
    return false;
}

void StationPort::report(StationState State, const QString &Device, const QString &Imei,
                         const std::optional<PortResult> &Ended)
{
    StationStatus status;
    status.state = State;
    status.tally = tally;
    status.device = Device;
    status.imei = Imei;
    status.ended = Ended;
    observer.station(port, status);
}
