#pragma once

#include "app/RunArchive.h"
#include "engine/RunEvents.h"

#include <QDateTime>
#include <QList>
#include <QStringList>

#include <functional>
#include <optional>

// Where one port of the station stands, as its tile shows it.
struct StationPortView
{
    QString port;   // as the user gave it: a stable name, a device, a link of one's own
    QString device; // the device the name leads to now
    StationState state = StationState::WaitingForModem;
    bool stopping = false; // Stop was pressed and the port has not ended yet
    PortProgress progress; // of the modem being programmed
    QString imei;          // of the modem on the port, when it said
    StationTally tally;    // the port's counts in this shift
    // How the last modem's run ended while it waits to be taken off; after the port stopped on
    // its own, why it stopped.
    std::optional<PortResult> ended;
    QStringList log; // the run in progress, from the end of the run before
};

// Keeps each port's view from the station's events, on the window's thread (behind an
// EventRelay), and keeps each run's log in a file of its own beside the run records, named as the
// window's runs are. Tells the window which port changed.
class StationBoard : public RunObserver
{
public:
    using Changed = std::function<void(int Port)>;

    StationBoard(const QStringList &Ports, QString Type, RunArchive Archive, Changed OnChange);

    void logLine(int Port, const QString &Text) override;
    void progress(int Port, const PortProgress &Progress) override;
    void finished(int Port, const PortResult &Result) override;
    void station(int Port, const StationStatus &Status) override;

    // Every port not yet ended says it is stopping.
    void markStopping();

    int ports() const { return static_cast<int>(views.size()); }
    const StationPortView &view(int Port) const { return views.at(Port); }
    // A modem is being programmed on some port.
    bool programming() const;
    // The counts of every port together.
    StationTally totals() const;

private:
    // The run's log up to its outcome, kept in its file; the lines stay on show until the next
    // modem comes.
    void keepRunLog(int Port);

    QList<StationPortView> views;
    QList<QDateTime> runStarts; // when each port's modem began its run; null between runs
    QList<qsizetype> keptLines; // lines of each port's log already kept in a file
    const QString type;
    const RunArchive archive;
    const Changed changed;
};
