#include "PortTile.h"

#include "serial/SerialPorts.h"

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
    return QStringLiteral("Снимите модем.");
}

Look lookOf(const StationPortView &View)
{
    if (View.stopping)
        return {QStringLiteral("ОСТАНОВКА"), QStringLiteral("Порт завершает работу."), Neutral};
    switch (View.state) {
    case StationState::WaitingForModem:
        return {QStringLiteral("ОЖИДАНИЕ"), QStringLiteral("Поставьте модем."), Neutral};
    case StationState::Programming:
        if (View.progress.phase != RunPhase::Writing)
            return {QStringLiteral("ОПРОС"), QStringLiteral("Модем ответил, подготовка к записи."),
                    Busy};
        return {QStringLiteral("ПРОГРАММИРОВАНИЕ"),
                View.progress.transfer.total > 0 ? TransferText(View.progress.transfer)
                                                 : QStringLiteral("Запись данных в модем..."),
                Busy};
    case StationState::TakeOff:
        if (View.ended && View.ended->outcome == PortOutcome::Programmed)
            return {QStringLiteral("ГОТОВО"), takeOff(), Good};
        return {QStringLiteral("ОШИБКА"),
                takeOff() + QStringLiteral(" Причина: ") +
                    (View.ended ? View.ended->reason : QString()),
                Bad};
    case StationState::AlreadyProgrammed:
        return {QStringLiteral("УЖЕ ЗАПРОГРАММИРОВАН"), takeOff(), Done};
    case StationState::Stopped:
        break;
    }
    if (View.ended)
        return {QStringLiteral("ОСТАНОВЛЕН"), QStringLiteral("Причина: ") + View.ended->reason,
                Bad};
    return {QStringLiteral("ОСТАНОВЛЕН"), QString(), Neutral};
}

QString imeiText(const StationPortView &View)
{
    if (!View.imei.isEmpty())
        return QStringLiteral("IMEI: ") + View.imei;
    const bool modemOn = View.state == StationState::Programming ||
                         View.state == StationState::TakeOff ||
                         View.state == StationState::AlreadyProgrammed;
    return modemOn ? QStringLiteral("IMEI: модем его не сообщил") : QStringLiteral("IMEI: —");
}

QString countsText(const StationTally &Tally)
{
    return QStringLiteral("Запрограммировано: %1, ошибок: %2")
        .arg(Tally.programmed)
        .arg(Tally.failed);
}

QString portText(const StationPortView &View)
{
    const QString device = ResolveDevicePath(View.port);
    if (View.device.isEmpty() || View.device == device)
        return Breakable(View.port);
    return Breakable(View.port) + QStringLiteral(" (") + Breakable(View.device) + u')';
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
    setToolTip(QStringLiteral("Журнал порта: щелчок или Enter"));

    lblPort = wrapping(this);
    QFont bold = lblPort->font();
    bold.setBold(true);
    lblPort->setFont(bold);
    lblState = wrapping(this);
    QFont large = bold;
    large.setPointSizeF(bold.pointSizeF() * 1.4);
    lblState->setFont(large);
    lblDetail = wrapping(this);
    ggFiles = new QProgressBar(this);
    ggFiles->setTextVisible(true);
    ggFiles->setFormat(QStringLiteral("файлов: %v из %m"));
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

void PortTile::render(const StationPortView &View)
{
    const Look look = lookOf(View);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, look.colour);
    colours.setColor(QPalette::WindowText, Qt::black);
    setPalette(colours);
    lblPort->setText(portText(View));
    lblState->setText(look.word);
    lblDetail->setText(look.detail);
    lblDetail->setVisible(!look.detail.isEmpty());
    const bool writing = !View.stopping && View.state == StationState::Programming &&
                         View.progress.phase == RunPhase::Writing && View.progress.total > 0;
    ggFiles->setVisible(writing);
    if (writing) {
        ggFiles->setMaximum(View.progress.total);
        ggFiles->setValue(View.progress.done);
    }
    lblImei->setText(imeiText(View));
    lblCounts->setText(countsText(View.tally));
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
