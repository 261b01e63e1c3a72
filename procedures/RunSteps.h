#pragma once

#include "catalogue/ModemCatalogue.h"
#include "common/Failure.h"
#include "procedures/PowerOnStep.h"
#include "procedures/RunOutcome.h"

#include <QString>

#include <optional>

// What the steps need from the window that shows them: a log, a status line, a gauge, boxes, two
// clocks and the port dialog. Everything is called on the thread that owns the channel.
class StepsView
{
public:
    enum class Box
    {
        Information, // "Сообщение", information icon
        Warning,     // "Сообщение", warning icon
        Error,       // "Ошибка", error icon
        HandlerError // captioned with the application title: an error ended a handler
    };

    virtual ~StepsView() = default;

    // As ProcedureHost::LogLine: one line, then pending events are processed.
    virtual void LogLine(const QString &Text) = 0;
    // As ProcedureHost::FileSent: the window keeps it for the run's record.
    virtual void FileSent(const SentFile &File) = 0;
    virtual bool LogIsEmpty() const = 0;
    // The status line, then LogLine of the same text.
    virtual void SetStatus(const QString &Text) = 0;
    virtual void SetGaugeMaximum(int Maximum) = 0;
    virtual void SetGaugePosition(int Position) = 0;
    virtual int GaugePosition() const = 0;
    virtual void ShowTransfer(const TransferProgress &Progress) = 0;
    virtual void TransferEnded() = 0;
    // A modal box with an OK button; returns when it is closed. Text comes with its trailing
    // spaces.
    virtual void ShowBox(Box Kind, const QString &Text) = 0;
    // The error box that ends a failed run: Text as ShowBox has it, and under it the Reason the
    // run failed (empty when there is none to add).
    virtual void ShowFailureBox(const QString &Text, const QString &Reason) = 0;
    // Why step 2 is where it is (no port, a port that will not open), as a hint on its row.
    virtual void SetPortHint(const QString &Hint) = 0;
    // Why the port did not open at the last try (no device, busy, no permission), in place of the
    // status line's text until the port opens; it is not logged, as the tries go on every 250 ms.
    virtual void ShowPortProblem(const QString &Diagnosis) = 0;
    // Starts (at the nominal interval, scaled by the timing source) or stops the clock that
    // calls RunSteps::portTick every 250 ms, and the one that calls powerTick every second.
    virtual void RunPortTicks(bool Run) = 0;
    virtual void RunPowerTicks(bool Run) = 0;
    // The port dialog over the channel's port, which is closed. When it is accepted, its settings
    // are applied to the port and the result is the note on why they name no port (empty when
    // they do); no value when it is cancelled. May raise EConvertError for an unusable value.
    virtual std::optional<QString> AskPortSettings() = 0;
    // The catalogue entry chosen at the moment; an empty one when none is selected.
    virtual TDirObject SelectedType() const = 0;
    // The state below changed: the window mirrors it.
    virtual void ShowSteps() = 0;
    // Back at step 1 or 2 with the modem list enabled: the list takes the keyboard again.
    virtual void FocusModemList() = 0;
    // A close that came during the run: the window closes once the run has returned.
    virtual void CloseLater() = 0;
    // A run of Type starts, and it has ended: Written, or the Reason it did not write the modem
    // (what its failure box and its record say). The window keeps each run's record and log.
    virtual void RunStarted(const TDirObject &Type) = 0;
    virtual void RunFinished(const RunOutcome &Outcome) = 0;
};

// The three steps of the main window and the run at their end, without a widget: which step is
// current, what is enabled, the power-on step with its two clocks, the run, the quit request.
// The window builds the widgets, forwards the user's choices and the clocks' ticks here, and
// shows what ShowSteps tells it. It is also the host of the power-on step and of the run: what
// it cannot answer itself it leaves to the view.
class RunSteps : public PowerOnHost
{
public:
    RunSteps(StepsView &View, TmyComm &Channel);

    // What the window shows: the modem list is enabled unless the power-on wait counts, a run is
    // in progress or the modem has answered; step 2's row while the port is opened or waited
    // on; step 3's row once the port is open.
    bool modemListEnabled() const;
    bool portStepActive() const { return portStep; }
    bool powerStepActive() const { return powerStep; }
    bool modemAnswered() const { return answered; }

    // Step 1, as the window first shows it.
    void start();
    // The user picked a type in the modem list.
    void modemChosen(const TDirObject &Type);
    void portTick();
    void powerTick();
    // The user asks to close the window: true when it may close now (clocks stopped, port
    // closed); during a run only the quit request is set, and the window closes after it.
    bool closeRequested();
    // An error ended a handler: the clocks stop, the port closes, Line goes to the log and to a
    // box, and the window is back at step 1.
    void recoverFrom(const QString &Line);

    // PowerOnHost
    void LogLine(const QString &Text) override { view.LogLine(Text); }
    void LogFailure(const Failure &Reason) override;
    void NoteFailure(const QString &Reason) override
    {
        runReason = Reason;
        runRefused = false;
    }
    void FileSent(const SentFile &File) override { view.FileSent(File); }
    void SetStatus(const QString &Text) override { view.SetStatus(Text); }
    void SetGaugeMaximum(int Maximum) override
    {
        runGaugeTotal = Maximum;
        view.SetGaugeMaximum(Maximum);
    }
    void SetGaugePosition(int Position) override { view.SetGaugePosition(Position); }
    int GaugePosition() const override { return view.GaugePosition(); }
    QStringList ListFolder(const QString &Folder) override { return ListPlainFiles(Folder); }
    QString SelectedDirPath() const override { return runDirPath; }
    bool QuitRequested() const override { return quitRequested; }
    void ShowErrorBox(const QString &Text) override;
    TmyComm &Channel() override { return channel; }
    void ShowTransfer(const TransferProgress &Progress) override { view.ShowTransfer(Progress); }
    void TransferEnded() override { view.TransferEnded(); }
    void ProbeFinished() override;
    void WritingStarted() override;
    void PowerWaitStarted() override;
    void PortOpenFailed(const QString &Diagnosis) override;

private:
    // Step 2 (true) or back to step 1 (false).
    void SetPortStep(bool Active);
    void SetPowerStep(bool Active);
    // The port dialog; true when it was accepted with settings the port can take.
    bool EditPortSettings();
    void runProgramming();
    // How the run that just ended went and why, as its record says it; Trouble overrides what
    // the procedure said of itself (an error that ended the run).
    RunOutcome judgeRun(bool Written, const QString &Trouble) const;
    // Where every run that reached its outcome ends: the outcome box and the gauge.
    void runEnded(const RunOutcome &Outcome);
    // A run that cannot start: the line in the log and an error box.
    void refuse(const Failure &Refusal);
    void runPowerTicks(bool Run);

    StepsView &view;
    TmyComm &channel;
    PowerOnStep powerOn{*this};
    bool portStep = false;
    bool powerStep = false;
    bool powerTicks = false;
    bool answered = false;
    bool inRun = false;
    bool quitRequested = false;
    QString runDirPath;
    QString runReason;       // the refusal, error box or note that explains the run's failure
    bool runRefused = false; // runReason is a refusal of the type's data
    int runGaugeTotal = 0;   // the run's own count (files or lines), not the power-on wait's
    QString portNote;        // why the accepted settings name no port to open; empty when they do
};
