#pragma once

#include "engine/RunEvents.h"

#include <QElapsedTimer>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// Where a port stands, in the one word every front end shows for it.
enum class PortStage
{
    Waiting,           // the port is not open yet: no device, or no modem on it
    Probing,           // the port is open and the modem is probed until it answers
    Programming,       // the modem answered: baud-rate switch and files
    Good,              // the modem is programmed: take it off
    Failed,            // the modem failed or never answered: take it off (the reason in lastRun)
    AlreadyProgrammed, // this modem was programmed earlier in the session: take it off
    Stopping,          // a stop was asked for; the run ends at its next look at it
    Stopped            // the port's work has ended
};

// For JSON and scripts: "waiting", "probing", "programming", "good", "failed",
// "already-programmed", "stopping", "stopped".
QString PortStageName(PortStage Stage);
// The modem on the port is done and must be taken off before the next one comes.
bool AwaitsTakeOff(PortStage Stage);

// Everything a front end shows of one port.
struct PortState
{
    QString port;   // as the user gave it
    QString device; // the device it leads to: when the session began, and at each station report
    QString label;  // the port, with its device when it is a link: PortWithDevice
    QString type;   // the modem type's title
    PortStage stage = PortStage::Waiting;
    PortProgress progress; // the run's phase, gauge (files done of all) and the file on its way
    QString imei;          // of the modem on the port, once it said; empty between modems
    StationTally counts;   // this port's modems: programmed, failed, the last failure
    std::optional<PortResult> lastRun; // how the last modem's run ended, with its reason
    std::optional<PortResult> ended;   // how the port's work ended (the runner's result)
    QStringList log;         // the current run's log: since the port began waiting for this modem
    qint64 stageSinceMs = 0; // on the board's clock: when the stage was entered
    qint64 endedAtMs = 0;    // on the board's clock: when the port's work ended
};

// The totals of every port, for the summary and the shift's figures.
struct BoardTotals
{
    int programmed = 0;
    int failed = 0;      // did not program their modem (a single run's no answer aside)
    int noAnswer = 0;    // single runs whose modem never answered
    int interrupted = 0; // single runs that were stopped; a station's stop counts no modem
    // Programmed out of the modems that ended: 0 to 1; 0 before any.
    double yield() const;
};

// The per-port state every front end renders: the terminal's live lines and summary, the JSON
// events and the station window's tiles. It lives on the front end's thread, behind the
// EventRelay that hands it the runs' reports:
//
//     FlashRunner -> EventRelay -> PortBoard -> front end (a RunObserver of its own)
//
// The board takes each report, brings the port's state up to date and then hands the same report
// to the front end, which reads board.port(N) to draw that port: the stage word, the counts, the
// last result and its reason are worked out here once, never by a front end. A front end that
// stops the runs calls stopRequested() so that active ports read "stopping" until their runs end.
// Not thread-safe: only the relay's thread may use it.
class PortBoard : public RunObserver
{
public:
    // TypeTitle: the modem type's title, as the catalogue shows it. Next receives every report
    // once the board has taken it; none: the board is only read.
    PortBoard(const QStringList &Ports, const QString &TypeTitle, RunObserver *Next = nullptr);
    // For a front end made after the board (it reads the board from its own constructor on).
    void setNext(RunObserver *Next) { next = Next; }

    int size() const { return static_cast<int>(ports.size()); }
    const PortState &port(int Port) const;
    BoardTotals totals() const;
    // Milliseconds since the board was made: the session's length.
    qint64 elapsedMs() const { return clock.elapsed(); }
    // How long the port has been at its work, frozen once its work ended.
    qint64 runMs(int Port) const;

    void stopRequested();

    void logLine(int Port, const QString &Text) override;
    void progress(int Port, const PortProgress &Progress) override;
    void finished(int Port, const PortResult &Result) override;
    void station(int Port, const StationStatus &Status) override;

private:
    PortState &at(int Port);
    void enter(PortState &State, PortStage Stage);

    std::vector<PortState> ports;
    std::vector<bool> stationPorts; // the port has reported a station state: counts come from it
    RunObserver *next;
    QElapsedTimer clock;
};

// The port as given and, when it is a link, the device it ends at: "/dev/serial/by-id/usb-…
// (/dev/ttyUSB0)".
QString PortWithDevice(const QString &Port);
