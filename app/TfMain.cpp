#include "TfMain.h"

#include "app/DropDownComboBox.h"
#include "app/MessageBoxes.h"
#include "app/ProgressGauge.h"
#include "app/QuillonApplication.h"
#include "app/TfCOMProperty.h"
#include "atlink/Timing.h"
#include "atlink/TmyComm.h"
#include "procedures/PortDiagnosis.h"
#include "procedures/ProcedureSteps.h"
#include "procedures/Procedures.h"
#include "procedures/RunRecording.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <chrono>
#include <utility>

using namespace std::chrono_literals;

static void initResources()
{
    Q_INIT_RESOURCE(quillon);
}

namespace {

constexpr int IndicatorSize = 24;
// The window's place and size at first start (with the log hidden, cut to its content's height),
// and its narrowest width; at a larger font the window grows to what its texts need.
const QRect FirstPlacement(299, 116, 438, 626);
// The status bar's height and the log button's side at the default font.
constexpr int StatusBarHeight = 24;
constexpr int LogPanelHeight = 273;
constexpr int LogPanelMinimumHeight = 25;
const QString PortalAddress =
    QStringLiteral("https://portal.velmora.example/guide/configuring-communication-equipment");

QString withTrailingSpaces(const QString &Text, int Count)
{
    return Text + QString(Count, u' ');
}

void startScaled(QTimer &Timer, std::chrono::milliseconds Nominal)
{
    Timer.start(Timing::scaled(Nominal));
}

QLabel *picture(QWidget *parent, const QString &Resource)
{
    auto *label = new QLabel(parent);
    label->setPixmap(QPixmap(Resource));
    return label;
}

// The geometry moved and cut so that it lies within Available, though never below Minimum.
QRect fittedInto(QRect Geometry, const QRect &Available, const QSize &Minimum)
{
    Geometry.setWidth(std::max(Minimum.width(), std::min(Geometry.width(), Available.width())));
    Geometry.setHeight(std::max(Minimum.height(), std::min(Geometry.height(), Available.height())));
    Geometry.moveRight(std::min(Geometry.right(), Available.right()));
    Geometry.moveBottom(std::min(Geometry.bottom(), Available.bottom()));
    Geometry.moveLeft(std::max(Geometry.left(), Available.left()));
    Geometry.moveTop(std::max(Geometry.top(), Available.top()));
    return Geometry;
}

QHBoxLayout *stepRow(QLabel *Icon, QLabel *Indicator, QLabel *Caption)
{
    auto *row = new QHBoxLayout;
    row->addWidget(Icon);
    row->addWidget(Indicator);
    row->addWidget(Caption, 1);
    return row;
}

} // namespace

TfMain::TfMain(TfCOMProperty &PortDialog, const Setup &setup, QWidget *parent)
    : QWidget(parent), fCOMProperty(PortDialog), programFolder(setup.programFolder),
      placement(setup.placementFile), archive(setup.runsFolder)
{
    initResources();
    buildWindow();
    placement.restore(*this, *pnlLog);
    keepOnScreen();

    // FormCreate
    FModemAnswered = false;
    FComm = std::make_unique<TmyComm>();
    SetPortStep(false);
}

TfMain::~TfMain()
{
    tmrRS->stop();
    tmrStartPower->stop();
    FComm->Comm->ClosePort();
    FComm.reset();
    ClearModemList(*cbxModems);
}

void TfMain::buildWindow()
{
    setObjectName(QStringLiteral("fMain"));
    setWindowTitle(QStringLiteral("Velmora: конфигуратор модема"));

    actLogSH = new QAction(QStringLiteral("+"), this);
    actLogSH->setToolTip(QStringLiteral("Показать лог конфигурирования"));
    actLogSH->setData(false); // marked: the log was shown at the last refresh
    connect(actLogSH, &QAction::triggered, this, &TfMain::actLogSHExecute);

    tmrRS = new QTimer(this);
    connect(tmrRS, &QTimer::timeout, this, [this] { guarded([this] { tmrRSTimer(); }); });
    tmrStartPower = new QTimer(this);
    connect(tmrStartPower, &QTimer::timeout, this,
            [this] { guarded([this] { tmrStartPowerTimer(); }); });

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    // The window is never narrower or shorter than its content needs, and with the log hidden it
    // is exactly as tall as the top panel and the status bar: no empty band below them.
    layout->setSizeConstraint(QLayout::SetMinAndMaxSize);
    layout->addWidget(buildTopPanel());
    layout->addWidget(buildStatusBar());
    layout->addWidget(buildLogPanel(), 1);
    // Cut to the content's limits once the layout first takes effect.
    setGeometry(FirstPlacement);

    cbxModems->setFocus();
}

