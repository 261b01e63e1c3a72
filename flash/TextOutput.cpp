#include "TextOutput.h"

#include "engine/StationSession.h"
#include "flash/PortLines.h"

#include <QCoreApplication>
#include <QIODevice>

#include <algorithm>
#include <chrono>

using namespace std::chrono_literals;

namespace {

constexpr std::chrono::milliseconds LiveRefresh = 250ms;

// A modem reply inside a log line brings its own CR LF; each piece is a line of its own.
QStringList physicalLines(const QString &Text)
{
    QString unified = Text;
    unified.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    return unified.split(u'\n');
}

} // namespace

TextOutput::TextOutput(const PortBoard &Board, QIODevice &Out, TextLook Look)
    : board(Board), out(Out), look(std::move(Look)),
      announced(static_cast<std::size_t>(Board.size()), PortStage::Waiting),
      stationPorts(static_cast<std::size_t>(Board.size()), false)
{
    const int width = look.width ? look.width() : 0;
    if (width <= 0)
        return;
    live.emplace(out, width);
    connect(&liveClock, &QTimer::timeout, this, &TextOutput::refreshLiveLines);
    liveClock.start(LiveRefresh);
}

void TextOutput::logLine(int Port, const QString &Text)
{
    if (look.quiet)
        return;
    printFor(Port, Text);
}

void TextOutput::progress(int Port, const PortProgress &)
{
    announce(Port, stationPorts.at(static_cast<std::size_t>(Port)));
    refreshLiveLines();
}

void TextOutput::finished(int Port, const PortResult &)
{
    announce(Port, stationPorts.at(static_cast<std::size_t>(Port)));
    refreshLiveLines();
}

void TextOutput::station(int Port, const StationStatus &)
{
    stationPorts.at(static_cast<std::size_t>(Port)) = true;
    announce(Port, true);
    refreshLiveLines();
}

void TextOutput::announce(int Port, bool Station)
{
    const PortStage stage = board.port(Port).stage;
    PortStage &said = announced.at(static_cast<std::size_t>(Port));
    if (stage == said)
        return;
    said = stage;
    // A log without live lines (a file, a pipe) still says when a modem can go, and whether it
    // failed.
    if (look.quiet || (Station && AwaitsTakeOff(stage)))
        printFor(Port, StateChangeText(lineOf(Port)));
}

void TextOutput::summarizeStation(qint64 ElapsedMs, int ExitCode)
{
    liveClock.stop();
    if (live)
        live->clear();
    const BoardTotals totals = board.totals();
    QString text =
        QCoreApplication::translate(
            "Terminal", "\nИтог смены: запрограммировано: %1, сбоев: %2, модемов в час: %3, "
                        "время: %4 (код завершения %5)\n")
            .arg(totals.programmed)
            .arg(totals.failed)
            .arg(ModemsPerHour(totals.programmed, ElapsedMs), 0, 'f', 1)
            .arg(ElapsedText(ElapsedMs))
            .arg(ExitCode);
    text += summaryRows([](const PortState &State, int) {
        QString row = CountsText(State.counts);
        if (!State.counts.lastFailure.isEmpty())
            row += QCoreApplication::translate("Terminal", ", последний сбой: %1")
                       .arg(TerminalSafe(State.counts.lastFailure));
        if (!State.counts.stopReason.isEmpty())
            row += QCoreApplication::translate("Terminal", ", остановлен: %1")
                       .arg(TerminalSafe(State.counts.stopReason));
        return row;
    });
    out.write(text.toUtf8());
}

void TextOutput::summarize(int ExitCode)
{
    liveClock.stop();
    if (live)
        live->clear();
    QString text =
        QCoreApplication::translate(
            "Terminal", "\nИтог: запрограммировано модемов: %1 из %2 (код завершения %3)\n")
            .arg(board.totals().programmed)
            .arg(board.size())
            .arg(ExitCode);
    text += summaryRows([this](const PortState &State, int Port) {
        const PortOutcome outcome = State.ended ? State.ended->outcome : PortOutcome::Failed;
        QString row = OutcomeLabel(outcome).leftJustified(17) + ElapsedText(board.runMs(Port));
        if (State.ended && !State.ended->reason.isEmpty())
            row += QStringLiteral("  ") + TerminalSafe(State.ended->reason);
        return row;
    });
    out.write(text.toUtf8());
}

QString TextOutput::summaryRows(const std::function<QString(const PortState &, int)> &Row) const
{
    qsizetype width = 0;
    for (int port = 0; port < board.size(); ++port)
        width = std::max(width, board.port(port).label.size());
    QString rows;
    for (int port = 0; port < board.size(); ++port) {
        const PortState &state = board.port(port);
        rows += QStringLiteral("  ") + state.label.leftJustified(width) + QStringLiteral("  ") +
                Row(state, port) + u'\n';
    }
    return rows;
}

void TextOutput::printFor(int Port, const QString &Text)
{
    const QString prefix =
        board.size() > 1 ? board.port(Port).port + QStringLiteral(": ") : QString();
    QString block;
    for (const QString &line : physicalLines(Text))
        block += prefix + TerminalSafe(line) + u'\n';
    print(block);
}

void TextOutput::print(const QString &Text)
{
    if (live)
        live->printAbove(Text);
    else
        out.write(Text.toUtf8());
}

PortLine TextOutput::lineOf(int Port) const
{
    const PortState &state = board.port(Port);
    return stationPorts.at(static_cast<std::size_t>(Port)) ? StationLine(state)
                                                           : RunLine(state, board.runMs(Port));
}

void TextOutput::refreshLiveLines()
{
    if (!live)
        return;
    const int width = look.width();
    if (width <= 0)
        return;
    QList<PortLine> lines;
    for (int port = 0; port < board.size(); ++port)
        lines.append(lineOf(port));
    const int column = PortColumn(lines, width);
    QStringList shown;
    for (const PortLine &line : std::as_const(lines))
        shown.append(FitLine(line, column, width, look.colours));
    live->setWidth(width);
    live->show(shown);
}
