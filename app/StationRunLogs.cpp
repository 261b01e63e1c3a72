#include "StationRunLogs.h"

#include "engine/PortBoard.h"

#include <utility>

StationRunLogs::StationRunLogs(int Ports, StateOf Board, QString Type, RunArchive Archive,
                               Changed OnChange)
    : board(std::move(Board)), type(std::move(Type)), archive(std::move(Archive)),
      changed(std::move(OnChange)), runStarts(Ports)
{
}

void StationRunLogs::logLine(int Port, const QString &)
{
    changed(Port);
}

void StationRunLogs::progress(int Port, const PortProgress &)
{
    changed(Port);
}

void StationRunLogs::finished(int Port, const PortResult &)
{
    // A run cut short by Stop is recorded all the same; so is its log.
    keepRunLog(Port);
    changed(Port);
}

void StationRunLogs::station(int Port, const StationStatus &Status)
{
    if (Status.state == StationState::Programming)
        runStarts[Port] = QDateTime::currentDateTimeUtc();
    else if (Status.state == StationState::TakeOff)
        keepRunLog(Port);
    changed(Port);
}

void StationRunLogs::keepRunLog(int Port)
{
    if (runStarts[Port].isNull())
        return;
    const PortState &state = board(Port);
    archive.keepLog(std::exchange(runStarts[Port], {}), type, state.port, state.log);
}