void TfMain::keepOnScreen()
{
    layout()->activate();
    // Before the first show the frame is not known yet; the window manager adds it later.
    const QMargins frame(geometry().left() - frameGeometry().left(),
                         geometry().top() - frameGeometry().top(),
                         frameGeometry().right() - geometry().right(),
                         frameGeometry().bottom() - geometry().bottom());
    setGeometry(
        fittedInto(geometry(), screen()->availableGeometry().marginsRemoved(frame), minimumSize()));
}

QWidget *TfMain::buildTopPanel()
{
    Panel1 = new QWidget(this);
    Panel1->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    Panel1->setAutoFillBackground(true);
    QPalette grey = Panel1->palette();
    grey.setColor(QPalette::Window, QColor(238, 238, 238));
    grey.setColor(QPalette::Base, QColor(238, 238, 238));
    Panel1->setPalette(grey);

    // Its lines are kept whole (the window is as wide as the longest), so none wraps or is cut.
    Memo1 = new QLabel(Panel1);
    Memo1->setTextFormat(Qt::PlainText);
    QFont small = Memo1->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    Memo1->setFont(small);
    Memo1->setText(
        QStringLiteral("Внимание!\n"
                       "Программа автоматически начнет запись прошивки после выбора типа модема,\n"
                       "подтверждения/установки настроек СОМ-порта и подаче питания на модем.\n"
                       "\n"
                       "Если программе не удается получить ответ от модема в течение 15 сек после\n"
                       "подачи питания, то будет предложено изменить настройки СОМ-порта."));

    QLayout *choice = buildModemChoice();
    buildStepRows();

    flbFL = new QListWidget(Panel1);
    flbFL->hide();

    lblQXLRef = new QLabel(Panel1);
    lblQXLRef->setText(QStringLiteral("<a href=\"portal\" style=\"color:blue\">Информационный "
                                      "портал Velmora</a>"));
    lblQXLRef->setCursor(Qt::PointingHandCursor);
    lblQXLRef->setAlignment(Qt::AlignRight);
    connect(lblQXLRef, &QLabel::linkActivated, this, &TfMain::lblQXLRefClick);

    auto *layout = new QVBoxLayout(Panel1);
    layout->setContentsMargins(5, 6, 5, 4);
    layout->setSpacing(4);
    layout->addWidget(Memo1);
    layout->addLayout(choice);
    layout->addLayout(stepRow(Image2, imgRS, lblCommConnect));
    layout->addLayout(stepRow(Image3, imgDC, lblPowerOn));
    layout->addWidget(lblQXLRef);
    // The window's narrowest width, as a spacer: a widget's own minimum would hide what the texts
    // need at a larger font.
    const QMargins margins = layout->contentsMargins();
    layout->addSpacerItem(new QSpacerItem(FirstPlacement.width() - margins.left() - margins.right(),
                                          0, QSizePolicy::Minimum, QSizePolicy::Fixed));
    return Panel1;
}

