#include "RunSteps.h"

#include "atlink/TmyComm.h"
#include "procedures/PortDiagnosis.h"
#include "procedures/Procedures.h"

#include <QCoreApplication>

namespace {

using Box = StepsView::Box;

// Message boxes carry trailing spaces that widen them; the log has the text without them.
QString withTrailingSpaces(const QString &Text, int Count)
{
    return Text + QString(Count, u' ');
}

} // namespace

RunSteps::RunSteps(StepsView &View, TmyComm &Channel) : view(View), channel(Channel) {}

bool RunSteps::modemListEnabled() const
{
    return !answered && !powerTicks && !inRun;
}

void RunSteps::start()
{
    answered = false;
    SetPortStep(false);
}

void RunSteps::modemChosen(const TDirObject &Type)
{
    view.RunPortTicks(false);
    powerOn.stop();
    channel.Comm->ClosePort();
    answered = false;
    view.LogLine(ModemChosenText(Type.Title));
    if (const auto profile =
            channel.LoadPortSettings(Type.DirPath + QStringLiteral("/upload.ini"))) {
        // A profile that is there but cannot be read ends the choice like an error would.
        if (profile->kind != Failure::Kind::MissingFile) {
            recoverFrom(profile->text);
            return;
        }
        view.ShowBox(Box::Warning, withTrailingSpaces(profile->text, 8));
        view.LogLine(profile->text);
    }
    // Data the procedure would refuse is refused now, before the modem is switched on for it.
    if (const auto refusal = TypeDataRefusal(Type.DirName, Type.DirPath)) {
        refuse(*refusal);
        SetPortStep(false);
        return;
    }
    SetPortStep(EditPortSettings());
}

void RunSteps::portTick()
{
    if (answered || inRun)
        return;
    if (powerOn.portTick() == PowerOnStep::State::Answered)
        runProgramming();
}

void RunSteps::powerTick()
{
    if (inRun)
        return;
    // Both clocks stop before the time-out line lets a port tick in, which would reopen the port
    // under the dialog.
    if (powerOn.powerTick() != PowerOnStep::State::TimedOut)
        return;
    runPowerTicks(false);
    view.RunPortTicks(false);
    SetPortStep(EditPortSettings());
}

bool RunSteps::closeRequested()
{
    if (inRun) {
        quitRequested = true;
        return false;
    }
    view.RunPortTicks(false);
    runPowerTicks(false);
    channel.Comm->ClosePort();
    return true;
}

void RunSteps::recoverFrom(const QString &Line)
{
    // Whatever the handler was doing is over: no clock, no port, step 1 again.
    view.RunPortTicks(false);
    runPowerTicks(false);
    powerOn.stop();
    channel.Comm->ClosePort();
    view.SetGaugePosition(0);
    view.LogLine(Line);
    view.ShowBox(Box::HandlerError, Line);
    SetPortStep(false);
}

void RunSteps::ProbeFinished()
{
    runPowerTicks(false);
    view.SetGaugePosition(0);
    view.RunPortTicks(false);
}

void RunSteps::WritingStarted()
{
    answered = true;
    view.ShowSteps();
}

void RunSteps::PowerWaitStarted()
{
    view.SetPortHint(PortStepHint({}));
    SetPowerStep(true);
    runPowerTicks(true);
    view.ShowSteps();
}

void RunSteps::PortOpenFailed(const QString &Diagnosis)
{
    view.ShowSteps();
    view.SetPortHint(PortStepHint(Diagnosis));
    view.ShowPortProblem(Diagnosis);
}

void RunSteps::LogFailure(const Failure &Reason)
{
    // A run refused before anything reached the modem says why in this line.
    if (Reason.kind == Failure::Kind::Refused) {
        runReason = Reason.text;
        runRefused = true;
    }
    view.LogLine(Reason.text);
}

void RunSteps::ShowErrorBox(const QString &Text)
{
    runReason = Text.trimmed();
    runRefused = false;
    view.ShowBox(Box::Error, Text);
}

