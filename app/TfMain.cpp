#include "TfMain.h"

#include "app/DropDownComboBox.h"
#include "app/LanguageList.h"
#include "app/MessageBoxes.h"
#include "app/ProgressGauge.h"
#include "app/QuillonApplication.h"
#include "app/ScreenFit.h"
#include "app/TfCOMProperty.h"
#include "atlink/Timing.h"
#include "atlink/TmyComm.h"
#include "procedures/RunOutcome.h"
#include "procedures/RunRecording.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QDesktopServices>
#include <QLabel>
#include <QLayout>
#include <QPlainTextEdit>
#include <QTimer>
#include <QUrl>

#include <chrono>
#include <utility>

static void initResources()
{
    Q_INIT_RESOURCE(quillon);
}

namespace {

const QString PortalAddress =
    QStringLiteral("https://portal.velmora.example/guide/configuring-communication-equipment");

// The resources are registered before the first widget is built.
QWidget &withResources(QWidget &Window)
{
    initResources();
    return Window;
}

void runScaled(QTimer &Timer, bool Run, std::chrono::milliseconds Nominal)
{
    if (Run)
        Timing::startClock(Timer, Nominal);
    else
        Timer.stop();
}

} // namespace

TfMain::TfMain(TfCOMProperty &PortDialog, const Setup &setup, QWidget *parent)
    : QWidget(parent), widgets(BuildMainWindow(withResources(*this))), tmrRS(new QTimer(this)),
      tmrStartPower(new QTimer(this)), fCOMProperty(PortDialog), FComm(std::make_unique<TmyComm>()),
      steps(*this, *FComm), indicatorOn(QStringLiteral(":/quillon/yes.png")),
      indicatorOff(QStringLiteral(":/quillon/no.png")), givenTypesFolder{setup.typesFolder,
                                                                         setup.typesSource},
      placement(setup.placementFile), languageFile(setup.placementFile), archive(setup.runsFolder)
{
    connect(widgets.actLogSH, &QAction::triggered, this, &TfMain::actLogSHExecute);
    connect(tmrRS, &QTimer::timeout, this, [this] { guarded([this] { steps.portTick(); }); });
    connect(tmrStartPower, &QTimer::timeout, this,
            [this] { guarded([this] { steps.powerTick(); }); });
    connect(widgets.cbxModems, &DropDownComboBox::dropDown, this,
            [this] { guarded([this] { cbxModemsDropDown(); }); });
    connect(widgets.cbxModems, &QComboBox::activated, this,
            [this](int Index) { guarded([this, Index] { cbxModemsChange(Index); }); });
    connect(widgets.lblQXLRef, &QLabel::linkActivated, this, &TfMain::lblQXLRefClick);

    placement.restore(*this, *widgets.pnlLog);
    KeepOnScreen(*this);
    steps.start();
}

TfMain::~TfMain()
{
    tmrRS->stop();
    tmrStartPower->stop();
    FComm->Comm->ClosePort();
}

void TfMain::LogLine(const QString &Text)
{
    FRunLog.append({QDateTime::currentDateTimeUtc(), Text});
    widgets.mmoLog->appendPlainText(Text);
    widgets.mmoLog->moveCursor(QTextCursor::End);
    widgets.mmoLog->ensureCursorVisible();
    ShowSteps();
    QCoreApplication::processEvents();
}

bool TfMain::LogIsEmpty() const
{
    return widgets.mmoLog->document()->isEmpty();
}

void TfMain::SetStatus(const QString &Text)
{
    widgets.lblStatus->setText(Text);
    LogLine(Text);
}

void TfMain::ShowTransfer(const TransferProgress &Progress)
{
    if (!FStatusBeforeTransfer)
        FStatusBeforeTransfer = widgets.lblStatus->text();
    widgets.lblStatus->setText(TransferText(Progress));
}

void TfMain::TransferEnded()
{
    if (FStatusBeforeTransfer)
        widgets.lblStatus->setText(*std::exchange(FStatusBeforeTransfer, std::nullopt));
}

void TfMain::SetGaugeMaximum(int Maximum)
{
    widgets.ggProgress->setGaugeMaximum(Maximum);
}

void TfMain::SetGaugePosition(int Position)
{
    widgets.ggProgress->setGaugePosition(Position);
}

int TfMain::GaugePosition() const
{
    return widgets.ggProgress->gaugePosition();
}

void TfMain::ShowBox(Box Kind, const QString &Text)
{
    switch (Kind) {
    case Box::Information:
        MessageBoxes::showMessage(this, MessageBoxes::Icon::Information, Text);
        break;
    case Box::Warning:
        MessageBoxes::showMessage(this, MessageBoxes::Icon::Warning, Text);
        break;
    case Box::Error:
        MessageBoxes::showError(this, Text);
        break;
    case Box::HandlerError:
        ReportHandlerError(this, Text);
        break;
    }
}

void TfMain::ShowFailureBox(const QString &Text, const QString &Reason)
{
    MessageBoxes::show(this,
                       {MessageBoxes::Icon::Error, MessageBoxes::ErrorCaption(), Text, Reason});
}

void TfMain::ShowPortProblem(const QString &Diagnosis)
{
    widgets.lblStatus->setText(Diagnosis.isEmpty() ? WaitingForPortText() : Diagnosis);
}

void TfMain::SetPortHint(const QString &Hint)
{
    for (QLabel *rowWidget : {widgets.Image2, widgets.imgRS, widgets.lblCommConnect})
        rowWidget->setToolTip(Hint);
}