// Step 1: the caption and the modem list, beside the device picture.
QLayout *TfMain::buildModemChoice()
{
    lblChoiceModem = new QLabel(QStringLiteral("Выберите тип модема"), Panel1);
    cbxModems = new DropDownComboBox(Panel1);
    cbxModems->setMaxVisibleItems(12);
    connect(cbxModems, &DropDownComboBox::dropDown, this,
            [this] { guarded([this] { cbxModemsDropDown(); }); });
    connect(cbxModems, &QComboBox::activated, this,
            [this](int Index) { guarded([this, Index] { cbxModemsChange(Index); }); });
    Image1 = picture(Panel1, QStringLiteral(":/quillon/device.png"));
    Image1->setFixedSize(150, 99);

    // The step 1 caption and the list sit level with the middle of the device picture.
    auto *choiceColumn = new QVBoxLayout;
    choiceColumn->addStretch();
    choiceColumn->addWidget(lblChoiceModem);
    choiceColumn->addWidget(cbxModems);
    choiceColumn->addStretch();
    auto *choice = new QHBoxLayout;
    choice->addLayout(choiceColumn, 1);
    choice->addWidget(Image1);
    return choice;
}

// Steps 2 and 3: a picture, an indicator and a caption each, dimmed until their step comes.
void TfMain::buildStepRows()
{
    imgYes = picture(Panel1, QStringLiteral(":/quillon/yes.png"));
    imgNo = picture(Panel1, QStringLiteral(":/quillon/no.png"));
    for (QLabel *hidden : {imgYes, imgNo}) {
        hidden->setFixedSize(IndicatorSize, IndicatorSize);
        hidden->hide();
    }
    Image2 = picture(Panel1, QStringLiteral(":/quillon/port.png"));
    imgRS = picture(Panel1, QStringLiteral(":/quillon/no.png"));
    lblCommConnect = new QLabel(QStringLiteral("Открытие СОМ-порта"), Panel1);
    Image3 = picture(Panel1, QStringLiteral(":/quillon/power.png"));
    imgDC = picture(Panel1, QStringLiteral(":/quillon/no.png"));
    lblPowerOn = new QLabel(QStringLiteral("Подключите питание к модему"), Panel1);
    for (QLabel *indicator : {imgRS, imgDC}) {
        indicator->setFixedSize(IndicatorSize, IndicatorSize);
        indicator->setProperty("Tag", 0);
    }
    lblCommConnect->setEnabled(false);
    lblPowerOn->setEnabled(false);
}

QWidget *TfMain::buildStatusBar()
{
    // As tall as its content: the gauge at the default font, more when the status text needs it.
    pnlStatusBar = new QWidget(this);
    pnlStatusBar->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    btnLogSH = new QToolButton(pnlStatusBar);
    btnLogSH->setAutoRaise(true);
    btnLogSH->setDefaultAction(actLogSH);
    btnLogSH->setMinimumSize(StatusBarHeight, StatusBarHeight);
    btnLogSH->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);

    ggProgress = new ProgressGauge(pnlStatusBar);
    ggProgress->setMinimumHeight(StatusBarHeight);
    ggProgress->setStyleSheet(QStringLiteral("QProgressBar::chunk { background: lime; }"));
    lblStatus = new QLabel(pnlStatusBar);
    QFont bold = lblStatus->font();
    bold.setBold(true);
    lblStatus->setFont(bold);
    lblStatus->setAttribute(Qt::WA_TransparentForMouseEvents);
    lblStatus->setContentsMargins(4, 0, 4, 0);

    auto *gauge = new QGridLayout;
    gauge->addWidget(ggProgress, 0, 0);
    gauge->addWidget(lblStatus, 0, 0);

    auto *layout = new QHBoxLayout(pnlStatusBar);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(btnLogSH);
    layout->addLayout(gauge, 1);
    return pnlStatusBar;
}

QWidget *TfMain::buildLogPanel()
{
    pnlLog = new QWidget(this);
    pnlLog->setAutoFillBackground(true);
    QPalette dark = pnlLog->palette();
    dark.setColor(QPalette::Window, QColor(30, 30, 30));
    dark.setColor(QPalette::Base, QColor(30, 30, 30));
    dark.setColor(QPalette::Text, QColor(0, 255, 0));
    pnlLog->setPalette(dark);
    pnlLog->setMinimumHeight(LogPanelMinimumHeight);
    pnlLog->resize(width(), LogPanelHeight);

    mmoLog = new QPlainTextEdit(pnlLog);
    mmoLog->setFrameShape(QFrame::NoFrame);
    mmoLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    auto *layout = new QVBoxLayout(pnlLog);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(mmoLog);
    pnlLog->hide();
    return pnlLog;
}

