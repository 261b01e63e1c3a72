#pragma once

#include "app/RunArchive.h"
#include "engine/RunEvents.h"

#include <QDateTime>
#include <QList>

#include <functional>

struct PortState;

// Keeps each station run's log in a file of its own beside the run records, named as the
// window's runs are (by the run's start, type and port), and then tells the window which port
// changed. It follows the board: each report reaches it once the board has taken it, so the
// board's log of the port is the run's.
class StationRunLogs : public RunObserver
{
public:
    using Changed = std::function<void(int Port)>;
    using StateOf = std::function<const PortState &(int Port)>;

    StationRunLogs(int Ports, StateOf Board, QString Type, RunArchive Archive, Changed OnChange);

    void logLine(int Port, const QString &Text) override;
    void progress(int Port, const PortProgress &Progress) override;
    void finished(int Port, const PortResult &Result) override;
    void station(int Port, const StationStatus &Status) override;

private:
    // The run's log up to its outcome, kept once.
    void keepRunLog(int Port);

    const StateOf board;
    const QString type;
    const RunArchive archive;
    const Changed changed;
    QList<QDateTime> runStarts; // when each port's modem began its run; null between runs
};
