#include "TextOutput.h"

#include "engine/StationSession.h"
#include "serial/SerialPorts.h"

#include <QIODevice>

#include <algorithm>
#include <chrono>

using namespace std::chrono_literals;

namespace {

constexpr std::chrono::milliseconds LiveRefresh = 250ms;

int widestName(const QStringList &Ports)
{
    qsizetype width = 0;
    for (const QString &port : Ports)
        width = std::max(width, port.size());
    return static_cast<int>(width);
}

// A modem reply inside a log line brings its own CR LF; each piece is a line of its own.
QStringList physicalLines(const QString &Text)
{
    QString unified = Text;
    unified.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    return unified.split(u'\n');
}

// Escape sequences a modem sends (ESC, BEL, OSC) would otherwise drive the user's terminal.
bool drivesTerminal(QChar Character)
{
    return Character != u'\t' && (Character.category() == QChar::Other_Control ||
                                  Character.category() == QChar::Other_Format);
}

QString stationStateText(StationState State)
{
    switch (State) {
    case StationState::WaitingForModem:
        return QStringLiteral("ожидает модем");
    case StationState::Programming:
        return QStringLiteral("программирование");
    case StationState::TakeOff:
        return QStringLiteral("снимите модем");
    case StationState::AlreadyProgrammed:
        return QStringLiteral("уже запрограммирован, снимите модем");
    case StationState::Stopped:
        break;
    }
    return QStringLiteral("остановлен");
}

QString tallyText(const StationTally &Tally)
{
    return QStringLiteral("запрограммировано: %1, сбоев: %2")
        .arg(Tally.programmed)
        .arg(Tally.failed);
}

QStringList withDevices(const QStringList &Ports)
{
    QStringList labels;
    for (const QString &port : Ports)
        labels.append(PortWithDevice(port));
    return labels;
}

// The live line and the summary stand beside the Russian log, so they speak Russian too; the JSON
// events keep the English names of RunEvents.h for scripts.
QString phaseLabel(RunPhase Phase)
{
    switch (Phase) {
    case RunPhase::OpeningPort:
        return QStringLiteral("открытие порта");
    case RunPhase::WaitingForAnswer:
        return QStringLiteral("ожидание отклика");
    case RunPhase::SwitchingBaud:
        return QStringLiteral("смена скорости");
    case RunPhase::Writing:
        return QStringLiteral("запись");
    case RunPhase::Finished:
        break;
    }
    return QStringLiteral("завершено");
}

// A failure shouts, as it did in English.
QString outcomeLabel(PortOutcome Outcome)
{
    switch (Outcome) {
    case PortOutcome::Programmed:
        return QStringLiteral("запрограммирован");
    case PortOutcome::NoAnswer:
        return QStringLiteral("НЕТ ОТКЛИКА");
    case PortOutcome::Interrupted:
        return QStringLiteral("ПРЕРВАН");
    case PortOutcome::Failed:
        break;
    }
    return QStringLiteral("ОШИБКА");
}

} // namespace

QString PortWithDevice(const QString &Port)
{
    const QString device = PortDevice(Port);
    return device == ResolveDevicePath(Port) ? Port : QStringLiteral("%1 (%2)").arg(Port, device);
}

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

QString StatusLineText(const QString &Port, int PortWidth, const PortProgress &Progress,
                       const std::optional<PortResult> &Result, qint64 ElapsedMs)
{
    QString line = Port.leftJustified(PortWidth) + QStringLiteral("  ");
    line += (Result ? outcomeLabel(Result->outcome) : phaseLabel(Progress.phase)).leftJustified(17);
    line += QStringLiteral("  ") + ElapsedText(ElapsedMs);
    if (Progress.total > 0)
        line += QStringLiteral("  %1/%2").arg(Progress.done).arg(Progress.total);
    if (!Result && Progress.transfer.total > 0)
        line += QStringLiteral("  ") + TransferText(Progress.transfer);
    return line;
}

QString StationLineText(const QString &Port, int PortWidth, const StationStatus &Status,
                        const PortProgress &Progress)
{
    QString line = Port.leftJustified(PortWidth) + QStringLiteral("  ") +
                   stationStateText(Status.state) + QStringLiteral("  ");
    if (Status.state == StationState::Programming && Progress.transfer.total > 0)
        line += TransferText(Progress.transfer) + QStringLiteral("  ");
    return line + u'(' + tallyText(Status.tally) + u')';
}

