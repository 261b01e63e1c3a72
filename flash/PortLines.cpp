#include "PortLines.h"

#include "procedures/RunOutcome.h"

#include <QCoreApplication>

#include <algorithm>

namespace {

// Below this a port's name no longer tells the ports apart; the details give way first.
constexpr int ShortestPort = 16;
// A failure's reason gives way down to its ellipsis before the port goes below ShortestPort.
constexpr int ShortestReason = 1;
const QString Gap = QStringLiteral("  ");
const QString Ellipsis = QStringLiteral("…");

// Escape sequences a modem sends (ESC, BEL, OSC) would otherwise drive the user's terminal.
bool drivesTerminal(QChar Character)
{
    return Character != u'\t' && (Character.category() == QChar::Other_Control ||
                                  Character.category() == QChar::Other_Format);
}

QString phaseLabel(RunPhase Phase)
{
    switch (Phase) {
    case RunPhase::OpeningPort:
        return QCoreApplication::translate("Terminal", "открытие порта");
    case RunPhase::WaitingForAnswer:
        return QCoreApplication::translate("Terminal", "ожидание отклика");
    case RunPhase::SwitchingBaud:
        return QCoreApplication::translate("Terminal", "смена скорости");
    case RunPhase::Writing:
        return QCoreApplication::translate("Terminal", "запись");
    case RunPhase::Stopping:
        return QCoreApplication::translate("Terminal", "остановка");
    case RunPhase::Finished:
        break;
    }
    return QCoreApplication::translate("Terminal", "завершено");
}

Tone toneOf(PortOutcome Outcome)
{
    switch (Outcome) {
    case PortOutcome::Programmed:
        return Tone::Good;
    case PortOutcome::Interrupted:
        return Tone::Plain;
    case PortOutcome::Failed:
    case PortOutcome::NoAnswer:
        break;
    }
    return Tone::Bad;
}

QString shortenedPort(const QString &Port, int Width)
{
    if (Port.size() <= Width)
        return Port;
    return Width <= 1 ? Ellipsis : Ellipsis + Port.right(Width - 1);
}

QString shortenedReason(const QString &Reason, qsizetype Length)
{
    return Reason.size() <= Length ? Reason
                                   : Reason.left(std::max<qsizetype>(Length - 1, 0)) + Ellipsis;
}

// The line's pieces as they stand after giving way; measured without colours.
struct Layout
{
    int portWidth;
    qsizetype extras;
    qsizetype reasonLength;

    QString stateText(const PortLine &Line) const
    {
        return Line.state + shortenedReason(Line.reason, reasonLength) + Line.stateEnd;
    }

    QString compose(const PortLine &Line, const QStringList &Extras, bool Colours) const
    {
        QString state = stateText(Line);
        if (extras > 0)
            state = state.leftJustified(Line.stateColumn);
        if (Colours && Line.tone != Tone::Plain)
            state = (Line.tone == Tone::Good ? QStringLiteral("\x1b[32m")
                                             : QStringLiteral("\x1b[31m")) +
                    state + QStringLiteral("\x1b[0m");
        QString text = shortenedPort(Line.port, portWidth).leftJustified(portWidth) + Gap + state;
        for (qsizetype index = 0; index < extras; ++index)
            text += Gap + Extras.at(index);
        return text;
    }
};

QStringList allExtras(const PortLine &Line)
{
    QStringList extras = Line.extras;
    if (!Line.counts.isEmpty())
        extras.append(Line.counts);
    return extras;
}

// The line's length without its port.
qsizetype restLength(const PortLine &Line)
{
    const QStringList extras = allExtras(Line);
    const Layout whole{0, extras.size(), Line.reason.size()};
    return whole.compose(Line, extras, false).size();
}

// Lays Line out within Width: the details go from the last, then the reason gives way, then the
// port's name.
Layout fitted(const PortLine &Line, int PortWidth, int Width)
{
    const QStringList extras = allExtras(Line);
    Layout layout{PortWidth, extras.size(), Line.reason.size()};
    const qsizetype limit = Width - 1;
    const auto over = [&] { return layout.compose(Line, extras, false).size() - limit; };
    while (layout.extras > 0 && over() > 0)
        --layout.extras;
    if (over() > 0)
        layout.reasonLength = std::max<qsizetype>(ShortestReason, layout.reasonLength - over());
    if (over() > 0)
        layout.portWidth = static_cast<int>(std::max<qsizetype>(1, layout.portWidth - over()));
    return layout;
}

} // namespace

QString TerminalSafe(const QString &Line)
{
    QString safe;
    safe.reserve(Line.size());
    for (const QChar character : Line) {
        if (!drivesTerminal(character)) {
            safe += character;
            continue;
        }
        const bool byte = character.unicode() <= 0xFF;
        safe +=
            (byte ? QStringLiteral("\\x") : QStringLiteral("\\u")) +
            QString::number(character.unicode(), 16).toUpper().rightJustified(byte ? 2 : 4, u'0');
    }
    return safe;
}