void RunSteps::SetPortStep(bool Active)
{
    portStep = Active;
    if (Active) {
        view.SetPortHint(PortStepHint(portNote));
        view.SetStatus(portNote.isEmpty() ? WaitingForPortText() : portNote);
    } else {
        if (!view.LogIsEmpty())
            view.LogLine({});
        view.SetStatus(
            QCoreApplication::translate("Run", "Ожидаю выбор типа модема на шаге №1..."));
        answered = false;
        SetPowerStep(false);
    }
    view.ShowSteps();
    // Steps 1 and 2 go on from the modem list, which lost the keyboard while it was disabled
    // (during a run, or the power-on wait before a time-out).
    if (modemListEnabled())
        view.FocusModemList();
}

void RunSteps::SetPowerStep(bool Active)
{
    powerStep = Active;
    view.ShowSteps();
}

bool RunSteps::EditPortSettings()
{
    view.RunPortTicks(false);
    powerOn.stop();
    channel.Comm->ClosePort();
    view.ShowSteps();
    const std::optional<QString> note = view.AskPortSettings();
    if (!note)
        return false;
    if (const auto refusal = PortSettingsRefusal(*channel.Comm)) {
        refuse(*refusal);
        return false;
    }
    // Without a port there is nothing to open: step 2 says so rather than trying a name that
    // names no device.
    portNote = *note;
    if (portNote.isEmpty()) {
        powerOn.start();
        view.RunPortTicks(true);
    }
    return true;
}

void RunSteps::runProgramming()
{
    {
        // The list stays disabled for the whole run, also during the baud-rate switch before the
        // modem counts as answered; a close request waits until the run has ended, also when an
        // error ends it.
        inRun = true;
        const struct RunGuard
        {
            RunSteps &steps;
            ~RunGuard()
            {
                steps.inRun = false;
                if (steps.quitRequested)
                    steps.view.CloseLater();
            }
        } guard{*this};

        const TDirObject type = view.SelectedType();
        runDirPath = type.DirPath;
        runReason.clear();
        runRefused = false;
        runGaugeTotal = 0;
        view.RunStarted(type);
        bool written = false;
        try {
            written = PerformProgrammingRun(*this, type.DirName);
        } catch (const std::exception &error) {
            view.RunFinished(judgeRun(false, ErrorLine(error)));
            throw;
        }
        const RunOutcome outcome = judgeRun(written, runReason);
        view.RunFinished(outcome);
        runEnded(outcome);
    }
    SetPortStep(false);
}

RunOutcome RunSteps::judgeRun(bool Written, const QString &Trouble) const
{
    RunEnding ending;
    ending.programmed = Written;
    ending.quitRequested = quitRequested;
    if (const TComm32 &port = *channel.Comm; port.HungUp())
        ending.lostPort = port.CommPort();
    ending.trouble = Trouble;
    ending.refused = runRefused && Trouble == runReason;
    // The gauge still shows how far the run got: it goes back to 0 after the outcome.
    ending.done = view.GaugePosition();
    ending.total = runGaugeTotal;
    return JudgeRun(ending);
}

void RunSteps::runEnded(const RunOutcome &Outcome)
{
    const bool written = Outcome.result == RunResult::Programmed;
    // After a close request the outcome is in the log; a box would hold the window open.
    if (!quitRequested && written)
        view.ShowBox(Box::Information, withTrailingSpaces(RunSucceededText(), 10));
    // The box's own words stay as they always were; the reason under them, the one the run's
    // record holds, is what the technician acts on.
    else if (!quitRequested)
        view.ShowFailureBox(withTrailingSpaces(RunFailedText(), 10), Outcome.reason);
    runPowerTicks(false);
    view.SetGaugePosition(0);
}

void RunSteps::refuse(const Failure &Refusal)
{
    view.LogLine(Refusal.text);
    view.ShowBox(Box::Error, withTrailingSpaces(Refusal.text, 9));
}

void RunSteps::runPowerTicks(bool Run)
{
    powerTicks = Run;
    view.RunPowerTicks(Run);
}