void TfMain::LogLine(const QString &Text)
{
    FRunLog.append(Text);
    // A run refused before anything reached the modem says why in this line.
    if (Text.endsWith(procedures::RefusalLine({})))
        FRunTrouble = Text;
    mmoLog->appendPlainText(Text);
    mmoLog->moveCursor(QTextCursor::End);
    mmoLog->ensureCursorVisible();
    actLogSHUpdate();
    QCoreApplication::processEvents();
}

void TfMain::SetStatus(const QString &Text)
{
    lblStatus->setText(Text);
    LogLine(Text);
}

void TfMain::ShowTransfer(const TransferProgress &Progress)
{
    if (!FStatusBeforeTransfer)
        FStatusBeforeTransfer = lblStatus->text();
    lblStatus->setText(TransferText(Progress));
}

void TfMain::TransferEnded()
{
    if (FStatusBeforeTransfer)
        lblStatus->setText(*std::exchange(FStatusBeforeTransfer, std::nullopt));
}

void TfMain::SetGaugeMaximum(int Maximum)
{
    ggProgress->setGaugeMaximum(Maximum);
}

void TfMain::SetGaugePosition(int Position)
{
    ggProgress->setGaugePosition(Position);
}

int TfMain::GaugePosition() const
{
    return ggProgress->gaugePosition();
}

QStringList TfMain::ListFolder(const QString &Folder)
{
    QStringList files = ListPlainFiles(Folder);
    flbFL->clear();
    flbFL->addItems(files);
    return files;
}

QString TfMain::SelectedDirPath() const
{
    return FRunDirPath;
}

bool TfMain::QuitRequested() const
{
    return FQuitRequested;
}

void TfMain::ShowErrorBox(const QString &Text)
{
    FRunTrouble = Text.trimmed();
    MessageBoxes::showError(this, Text);
}

void TfMain::FileSent(const SentFile &File)
{
    AddSentFile(FRunRecord.files, File);
}

TmyComm &TfMain::Channel()
{
    return *FComm;
}

void TfMain::ProbeFinished()
{
    tmrStartPower->stop();
    ggProgress->setGaugePosition(0);
    tmrRS->stop();
}

void TfMain::WritingStarted()
{
    FRunRecord.lineRate = FComm->Comm->BaudRate();
    FModemAnswered = true;
    actLogSHUpdate();
}

void TfMain::SetPortStep(bool Active)
{
    lblCommConnect->setEnabled(Active);
    if (Active) {
        setPortStepHint(FPortNote);
        SetStatus(FPortNote.isEmpty() ? WaitingForPortText() : FPortNote);
    } else {
        if (!mmoLog->document()->isEmpty())
            LogLine({});
        SetStatus(QStringLiteral("Ожидаю выбор типа модема на шаге №1..."));
        FModemAnswered = false;
        SetPowerStep(false);
    }
    actLogSHUpdate();
    // Steps 1 and 2 go on from the modem list, which lost the keyboard while it was disabled
    // (during a run, or the power-on wait before a time-out).
    if (cbxModems->isEnabled())
        cbxModems->setFocus();
}

void TfMain::SetPowerStep(bool Active)
{
    lblPowerOn->setEnabled(Active);
    actLogSHUpdate();
}

void TfMain::actLogSHUpdate()
{
    cbxModems->setEnabled(!FModemAnswered && !tmrStartPower->isActive() && !FInRun);
    const bool logShown = !pnlLog->isHidden();
    if (actLogSH->data().toBool() != logShown) {
        actLogSH->setData(logShown);
        actLogSH->setToolTip(logShown ? QStringLiteral("Скрыть лог конфигурирования")
                                      : QStringLiteral("Показать лог конфигурирования"));
        actLogSH->setText(logShown ? QStringLiteral("-") : QStringLiteral("+"));
    }
    showIndicator(*imgRS, FComm && FComm->Comm->PortOpen());
    showIndicator(*imgDC, FModemAnswered);
}

