#include "MainWindowWidgets.h"

#include "app/DropDownComboBox.h"
#include "app/ProgressGauge.h"

#include <QAction>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QPlainTextEdit>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int IndicatorSize = 24;
// The window's place and size at first start (with the log hidden, cut to its content's height),
// and its narrowest width; at a larger font the window grows to what its texts need.
const QRect FirstPlacement(299, 116, 438, 626);
// The status bar's height and the log button's side at the default font.
constexpr int StatusBarHeight = 24;
constexpr int LogPanelHeight = 273;
constexpr int LogPanelMinimumHeight = 25;

QLabel *picture(QWidget *parent, const QString &Resource)
{
    auto *label = new QLabel(parent);
    label->setPixmap(QPixmap(Resource));
    return label;
}

QHBoxLayout *stepRow(QLabel *Icon, QLabel *Indicator, QLabel *Caption)
{
    auto *row = new QHBoxLayout;
    row->addWidget(Icon);
    row->addWidget(Indicator);
    row->addWidget(Caption, 1);
    return row;
}

// Step 1: the caption and the modem list, beside the device picture.
QLayout *buildModemChoice(MainWindowWidgets &w)
{
    w.lblChoiceModem =
        new QLabel(QCoreApplication::translate("MainWindow", "Выберите тип модема"), w.Panel1);
    w.cbxModems = new DropDownComboBox(w.Panel1);
    w.cbxModems->setMaxVisibleItems(12);
    w.Image1 = picture(w.Panel1, QStringLiteral(":/quillon/device.png"));
    w.Image1->setFixedSize(150, 99);

    // The step 1 caption and the list sit level with the middle of the device picture.
    auto *choiceColumn = new QVBoxLayout;
    choiceColumn->addStretch();
    choiceColumn->addWidget(w.lblChoiceModem);
    choiceColumn->addWidget(w.cbxModems);
    choiceColumn->addStretch();
    auto *choice = new QHBoxLayout;
    choice->addLayout(choiceColumn, 1);
    choice->addWidget(w.Image1);
    return choice;
}

// Steps 2 and 3: a picture, an indicator and a caption each, dimmed until their step comes.
void buildStepRows(MainWindowWidgets &w)
{
    w.Image2 = picture(w.Panel1, QStringLiteral(":/quillon/port.png"));
    w.imgRS = picture(w.Panel1, QStringLiteral(":/quillon/no.png"));
    w.lblCommConnect =
        new QLabel(QCoreApplication::translate("MainWindow", "Открытие СОМ-порта"), w.Panel1);
    w.Image3 = picture(w.Panel1, QStringLiteral(":/quillon/power.png"));
    w.imgDC = picture(w.Panel1, QStringLiteral(":/quillon/no.png"));
    w.lblPowerOn = new QLabel(
        QCoreApplication::translate("MainWindow", "Подключите питание к модему"), w.Panel1);
    for (QLabel *indicator : {w.imgRS, w.imgDC}) {
        indicator->setFixedSize(IndicatorSize, IndicatorSize);
        indicator->setProperty("Tag", 0);
    }
    w.lblCommConnect->setEnabled(false);
    w.lblPowerOn->setEnabled(false);
}

QWidget *buildTopPanel(QWidget &Window, MainWindowWidgets &w)
{
    w.Panel1 = new QWidget(&Window);
    w.Panel1->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    w.Panel1->setAutoFillBackground(true);
    QPalette grey = w.Panel1->palette();
    grey.setColor(QPalette::Window, QColor(238, 238, 238));
    grey.setColor(QPalette::Base, QColor(238, 238, 238));
    w.Panel1->setPalette(grey);

    // Its lines are kept whole (the window is as wide as the longest), so none wraps or is cut.
    w.Memo1 = new QLabel(w.Panel1);
    w.Memo1->setTextFormat(Qt::PlainText);
    QFont small = w.Memo1->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    w.Memo1->setFont(small);
    w.Memo1->setText(QCoreApplication::translate(
        "MainWindow", "Внимание!\n"
                      "Программа автоматически начнет запись прошивки после выбора типа модема,\n"
                      "подтверждения/установки настроек СОМ-порта и подаче питания на модем.\n"
                      "\n"
                      "Если программе не удается получить ответ от модема в течение 15 сек после\n"
                      "подачи питания, то будет предложено изменить настройки СОМ-порта."));

    QLayout *choice = buildModemChoice(w);
    buildStepRows(w);

    w.lblQXLRef = new QLabel(w.Panel1);
    w.lblQXLRef->setText(QCoreApplication::translate(
        "MainWindow", "<a href=\"portal\" style=\"color:blue\">Информационный "
                      "портал Velmora</a>"));
    w.lblQXLRef->setCursor(Qt::PointingHandCursor);
    w.lblQXLRef->setAlignment(Qt::AlignRight);

    auto *layout = new QVBoxLayout(w.Panel1);
    layout->setContentsMargins(5, 6, 5, 4);
    layout->setSpacing(4);
    layout->addWidget(w.Memo1);
    layout->addLayout(choice);
    layout->addLayout(stepRow(w.Image2, w.imgRS, w.lblCommConnect));
    layout->addLayout(stepRow(w.Image3, w.imgDC, w.lblPowerOn));
    layout->addWidget(w.lblQXLRef);
    // The window's narrowest width, as a spacer: a widget's own minimum would hide what the texts
    // need at a larger font.
    const QMargins margins = layout->contentsMargins();
    layout->addSpacerItem(new QSpacerItem(FirstPlacement.width() - margins.left() - margins.right(),
                                          0, QSizePolicy::Minimum, QSizePolicy::Fixed));
    return w.Panel1;
}

