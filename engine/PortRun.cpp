#include "PortRun.h"

#include "atlink/TmyComm.h"
#include "engine/FlashHost.h"
#include "engine/ModemIdentity.h"
#include "engine/PowerOnWait.h"
#include "procedures/Procedures.h"
#include "procedures/RunOutcome.h"
#include "procedures/RunRecording.h"
#include "records/RunLogFile.h"
#include "records/RunRecordFile.h"

#include <QCoreApplication>

#include <exception>

namespace {

// Everything from the chosen type to the outcome; the caller closes the port afterwards.
PortResult programme(const PortJob &Job, FlashHost &Host, RunRecord &Record)
{
    Host.LogLine(ModemChosenText(Job.type.Title));
    if (const auto problem = PreparePort(Job, Host)) {
        Host.reportError(problem->text);
        return JudgedResult(Host, false);
    }

    PowerOnWait wait(Host,
                     Job.noWait ? PowerOnWait::Limit::AlreadyOn : PowerOnWait::Limit::PowerOn);
    PortResult result;
    switch (wait.run()) {
    case PowerOnWait::Result::Interrupted:
        return JudgedResult(Host, false);
    case PowerOnWait::Result::NoAnswer:
        return ResultOf(JudgeNoAnswer(wait.portEverOpened(), Host.portOpenDiagnosis()));
    case PowerOnWait::Result::Answered:
        break;
    }
    if (Job.identify)
        Record.imei = ReadModemIdentity(Host);
    result = ProgrammeAnsweredModem(Job, Host);
    result.imei = Record.imei;
    return result;
}

// The file's path, or empty when it could not be written.
QString KeepRunLog(const PortJob &Job, FlashHost &Host, const RunRecord &Record)
{
    const auto kept = WriteRunLog(Job.logFolder, RunLogName(Record.start, {Job.port, Record.imei}),
                                  Host.runLog());
    if (kept)
        return *kept;
    Host.LogLine(QCoreApplication::translate("Runner", "Лог работы не сохранён: %1")
                     .arg(kept.failure().text));
    return {};
}

} // namespace

RunRecord StartRecordFor(const PortJob &Job)
{
    return StartRecordOf(Job.type.DirName, Job.port);
}

std::optional<Failure> PreparePort(const PortJob &Job, FlashHost &Host)
{
    TmyComm &channel = Host.Channel();
    if (auto profile = channel.LoadPortSettings(Job.type.DirPath + QStringLiteral("/upload.ini"))) {
        // A profile that cannot be read (it could when the runs were checked) ends the run.
        if (profile->kind != Failure::Kind::MissingFile)
            return profile;
        Host.LogFailure(*profile);
    }
    channel.Comm->SetCommPort(Job.port);
    if (Job.writeRate)
        channel.WriteRate = *Job.writeRate;
    return std::nullopt;
}

PortResult ResultOf(const RunOutcome &Judged)
{
    PortResult result;
    result.outcome = Judged.result;
    result.reason = Judged.reason;
    result.reasonCode = Judged.code;
    result.portNotOpened = Judged.code == RunReason::PortNotOpened;
    return result;
}

PortResult JudgedResult(const FlashHost &Host, bool Programmed)
{
    return ResultOf(JudgeRun(Host.ending(Programmed)));
}

PortResult ProgrammeAnsweredModem(const PortJob &Job, FlashHost &Host)
{
    bool programmed = false;
    // A Java modem's loader is started again after every run, an interrupted one too.
    Host.expectClosingCommands(ProcedureFamilyName(Job.type.DirName) == u"java");
    try {
        programmed = PerformProgrammingRun(Host, Job.type.DirName);
    } catch (const std::exception &error) {
        Host.reportError(ErrorLine(error));
    }
    return JudgedResult(Host, programmed);
}

void EndRun(FlashHost &Host, PortResult &Result)
{
    TComm32 &port = *Host.Channel().Comm;
    port.ClosePort();
    Result.portClosed = !port.PortOpen();
}

std::optional<Failure> KeepRecord(const PortJob &Job, FlashHost &Host, RunRecord Record,
                                  const PortResult &Result)
{
    if (!Job.logFolder.isEmpty())
        Record.log = KeepRunLog(Job, Host, Record);
    if (!Job.records)
        return std::nullopt;
    Record.end = QDateTime::currentDateTimeUtc();
    Record.files = Host.sentFiles();
    Record.lineRate = Host.writingRate();
    Record.result = Result.outcome;
    Record.reason = Result.reason;
    Record.reasonCode = Result.reasonCode;
    auto failure = Job.records->append(Record);
    if (!failure)
        return std::nullopt;
    failure->text = QCoreApplication::translate("Runner", "Запись о работе не сохранена в %1: %2")
                        .arg(Job.records->path(), failure->text);
    Host.reportError(failure->text);
    return failure;
}

PortRun::PortRun(PortJob Job, int Port, RunObserver &Observer, const RunStop &Stop)
    : job(std::move(Job)), port(Port), observer(Observer), stop(Stop)
{
}

PortResult PortRun::execute()
{
    TmyComm channel;
    FlashHost host(channel, job.type.DirPath, port, observer, stop);
    host.SetMaxAttempts(job.maxAttempts);
    RunRecord record = StartRecordFor(job);
    PortResult result;
    try {
        result = programme(job, host, record);
    } catch (const std::exception &error) {
        // An error of one port (reopening after the switch, an unreadable profile) ends only it.
        host.reportError(ErrorLine(error));
        result = JudgedResult(host, false);
    }
    EndRun(host, result);
    const auto unrecorded = KeepRecord(job, host, record, result);
    if (unrecorded && result.outcome == PortOutcome::Programmed) {
        // A line that counts on its records must not take a modem it cannot account for as done.
        result.outcome = PortOutcome::Failed;
        result.reason = unrecorded->text;
        result.reasonCode = RunReason::RecordNotSaved;
    }
    host.enterPhase(RunPhase::Finished);
    observer.finished(port, result);
    return result;
}
