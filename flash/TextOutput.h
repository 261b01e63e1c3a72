#pragma once

#include "engine/PortBoard.h"
#include "flash/FlashOutput.h"
#include "flash/LiveStatusLines.h"

#include <QElapsedTimer>
#include <QStringList>
#include <QTimer>

#include <optional>
#include <vector>

class QIODevice;

// The log as the window shows it, one line at a time, each line prefixed with its port when
// several run; on a terminal, a live line per port under it; a summary at the end.
class TextOutput : public QObject, public FlashOutput
{
    Q_OBJECT
public:
    // TerminalWidth 0: not a terminal, no live lines.
    TextOutput(const QStringList &Ports, QIODevice &Out, int TerminalWidth);

    void logLine(int Port, const QString &Text) override;
    void progress(int Port, const PortProgress &Progress) override;
    void finished(int Port, const PortResult &Result) override;
    void station(int Port, const StationStatus &Status) override;
    void summarize(const QList<PortResult> &Results, int ExitCode) override;
    void summarizeStation(const StationSummary &Summary) override;

private:
    struct PortState
    {
        PortProgress progress;
        std::optional<PortResult> result;
        qint64 finishedAtMs = 0;
        std::optional<StationStatus> station;
    };

    void print(const QString &Text);
    void refreshLiveLines();
    qint64 elapsedMs(const PortState &State) const;

    const QStringList ports;
    const QStringList labels; // for the live lines and the summary: PortWithDevice
    QIODevice &out;
    std::optional<LiveStatusLines> live;
    QTimer liveClock;
    QElapsedTimer clock;
    std::vector<PortState> states;
};

// The line with every character that could drive a terminal (controls other than TAB, format
// characters) written as an escape: ESC becomes \x1B.
QString TerminalSafe(const QString &Line);
// "02:05" for 125 s; hours are added when needed.
QString ElapsedText(qint64 Milliseconds);
// One port's live line: port, phase or outcome, time, gauge, and how far the file on its way to
// the modem has got.
QString StatusLineText(const QString &Port, int PortWidth, const PortProgress &Progress,
                       const std::optional<PortResult> &Result, qint64 ElapsedMs);
// One station port's live line: port, state, how far the file on its way has got while
// programming, and the port's counts.
QString StationLineText(const QString &Port, int PortWidth, const StationStatus &Status,
                        const PortProgress &Progress);
