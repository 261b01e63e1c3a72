#pragma once

#include "app/RunArchive.h"
#include "app/WindowPlacement.h"
#include "catalogue/ModemCatalogue.h"
#include "procedures/PowerOnStep.h"
#include "records/RunRecord.h"

#include <QWidget>

#include <exception>
#include <functional>
#include <memory>
#include <optional>

class DropDownComboBox;
class ProgressGauge;
class QAction;
class QComboBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QTimer;
class QToolButton;
class TfCOMProperty;
class TmyComm;

// Where the main window finds its data and keeps its placement; tests point both elsewhere.
struct MainWindowSetup
{
    QString programFolder = ProgramFolder();
    QString placementFile = WindowPlacement::defaultFile();
    QString runsFolder = RunArchive::DefaultFolder(); // where each run's record and log are kept
};

// The main window: the three steps a user goes through (modem type, port, power), the timers that
// open the port and probe the modem, and the programming run that starts once the modem answers.
// It owns the AT command channel and is the host the programming procedures report to.
class TfMain : public QWidget, public PowerOnHost
{
    Q_OBJECT
public:
    using Setup = MainWindowSetup;

    explicit TfMain(TfCOMProperty &PortDialog, const Setup &setup = {}, QWidget *parent = nullptr);
    ~TfMain() override;

    // What the procedures use.
    void LogLine(const QString &Text) override;
    void SetStatus(const QString &Text) override;
    void SetGaugeMaximum(int Maximum) override;
    void SetGaugePosition(int Position) override;
    int GaugePosition() const override;
    QStringList ListFolder(const QString &Folder) override;
    QString SelectedDirPath() const override;
    bool QuitRequested() const override;
    void ShowErrorBox(const QString &Text) override;
    TmyComm &Channel() override;
    void ShowTransfer(const TransferProgress &Progress) override;
    void TransferEnded() override;
    void ProbeFinished() override;
    void WritingStarted() override;
    void PowerWaitStarted() override;
    void PortOpenFailed(const QString &Diagnosis) override;
    void FileSent(const SentFile &File) override;

    void SetPortStep(bool Active);
    void SetPowerStep(bool Active);
    void actLogSHUpdate();
    bool EditPortSettings();
    bool LoadModemList(QComboBox &Items) const;
    static void ClearModemList(QComboBox &Items);

    QWidget *Panel1;
    QLabel *Memo1;
    QLabel *lblChoiceModem;
    DropDownComboBox *cbxModems;
    QLabel *Image1;
    QLabel *Image2;
    QLabel *imgRS;
    QLabel *lblCommConnect;
    QLabel *Image3;
    QLabel *imgDC;
    QLabel *lblPowerOn;
    QLabel *imgYes;
    QLabel *imgNo;
    QListWidget *flbFL;
    QLabel *lblQXLRef;
    QWidget *pnlStatusBar;
    QToolButton *btnLogSH;
    ProgressGauge *ggProgress;
    QLabel *lblStatus;
    QWidget *pnlLog;
    QPlainTextEdit *mmoLog;
    QAction *actLogSH;
    QTimer *tmrRS;
    QTimer *tmrStartPower;

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void cbxModemsDropDown();
    void cbxModemsChange(int Index);
    void tmrRSTimer();
    void tmrStartPowerTimer();
    void actLogSHExecute();
    void lblQXLRefClick();

    void buildWindow();
    QWidget *buildTopPanel();
    QLayout *buildModemChoice();
    void buildStepRows();
    QWidget *buildStatusBar();
    QWidget *buildLogPanel();
    // Moves and cuts the window so that it lies on its screen's free area.
    void keepOnScreen();
    void runProgramming();
    // The run's record and its log to the archive, as the run ends; quietly, since nothing on
    // the screen is about them.
    void keepRun(bool Written);
    // Runs one of the window's handlers so that no error leaves it through Qt's frames.
    void guarded(const std::function<void()> &Handler);
    // An error ended a handler: the same line in the log and in the box captioned with the
    // application title, and the window back at step 1.
    void recoverFrom(const std::exception &Error);
    // A run that cannot start: the line in the log and an error box.
    void refuse(const QString &Refusal);
    void showIndicator(QLabel &Indicator, bool State);
    void setPortStepHint(const QString &Problem);

    TfCOMProperty &fCOMProperty;
    std::unique_ptr<TmyComm> FComm;
    PowerOnStep powerOn{*this};
    bool FModemAnswered = false;
    bool FInRun = false;
    bool FQuitRequested = false;
    QString FRunDirPath;
    QString FPortNote; // why the accepted settings name no port to open; empty when they do
    // The status line a file transfer's progress stands in for, given back when it ends.
    std::optional<QString> FStatusBeforeTransfer;
    QString programFolder;
    WindowPlacement placement;
    const RunArchive archive;
    RunRecord FRunRecord;
    QString FRunTrouble; // the refusal or error that explains a failed run
    QStringList FRunLog; // the log since the last run was kept, which leads to the next one
};
