#include "PortTile.h"

#include "procedures/ProgrammingRun.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace {

// What a tile says for a state, and the colour it stands on.
struct Look
{
    QString word;
    QString detail;
    QColor colour;
};

const QColor Neutral(224, 224, 224);
const QColor Busy(200, 222, 255);
const QColor Good(110, 210, 110);
const QColor Bad(255, 120, 120);
const QColor Done(190, 225, 190);

QString takeOff()
{
    return QCoreApplication::translate("StationWindow", "Снимите модем.");
}

Look lookOf(const PortState &State)
{
    switch (State.stage) {
    case PortStage::Waiting:
        return {QCoreApplication::translate("StationWindow", "ОЖИДАНИЕ"),
                QCoreApplication::translate("StationWindow", "Поставьте модем."), Neutral};
    case PortStage::Probing:
        return {QCoreApplication::translate("StationWindow", "ОПРОС"),
                QCoreApplication::translate("StationWindow", "Порт открыт, жду ответа модема."),
                Neutral};
    case PortStage::Programming:
        return {QCoreApplication::translate("StationWindow", "ПРОГРАММИРОВАНИЕ"),
                State.progress.transfer.total > 0 ? TransferText(State.progress.transfer)
                                                  : WritingText(),
                Busy};
    case PortStage::Good:
        return {QCoreApplication::translate("StationWindow", "ГОТОВО"), takeOff(), Good};
    case PortStage::Failed:
        // A port that could not go on (its records, its profile) says why it stopped.
        if (!State.lastRun || (State.ended && State.ended->outcome != PortOutcome::Interrupted))
            return {QCoreApplication::translate("StationWindow", "ОСТАНОВЛЕН"),
                    QCoreApplication::translate("StationWindow", "Причина: %1")
                        .arg(State.ended ? State.ended->reason : QString()),
                    Bad};
        return {QCoreApplication::translate("StationWindow", "ОШИБКА"),
                QCoreApplication::translate("StationWindow", "Снимите модем. Причина: %1")
                    .arg(State.lastRun->reason),
                Bad};
    case PortStage::AlreadyProgrammed:
        return {QCoreApplication::translate("StationWindow", "УЖЕ ЗАПРОГРАММИРОВАН"), takeOff(),
                Done};
    case PortStage::Stopping:
        return {QCoreApplication::translate("StationWindow", "ОСТАНОВКА"),
                QCoreApplication::translate("StationWindow", "Порт завершает работу."), Neutral};
    case PortStage::Stopped:
        break;
    }
    return {QCoreApplication::translate("StationWindow", "ОСТАНОВЛЕН"), QString(), Neutral};
}

QString imeiText(const PortState &State)
{
    if (!State.imei.isEmpty())
        return QStringLiteral("IMEI: ") + State.imei;
    const bool modemOn = State.stage == PortStage::Programming || AwaitsTakeOff(State.stage);
    return modemOn ? QCoreApplication::translate("StationWindow", "IMEI: модем его не сообщил")
                   : QStringLiteral("IMEI: —");
}

QString countsText(const StationTally &Tally)
{
    return QCoreApplication::translate("StationWindow", "Запрограммировано: %1, ошибок: %2")
        .arg(Tally.programmed)
        .arg(Tally.failed);
}

QLabel *wrapping(QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace

QString Breakable(const QString &Path)
{
    QString text;
    for (const QChar character : Path) {
        text += character;
        if (character == u'/' || character == u'-' || character == u'_')
            text += QChar(0x200B); // a zero-width space: a line may break here
    }
    return text;
}

PortTile::PortTile(QWidget *parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("PortTile"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    setToolTip(QCoreApplication::translate("StationWindow", "Журнал порта: щелчок или Enter"));

    lblPort = wrapping(this);
    QFont bold = lblPort->font();
    bold.setBold(true);
    lblPort->setFont(bold);
    lblState = wrapping(this);
    QFont large = bold;
    large.setPointSizeF(bold.pointSizeF() * 1.25);
    lblState->setFont(large);
    lblDetail = wrapping(this);
    ggFiles = new QProgressBar(this);
    ggFiles->setTextVisible(true);
    ggFiles->setFormat(QCoreApplication::translate("StationWindow", "файлов: %v из %m"));
    lblImei = wrapping(this);
    lblCounts = wrapping(this);

    auto *layout = new QVBoxLayout(this);
    const int gap = fontMetrics().height() / 4;
    layout->setContentsMargins(gap * 2, gap, gap * 2, gap);
    layout->setSpacing(gap);
    for (QWidget *part : {static_cast<QWidget *>(lblPort), static_cast<QWidget *>(lblState),
                          static_cast<QWidget *>(lblDetail), static_cast<QWidget *>(ggFiles),
                          static_cast<QWidget *>(lblImei), static_cast<QWidget *>(lblCounts)})
        layout->addWidget(part);
    layout->addStretch();
}

void PortTile::render(const PortState &State)
{
    const Look look = lookOf(State);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, look.colour);
    colours.setColor(QPalette::WindowText, Qt::black);
    setPalette(colours);
    lblPort->setText(Breakable(State.label));
    lblState->setText(look.word);
    lblDetail->setText(look.detail);
    lblDetail->setVisible(!look.detail.isEmpty());
    const bool writing = State.stage == PortStage::Programming &&
                         State.progress.phase == RunPhase::Writing && State.progress.total > 0;
    ggFiles->setVisible(writing);
    if (writing) {
        ggFiles->setMaximum(State.progress.total);
        ggFiles->setValue(State.progress.done);
    }
    lblImei->setText(imeiText(State));
    lblCounts->setText(countsText(State.counts));
}

void PortTile::mouseReleaseEvent(QMouseEvent *event)
{
    QFrame::mouseReleaseEvent(event);
    emit opened();
}

void PortTile::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter ||
        event->key() == Qt::Key_Space) {
        emit opened();
        return;
    }
    QFrame::keyPressEvent(event);
}