TextOutput::TextOutput(const QStringList &Ports, QIODevice &Out, int TerminalWidth)
    : ports(Ports), labels(withDevices(Ports)), out(Out),
      states(static_cast<std::size_t>(Ports.size()))
{
    clock.start();
    if (TerminalWidth <= 0)
        return;
    live.emplace(out, TerminalWidth);
    connect(&liveClock, &QTimer::timeout, this, &TextOutput::refreshLiveLines);
    liveClock.start(LiveRefresh);
}

void TextOutput::logLine(int Port, const QString &Text)
{
    const QString prefix = ports.size() > 1 ? ports.at(Port) + QStringLiteral(": ") : QString();
    QString block;
    for (const QString &line : physicalLines(Text))
        block += prefix + TerminalSafe(line) + u'\n';
    print(block);
}

void TextOutput::progress(int Port, const PortProgress &Progress)
{
    states.at(static_cast<std::size_t>(Port)).progress = Progress;
    refreshLiveLines();
}

void TextOutput::finished(int Port, const PortResult &Result)
{
    PortState &state = states.at(static_cast<std::size_t>(Port));
    state.result = Result;
    state.finishedAtMs = clock.elapsed();
    refreshLiveLines();
}

void TextOutput::station(int Port, const StationStatus &Status)
{
    PortState &state = states.at(static_cast<std::size_t>(Port));
    if (Status.state == StationState::Programming)
        state.progress = {};
    state.station = Status;
    // A log without live lines (a file, a pipe) still says when a modem can go.
    if (Status.state == StationState::TakeOff || Status.state == StationState::AlreadyProgrammed)
        logLine(Port, stationStateText(Status.state) + QStringLiteral(" (") +
                          tallyText(Status.tally) + u')');
    refreshLiveLines();
}

void TextOutput::summarizeStation(const StationSummary &Summary)
{
    liveClock.stop();
    if (live)
        live->clear();
    int programmed = 0;
    int failed = 0;
    for (const StationTally &tally : Summary.ports) {
        programmed += tally.programmed;
        failed += tally.failed;
    }
    QString text =
        QStringLiteral("\nИтог смены: запрограммировано: %1, сбоев: %2, модемов в час: %3, "
                       "время: %4 (код завершения %5)\n")
            .arg(programmed)
            .arg(failed)
            .arg(ModemsPerHour(programmed, Summary.elapsedMs), 0, 'f', 1)
            .arg(ElapsedText(Summary.elapsedMs))
            .arg(Summary.exitCode);
    const int width = widestName(labels);
    for (qsizetype index = 0; index < Summary.ports.size(); ++index) {
        const StationTally &tally = Summary.ports.at(index);
        text += QStringLiteral("  ") + labels.at(index).leftJustified(width) +
                QStringLiteral("  ") + tallyText(tally);
        if (!tally.lastFailure.isEmpty())
            text += QStringLiteral(", последний сбой: ") + TerminalSafe(tally.lastFailure);
        text += u'\n';
    }
    out.write(text.toUtf8());
}

void TextOutput::summarize(const QList<PortResult> &Results, int ExitCode)
{
    liveClock.stop();
    if (live)
        live->clear();
    const auto programmed = std::count_if(Results.begin(), Results.end(), [](const PortResult &r) {
        return r.outcome == PortOutcome::Programmed;
    });
    QString text =
        QStringLiteral("\nИтог: запрограммировано модемов: %1 из %2 (код завершения %3)\n")
            .arg(programmed)
            .arg(Results.size())
            .arg(ExitCode);
    const int width = widestName(labels);
    for (qsizetype index = 0; index < Results.size(); ++index) {
        const PortResult &result = Results.at(index);
        text += QStringLiteral("  ") + labels.at(index).leftJustified(width) +
                QStringLiteral("  ") + outcomeLabel(result.outcome).leftJustified(17) +
                ElapsedText(elapsedMs(states.at(static_cast<std::size_t>(index))));
        if (!result.reason.isEmpty())
            text += QStringLiteral("  ") + TerminalSafe(result.reason);
        text += u'\n';
    }
    out.write(text.toUtf8());
}

void TextOutput::print(const QString &Text)
{
    if (live)
        live->printAbove(Text);
    else
        out.write(Text.toUtf8());
}

void TextOutput::refreshLiveLines()
{
    if (!live)
        return;
    QStringList lines;
    const int width = widestName(labels);
    for (qsizetype index = 0; index < labels.size(); ++index) {
        const PortState &state = states.at(static_cast<std::size_t>(index));
        lines.append(state.station
                         ? StationLineText(labels.at(index), width, *state.station, state.progress)
                         : StatusLineText(labels.at(index), width, state.progress, state.result,
                                          elapsedMs(state)));
    }
    live->show(lines);
}

qint64 TextOutput::elapsedMs(const PortState &State) const
{
    return State.result ? State.finishedAtMs : clock.elapsed();
}
