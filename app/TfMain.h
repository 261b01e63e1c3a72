#pragma once

#include "app/MainWindowWidgets.h"
#include "app/RunArchive.h"
#include "app/WindowPlacement.h"
#include "catalogue/ModemCatalogue.h"
#include "catalogue/TypesFolder.h"
#include "procedures/RunSteps.h"
#include "records/RunRecord.h"

#include <QPixmap>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class QComboBox;
class QLabel;
class QTimer;
class TfCOMProperty;
class TmyComm;

// Where the main window finds its data and keeps its placement; tests point both elsewhere.
struct MainWindowSetup
{
    QString typesFolder; // the modem types; empty: the first of the usual places that has them
    QString placementFile = WindowPlacement::defaultFile();
    QString runsFolder = RunArchive::DefaultFolder(); // where each run's record and log are kept
    TypesSource typesSource = TypesSource::Given;     // what typesFolder is, as the log names it
};

// The main window: builds the widgets, hands the user's choices and its two clocks' ticks to the
// steps (RunSteps), and shows what they say. It owns the AT command channel.
class TfMain : public QWidget, public StepsView
{
    Q_OBJECT
public:
    using Setup = MainWindowSetup;

    explicit TfMain(TfCOMProperty &PortDialog, const Setup &setup = {}, QWidget *parent = nullptr);
    ~TfMain() override;

    const MainWindowWidgets widgets;
    QTimer *const tmrRS;         // the port and probe clock, 250 ms
    QTimer *const tmrStartPower; // the power-on wait's clock, 1 s

    TmyComm &Channel() { return *FComm; }
    bool QuitRequested() const { return steps.QuitRequested(); }
    // Fills Items afresh from the catalogue, nothing selected; the catalogue's problem, if any.
    std::optional<Failure> LoadModemList(QComboBox &Items) const;

    // StepsView
    void LogLine(const QString &Text) override;
    bool LogIsEmpty() const override;
    void SetStatus(const QString &Text) override;
    void SetGaugeMaximum(int Maximum) override;
    void SetGaugePosition(int Position) override;
    int GaugePosition() const override;
    void ShowTransfer(const TransferProgress &Progress) override;
    void TransferEnded() override;
    void ShowBox(Box Kind, const QString &Text) override;
    void ShowFailureBox(const QString &Text, const QString &Reason) override;
    void SetPortHint(const QString &Hint) override;
    void ShowPortProblem(const QString &Diagnosis) override;
    void RunPortTicks(bool Run) override;
    void RunPowerTicks(bool Run) override;
    std::optional<QString> AskPortSettings() override;
    TDirObject SelectedType() const override;
    void ShowSteps() override;
    void FocusModemList() override;
    void CloseLater() override;
    void FileSent(const SentFile &File) override;
    void RunStarted(const TDirObject &Type) override;
    void RunFinished(const RunOutcome &Outcome) override;

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void cbxModemsDropDown();
    void cbxModemsChange(int Index);
    void actLogSHExecute();
    void lblQXLRefClick();

    // Where the catalogue is read from at this opening of the modem list.
    TypesFolder typesFolder() const;
    // Runs one of the window's handlers so that no error leaves it through Qt's frames.
    void guarded(const std::function<void()> &Handler);
    void showIndicator(QLabel &Indicator, bool State);

    TfCOMProperty &fCOMProperty;
    std::unique_ptr<TmyComm> FComm;
    RunSteps steps;
    const QPixmap indicatorOn;
    const QPixmap indicatorOff;
    // The status line a file transfer's progress stands in for, given back when it ends.
    std::optional<QString> FStatusBeforeTransfer;
    const TypesFolder givenTypesFolder;
    QString typesFolderShown; // the folder the log last named, so that a change is said once
    WindowPlacement placement;
    QString languageFile; // where the language chosen in the port dialog is kept
    const RunArchive archive;
    RunRecord FRunRecord;
    QList<LoggedLine> FRunLog; // the log since the last run was kept, which leads to the next one
};