void TfMain::showIndicator(QLabel &Indicator, bool State)
{
    const int tag = State ? 1 : 0;
    if (Indicator.property("Tag").toInt() == tag)
        return;
    Indicator.setPixmap(State ? imgYes->pixmap() : imgNo->pixmap());
    Indicator.setProperty("Tag", tag);
}

void TfMain::setPortStepHint(const QString &Problem)
{
    const QString hint = PortStepHint(Problem);
    for (QLabel *rowWidget : {Image2, imgRS, lblCommConnect})
        rowWidget->setToolTip(hint);
}

bool TfMain::EditPortSettings()
{
    tmrRS->stop();
    powerOn.stop();
    FComm->Comm->ClosePort();
    actLogSHUpdate();
    fCOMProperty.LoadFromComm(*FComm->Comm);
    fCOMProperty.LoadWriteRate(FComm->WriteRate);
    if (fCOMProperty.exec() != QDialog::Accepted)
        return false;
    fCOMProperty.ApplyToComm(*FComm->Comm);
    FComm->WriteRate = fCOMProperty.WriteRate();
    if (const auto refusal = PortSettingsRefusal(*FComm->Comm)) {
        refuse(*refusal);
        return false;
    }
    // Without a port there is nothing to open: step 2 says so rather than trying a name that
    // names no device.
    FPortNote = fCOMProperty.PortNote();
    if (FPortNote.isEmpty()) {
        powerOn.start();
        startScaled(*tmrRS, PowerOnStep::PortTickInterval);
    }
    return true;
}

bool TfMain::LoadModemList(QComboBox &Items) const
{
    ClearModemList(Items);
    const ModemCatalogue catalogue = ReadModemCatalogue(programFolder);
    for (const TDirObject &entry : catalogue.entries)
        Items.addItem(entry.Title, QVariant::fromValue(entry));
    Items.setCurrentIndex(-1);
    return catalogue.complete;
}

void TfMain::ClearModemList(QComboBox &Items)
{
    Items.clear();
}

void TfMain::cbxModemsDropDown()
{
    if (!LoadModemList(*cbxModems))
        MessageBoxes::showError(
            this, withTrailingSpaces(
                      QStringLiteral("Файл Quillon_dir.ini отсутствует либо поврежден"), 8));
}

void TfMain::cbxModemsChange(int Index)
{
    if (Index < 0)
        return;
    tmrRS->stop();
    powerOn.stop();
    FComm->Comm->ClosePort();
    FModemAnswered = false;
    const TDirObject entry = cbxModems->itemData(Index).value<TDirObject>();
    LogLine(QStringLiteral("Выбран модем \"%1\"").arg(cbxModems->itemText(Index)));
    if (!FComm->LoadPortSettings(entry.DirPath + QStringLiteral("/upload.ini"))) {
        const QString warning = ProfileMissingText();
        MessageBoxes::showMessage(this, MessageBoxes::Icon::Warning,
                                  withTrailingSpaces(warning, 8));
        LogLine(warning);
    }
    // Data the procedure would refuse is refused now, before the modem is switched on for it.
    if (const auto refusal = TypeDataRefusal(entry.DirName, entry.DirPath)) {
        refuse(*refusal);
        SetPortStep(false);
        return;
    }
    SetPortStep(EditPortSettings());
}

void TfMain::guarded(const std::function<void()> &Handler)
{
    try {
        Handler();
    } catch (const std::exception &error) {
        recoverFrom(error);
    }
}

void TfMain::recoverFrom(const std::exception &Error)
{
    // Whatever the handler was doing is over: no timer, no port, step 1 again.
    tmrRS->stop();
    tmrStartPower->stop();
    powerOn.stop();
    FComm->Comm->ClosePort();
    ggProgress->setGaugePosition(0);
    const QString line = ErrorLine(Error);
    LogLine(line);
    ReportHandlerError(this, line);
    SetPortStep(false);
}

void TfMain::refuse(const QString &Refusal)
{
    LogLine(Refusal);
    MessageBoxes::showError(this, withTrailingSpaces(Refusal, 9));
}

void TfMain::tmrRSTimer()
{
    if (FModemAnswered || FInRun)
        return;
    if (powerOn.portTick() == PowerOnStep::State::Answered)
        runProgramming();
}

