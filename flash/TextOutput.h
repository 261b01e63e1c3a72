#pragma once

#include "engine/PortBoard.h"
#include "flash/FlashOutput.h"
#include "flash/LiveStatusLines.h"
#include "flash/PortLines.h"

#include <QTimer>

#include <functional>
#include <optional>
#include <vector>

class QIODevice;

// What the standard output can show and what the user asked to see.
struct TextLook
{
    // The terminal's columns, read at every redraw so that a resized terminal is followed; none,
    // or 0: not a terminal, no live lines.
    std::function<int()> width;
    bool colours = false; // good and failed in green and red
    bool quiet = false;   // the ports' changes of state, their results and the summary only
};

// The log as the window shows it, one line at a time, each line prefixed with its port when
// several run; on a terminal, a live line per port under it; a summary at the end. Every port's
// state is read from the board, which hands this output each report once it has taken it.
class TextOutput : public QObject, public FlashOutput
{
    Q_OBJECT
public:
    TextOutput(const PortBoard &Board, QIODevice &Out, TextLook Look);

    void logLine(int Port, const QString &Text) override;
    void progress(int Port, const PortProgress &Progress) override;
    void finished(int Port, const PortResult &Result) override;
    void station(int Port, const StationStatus &Status) override;
    void summarize(int ExitCode) override;
    void summarizeStation(qint64 ElapsedMs, int ExitCode) override;

private:
    void print(const QString &Text);
    void printFor(int Port, const QString &Text);
    // Says a port's new state in a line of its own where the user asked for it.
    void announce(int Port, bool Station);
    void refreshLiveLines();
    QString summaryRows(const std::function<QString(const PortState &, int)> &Row) const;
    PortLine lineOf(int Port) const;

    const PortBoard &board;
    QIODevice &out;
    const TextLook look;
    std::optional<LiveStatusLines> live;
    QTimer liveClock;
    std::vector<PortStage> announced;
    std::vector<bool> stationPorts;
};