QWidget *buildStatusBar(QWidget &Window, MainWindowWidgets &w)
{
    // As tall as its content: the gauge at the default font, more when the status text needs it.
    w.pnlStatusBar = new QWidget(&Window);
    w.pnlStatusBar->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    w.btnLogSH = new QToolButton(w.pnlStatusBar);
    w.btnLogSH->setAutoRaise(true);
    w.btnLogSH->setDefaultAction(w.actLogSH);
    w.btnLogSH->setMinimumSize(StatusBarHeight, StatusBarHeight);
    w.btnLogSH->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);

    w.ggProgress = new ProgressGauge(w.pnlStatusBar);
    w.ggProgress->setMinimumHeight(StatusBarHeight);
    w.ggProgress->setStyleSheet(QStringLiteral("QProgressBar::chunk { background: lime; }"));
    w.lblStatus = new QLabel(w.pnlStatusBar);
    QFont bold = w.lblStatus->font();
    bold.setBold(true);
    w.lblStatus->setFont(bold);
    w.lblStatus->setAttribute(Qt::WA_TransparentForMouseEvents);
    w.lblStatus->setContentsMargins(4, 0, 4, 0);
    // A long status (a port's diagnosis, a transfer) is cut at the gauge's end rather than
    // widening the window.
    w.lblStatus->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    auto *gauge = new QGridLayout;
    gauge->addWidget(w.ggProgress, 0, 0);
    gauge->addWidget(w.lblStatus, 0, 0);

    auto *layout = new QHBoxLayout(w.pnlStatusBar);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(w.btnLogSH);
    layout->addLayout(gauge, 1);
    return w.pnlStatusBar;
}

QWidget *buildLogPanel(QWidget &Window, MainWindowWidgets &w)
{
    w.pnlLog = new QWidget(&Window);
    w.pnlLog->setAutoFillBackground(true);
    QPalette dark = w.pnlLog->palette();
    dark.setColor(QPalette::Window, QColor(30, 30, 30));
    dark.setColor(QPalette::Base, QColor(30, 30, 30));
    dark.setColor(QPalette::Text, QColor(0, 255, 0));
    w.pnlLog->setPalette(dark);
    w.pnlLog->setMinimumHeight(LogPanelMinimumHeight);
    w.pnlLog->resize(Window.width(), LogPanelHeight);

    w.mmoLog = new QPlainTextEdit(w.pnlLog);
    w.mmoLog->setFrameShape(QFrame::NoFrame);
    w.mmoLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    auto *layout = new QVBoxLayout(w.pnlLog);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(w.mmoLog);
    w.pnlLog->hide();
    return w.pnlLog;
}

} // namespace

MainWindowWidgets BuildMainWindow(QWidget &Window)
{
    MainWindowWidgets w{};
    Window.setObjectName(QStringLiteral("fMain"));
    Window.setWindowTitle(
        QCoreApplication::translate("MainWindow", "Velmora: конфигуратор модема"));

    w.actLogSH = new QAction(QStringLiteral("+"), &Window);
    w.actLogSH->setToolTip(
        QCoreApplication::translate("MainWindow", "Показать лог конфигурирования"));
    w.actLogSH->setData(false); // marked: the log was shown at the last refresh

    auto *layout = new QVBoxLayout(&Window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    // The window is never narrower or shorter than its content needs, and with the log hidden it
    // is exactly as tall as the top panel and the status bar: no empty band below them.
    layout->setSizeConstraint(QLayout::SetMinAndMaxSize);
    layout->addWidget(buildTopPanel(Window, w));
    layout->addWidget(buildStatusBar(Window, w));
    layout->addWidget(buildLogPanel(Window, w), 1);
    // Cut to the content's limits once the layout first takes effect.
    Window.setGeometry(FirstPlacement);

    w.cbxModems->setFocus();
    return w;
}