QString ElapsedText(qint64 Milliseconds)
{
    const qint64 seconds = Milliseconds / 1000;
    QString minutesAndSeconds = QStringLiteral("%1:%2")
                                    .arg(seconds / 60 % 60, 2, 10, QChar(u'0'))
                                    .arg(seconds % 60, 2, 10, QChar(u'0'));
    if (seconds < 3600)
        return minutesAndSeconds;
    return QString::number(seconds / 3600) + u':' + minutesAndSeconds;
}

QString CountsText(const StationTally &Counts)
{
    return QCoreApplication::translate("Terminal", "запрограммировано: %1, сбоев: %2")
        .arg(Counts.programmed)
        .arg(Counts.failed);
}

// A failure shouts.
QString OutcomeLabel(PortOutcome Outcome)
{
    return RunResultWord(Outcome);
}

namespace {

// A state whose reason a narrow line may shorten: the words of Template around its %1 stay whole.
void setStateAround(PortLine &Line, const QString &Template, const QString &Reason)
{
    const qsizetype at = Template.indexOf(QStringLiteral("%1"));
    Line.state = Template.left(at);
    Line.reason = Reason;
    Line.stateEnd = Template.mid(at + 2);
}

} // namespace

PortLine StationLine(const PortState &State)
{
    PortLine line;
    line.port = State.label;
    line.counts = u'(' + CountsText(State.counts) + u')';
    switch (State.stage) {
    case PortStage::Waiting:
        line.state = QCoreApplication::translate("Terminal", "ожидает модем");
        break;
    case PortStage::Probing:
        line.state = QCoreApplication::translate("Terminal", "опрос модема");
        break;
    case PortStage::Programming:
        line.state = QCoreApplication::translate("Terminal", "программирование");
        if (State.progress.transfer.total > 0)
            line.extras.append(TransferText(State.progress.transfer));
        break;
    case PortStage::Good:
        line.state = QCoreApplication::translate("Terminal", "запрограммирован, снимите модем");
        line.tone = Tone::Good;
        break;
    case PortStage::Failed: {
        // A port that cannot go on has no modem to take off: it says why it stopped.
        const bool portEnded = State.ended && State.ended->outcome != PortOutcome::Interrupted;
        const std::optional<PortResult> &failure = portEnded ? State.ended : State.lastRun;
        setStateAround(line,
                       portEnded
                           ? QCoreApplication::translate("Terminal", "ОШИБКА: %1, порт остановлен")
                           : QCoreApplication::translate("Terminal", "ОШИБКА: %1, снимите модем"),
                       TerminalSafe(failure ? failure->reason : QString()));
        line.tone = Tone::Bad;
        break;
    }
    case PortStage::AlreadyProgrammed:
        line.state = QCoreApplication::translate("Terminal", "уже запрограммирован, снимите модем");
        break;
    case PortStage::Stopping:
        line.state = QCoreApplication::translate("Terminal", "остановка");
        break;
    case PortStage::Stopped:
        line.state = QCoreApplication::translate("Terminal", "остановлен");
        break;
    }
    return line;
}

PortLine RunLine(const PortState &State, qint64 ElapsedMs)
{
    PortLine line;
    line.port = State.label;
    line.stateColumn = 17;
    const PortProgress &progress = State.progress;
    if (State.ended) {
        const PortResult &ended = *State.ended;
        line.state = OutcomeLabel(ended.outcome);
        // Why a modem failed is what the operator acts on; a stop needs no reason.
        if (toneOf(ended.outcome) == Tone::Bad && !ended.reason.isEmpty()) {
            line.state += QStringLiteral(": ");
            line.reason = TerminalSafe(ended.reason);
        }
        line.tone = toneOf(ended.outcome);
    } else {
        line.state = State.stage == PortStage::Stopping
                         ? QCoreApplication::translate("Terminal", "остановка")
                         : phaseLabel(progress.phase);
    }
    line.extras.append(ElapsedText(ElapsedMs));
    if (progress.total > 0)
        line.extras.append(QStringLiteral("%1/%2").arg(progress.done).arg(progress.total));
    if (!State.ended && progress.transfer.total > 0)
        line.extras.append(TransferText(progress.transfer));
    return line;
}

QString StateChangeText(const PortLine &Line)
{
    QString text = Line.state + Line.reason + Line.stateEnd;
    if (!Line.counts.isEmpty())
        text += u' ' + Line.counts;
    return text;
}

int PortColumn(const QList<PortLine> &Lines, int Width)
{
    qsizetype widest = 0;
    qsizetype longestRest = 0;
    for (const PortLine &line : Lines) {
        widest = std::max(widest, line.port.size());
        longestRest = std::max(longestRest, restLength(line));
    }
    const qsizetype room = Width - 1 - longestRest;
    int column = static_cast<int>(std::min(widest, std::max<qsizetype>(room, ShortestPort)));
    // A line that must shorten the name further takes the column with it, so that the states
    // stay one under the other.
    for (const PortLine &line : Lines)
        column = std::min(column, fitted(line, column, Width).portWidth);
    return column;
}

QString FitLine(const PortLine &Line, int PortWidth, int Width, bool Colours)
{
    return fitted(Line, PortWidth, Width).compose(Line, allExtras(Line), Colours);
}