void TfMain::PowerWaitStarted()
{
    setPortStepHint({});
    SetPowerStep(true);
    startScaled(*tmrStartPower, PowerOnStep::PowerTickInterval);
    actLogSHUpdate();
}

void TfMain::PortOpenFailed(const QString &Diagnosis)
{
    actLogSHUpdate();
    setPortStepHint(Diagnosis);
}

void TfMain::runProgramming()
{
    {
        // The list stays disabled for the whole run, also during the baud-rate switch before the
        // modem counts as answered; a close request waits until the run has ended.
        FInRun = true;
        const struct RunEnd
        {
            TfMain &window;
            ~RunEnd()
            {
                window.FInRun = false;
                if (window.FQuitRequested)
                    QMetaObject::invokeMethod(&window, &QWidget::close, Qt::QueuedConnection);
            }
        } runEnd{*this};

        const int selected = cbxModems->currentIndex();
        const TDirObject entry =
            selected >= 0 ? cbxModems->itemData(selected).value<TDirObject>() : TDirObject{};
        FRunDirPath = entry.DirPath;
        FRunRecord = StartRecordOf(entry.DirName, FComm->Comm->CommPort());
        FRunTrouble.clear();
        bool written = false;
        try {
            written = PerformProgrammingRun(*this, entry.DirName);
        } catch (const std::exception &error) {
            FRunTrouble = ErrorLine(error);
            keepRun(false);
            throw;
        }
        keepRun(written);
        // After a close request the outcome is in the log; a box would hold the window open.
        if (!FQuitRequested && written)
            MessageBoxes::showMessage(this, MessageBoxes::Icon::Information,
                                      withTrailingSpaces(RunSucceededText(), 10));
        else if (!FQuitRequested)
            MessageBoxes::showError(this, withTrailingSpaces(RunFailedText(), 10));
        tmrStartPower->stop();
        ggProgress->setGaugePosition(0);
    }
    SetPortStep(false);
}

void TfMain::keepRun(bool Written)
{
    RunRecord record = std::exchange(FRunRecord, {});
    record.end = QDateTime::currentDateTimeUtc();
    if (Written) {
        record.result = RunResult::Programmed;
    } else if (FQuitRequested) {
        record.result = RunResult::Interrupted;
        record.reason = QStringLiteral("interrupted");
    } else {
        record.result = RunResult::Failed;
        // Whatever else went wrong followed from a lost device.
        const TComm32 &port = *FComm->Comm;
        record.reason = port.HungUp()           ? DeviceLostText(port.CommPort())
                        : FRunTrouble.isEmpty() ? RunFailedText()
                                                : FRunTrouble;
    }
    archive.keep(record, std::exchange(FRunLog, {}));
}

void TfMain::tmrStartPowerTimer()
{
    if (FInRun)
        return;
    // Both timers stop before the time-out line lets a port tick in, which would reopen the port
    // under the dialog.
    if (powerOn.powerTick() != PowerOnStep::State::TimedOut)
        return;
    tmrStartPower->stop();
    tmrRS->stop();
    const bool accepted = EditPortSettings();
    SetPortStep(accepted);
}

void TfMain::actLogSHExecute()
{
    const bool show = pnlLog->isHidden();
    const int closedHeight = height();
    const int logHeight = pnlLog->height();
    pnlLog->setVisible(show);
    // Hiding the log lowers the window's maximum height to its content, which shrinks it.
    layout()->activate();
    if (show) {
        resize(width(), closedHeight + logHeight);
        keepOnScreen();
    }
    actLogSHUpdate();
}

void TfMain::lblQXLRefClick()
{
    QDesktopServices::openUrl(QUrl(PortalAddress));
}

void TfMain::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Now with the frame the window system gave it.
    keepOnScreen();
}

void TfMain::closeEvent(QCloseEvent *event)
{
    if (FInRun) {
        FQuitRequested = true;
        event->ignore();
        return;
    }
    tmrRS->stop();
    tmrStartPower->stop();
    FComm->Comm->ClosePort();
    placement.save(*this, *pnlLog);
    event->accept();
}
