#include "PortRun.h"

#include "atlink/TmyComm.h"
#include "flash/FlashHost.h"
#include "flash/PowerOnWait.h"

#include <exception>

namespace {

QString noAnswerReason(const PowerOnWait &Wait, const FlashHost &Host)
{
    if (Wait.portEverOpened())
        return QStringLiteral("нет отклика от модема за время ожидания включения");
    if (Host.portOpenDiagnosis().isEmpty())
        return QStringLiteral("порт не открылся за время ожидания включения");
    return QStringLiteral("порт не открылся: ") + Host.portOpenDiagnosis();
}

// Everything from the chosen type to the outcome; the caller closes the port afterwards.
PortResult programme(const PortJob &Job, FlashHost &Host)
{
    TmyComm &channel = Host.Channel();
    Host.LogLine(QStringLiteral("Выбран модем \"") + Job.type.Title + u'"');
    PortResult result;
    if (const auto profile =
            channel.LoadPortSettings(Job.type.DirPath + QStringLiteral("/upload.ini"))) {
        // A profile that cannot be read (it could when the runs were checked) ends this run.
        if (profile->kind != Failure::Kind::MissingFile) {
            Host.reportError(profile->text);
            result.reason = Host.failureReason();
            return result;
        }
        Host.LogFailure(*profile);
    }
    channel.Comm->SetCommPort(Job.port);
    if (Job.writeRate)
        channel.WriteRate = *Job.writeRate;

    PowerOnWait wait(Host, Job.noWait);
    switch (wait.run()) {
    case PowerOnWait::Result::Interrupted:
        result.outcome = PortOutcome::Interrupted;
        return result;
    case PowerOnWait::Result::NoAnswer:
        result.outcome = PortOutcome::NoAnswer;
        result.reason = noAnswerReason(wait, Host);
        return result;
    case PowerOnWait::Result::Answered:
        break;
    }
    if (PerformProgrammingRun(Host, Job.type.DirName))
        result.outcome = PortOutcome::Programmed;
    else if (Host.QuitRequested())
        result.outcome = PortOutcome::Interrupted;
    else
        result.reason = Host.failureReason();
    return result;
}

} // namespace

PortRun::PortRun(PortJob Job, int Port, RunObserver &Observer, const std::atomic<bool> &Quit)
    : job(std::move(Job)), port(Port), observer(Observer), quit(Quit)
{
}

PortResult PortRun::execute()
{
    TmyComm channel;
    FlashHost host(channel, job.type.DirPath, port, observer, quit);
    host.SetMaxAttempts(job.maxAttempts);
    PortResult result;
    try {
        result = programme(job, host);
    } catch (const std::exception &error) {
        // An error of one port (reopening after the switch, an unreadable profile) ends only it.
        host.reportError(ErrorLine(error));
        result.outcome = quit.load() ? PortOutcome::Interrupted : PortOutcome::Failed;
        result.reason = host.failureReason();
    }
    channel.Comm->ClosePort();
    result.portClosed = !channel.Comm->PortOpen();
    if (result.outcome == PortOutcome::Interrupted)
        result.reason = QStringLiteral("прервано");
    host.enterPhase(RunPhase::Finished);
    observer.finished(port, result);
    return result;
}