void TfMain::RunPortTicks(bool Run)
{
    runScaled(*tmrRS, Run, PowerOnStep::PortTickInterval);
}

void TfMain::RunPowerTicks(bool Run)
{
    runScaled(*tmrStartPower, Run, PowerOnStep::PowerTickInterval);
}

std::optional<QString> TfMain::AskPortSettings()
{
    fCOMProperty.LoadFromComm(*FComm->Comm);
    fCOMProperty.LoadWriteRate(FComm->WriteRate);
    ShowLanguage(*fCOMProperty.cbxLanguage, RememberedLanguage(languageFile));
    if (fCOMProperty.exec() != QDialog::Accepted)
        return std::nullopt;
    fCOMProperty.ApplyToComm(*FComm->Comm);
    FComm->WriteRate = fCOMProperty.WriteRate();
    RememberLanguage(languageFile, ChosenLanguage(*fCOMProperty.cbxLanguage));
    return fCOMProperty.PortNote();
}

TDirObject TfMain::SelectedType() const
{
    const int selected = widgets.cbxModems->currentIndex();
    return selected >= 0 ? widgets.cbxModems->itemData(selected).value<TDirObject>() : TDirObject{};
}

void TfMain::ShowSteps()
{
    widgets.cbxModems->setEnabled(steps.modemListEnabled());
    widgets.lblCommConnect->setEnabled(steps.portStepActive());
    widgets.lblPowerOn->setEnabled(steps.powerStepActive());
    const bool logShown = !widgets.pnlLog->isHidden();
    QAction &action = *widgets.actLogSH;
    if (action.data().toBool() != logShown) {
        action.setData(logShown);
        action.setToolTip(
            logShown ? QCoreApplication::translate("MainWindow", "Скрыть лог конфигурирования")
                     : QCoreApplication::translate("MainWindow", "Показать лог конфигурирования"));
        action.setText(logShown ? QStringLiteral("-") : QStringLiteral("+"));
    }
    showIndicator(*widgets.imgRS, FComm->Comm->PortOpen());
    showIndicator(*widgets.imgDC, steps.modemAnswered());
}

void TfMain::showIndicator(QLabel &Indicator, bool State)
{
    const int tag = State ? 1 : 0;
    if (Indicator.property("Tag").toInt() == tag)
        return;
    Indicator.setPixmap(State ? indicatorOn : indicatorOff);
    Indicator.setProperty("Tag", tag);
}

void TfMain::FileSent(const SentFile &File)
{
    AddSentFile(FRunRecord.files, File);
}

void TfMain::RunStarted(const TDirObject &Type)
{
    FRunRecord = StartRecordOf(Type.DirName, FComm->Comm->CommPort());
}

void TfMain::RunFinished(const RunOutcome &Outcome)
{
    RunRecord record = std::exchange(FRunRecord, {});
    record.end = QDateTime::currentDateTimeUtc();
    record.lineRate = FComm->Comm->BaudRate();
    record.result = Outcome.result;
    record.reason = Outcome.reason;
    record.reasonCode = Outcome.code;
    archive.keep(record, std::exchange(FRunLog, {}));
}

void TfMain::FocusModemList()
{
    widgets.cbxModems->setFocus();
}

void TfMain::CloseLater()
{
    QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

std::optional<Failure> TfMain::LoadModemList(QComboBox &Items) const
{
    Items.clear();
    const ModemCatalogue catalogue = ReadModemCatalogue(typesFolder().path);
    for (const TDirObject &entry : catalogue.entries)
        Items.addItem(entry.Title, QVariant::fromValue(entry));
    Items.setCurrentIndex(-1);
    return catalogue.problem;
}

TypesFolder TfMain::typesFolder() const
{
    // The window given a folder (the demo, a test) keeps to it.
    return givenTypesFolder.path.isEmpty() ? FindTypesFolder(TypesPlaces::OfThisMachine())
                                           : givenTypesFolder;
}

void TfMain::cbxModemsDropDown()
{
    // Which types the technician is offered depends on what is installed where: the log says.
    const QString shown = TypesFolderText(typesFolder());
    if (shown != typesFolderShown)
        LogLine(typesFolderShown = shown);
    if (const auto problem = LoadModemList(*widgets.cbxModems))
        ShowBox(Box::Error, problem->text + QString(8, u' '));
}

void TfMain::cbxModemsChange(int Index)
{
    if (Index >= 0)
        steps.modemChosen(widgets.cbxModems->itemData(Index).value<TDirObject>());
}

void TfMain::guarded(const std::function<void()> &Handler)
{
    try {
        Handler();
    } catch (const std::exception &error) {
        steps.recoverFrom(ErrorLine(error));
    }
}

void TfMain::actLogSHExecute()
{
    const bool show = widgets.pnlLog->isHidden();
    const int closedHeight = height();
    const int logHeight = widgets.pnlLog->height();
    widgets.pnlLog->setVisible(show);
    // Hiding the log lowers the window's maximum height to its content, which shrinks it.
    layout()->activate();
    if (show) {
        resize(width(), closedHeight + logHeight);
        KeepOnScreen(*this);
    }
    ShowSteps();
}

void TfMain::lblQXLRefClick()
{
    QDesktopServices::openUrl(QUrl(PortalAddress));
}

void TfMain::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Now with the frame the window system gave it.
    KeepOnScreen(*this);
}

void TfMain::closeEvent(QCloseEvent *event)
{
    if (!steps.closeRequested()) {
        event->ignore();
        return;
    }
    placement.save(*this, *widgets.pnlLog);
    event->accept();
}
