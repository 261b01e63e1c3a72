#include "StationBoard.h"

#include "serial/SerialPorts.h"

#include <algorithm>
#include <utility>

StationBoard::StationBoard(const QStringList &Ports, QString Type, RunArchive Archive,
                           Changed OnChange)
    : runStarts(Ports.size()), keptLines(Ports.size(), 0), type(std::move(Type)),
      archive(std::move(Archive)), changed(std::move(OnChange))
{
    for (const QString &port : Ports) {
        StationPortView view;
        view.port = port;
        view.device = PortDevice(port);
        views.append(view);
    }
}

void StationBoard::logLine(int Port, const QString &Text)
{
    views[Port].log.append(Text);
    changed(Port);
}

void StationBoard::progress(int Port, const PortProgress &Progress)
{
    views[Port].progress = Progress;
    changed(Port);
}

void StationBoard::finished(int Port, const PortResult &Result)
{
    StationPortView &view = views[Port];
    // A run cut short by Stop is recorded all the same; so is its log.
    keepRunLog(Port);
    view.state = StationState::Stopped;
    view.stopping = false;
    view.ended.reset();
    if (Result.outcome != PortOutcome::Interrupted)
        view.ended = Result;
    changed(Port);
}

void StationBoard::station(int Port, const StationStatus &Status)
{
    StationPortView &view = views[Port];
    switch (Status.state) {
    case StationState::WaitingForModem:
        // The modem before has been taken off: its run's lines make way for the next one's.
        view.log.remove(0, std::min(keptLines[Port], view.log.size()));
        keptLines[Port] = 0;
        view.progress = {};
        view.device = PortDevice(view.port);
        break;
    case StationState::Programming:
        runStarts[Port] = QDateTime::currentDateTimeUtc();
        view.device = PortDevice(view.port);
        break;
    case StationState::TakeOff:
        keepRunLog(Port);
        break;
    case StationState::AlreadyProgrammed:
    case StationState::Stopped:
        break;
    }
    view.state = Status.state;
    view.imei = Status.imei;
    view.tally = Status.tally;
    view.ended = Status.ended;
    changed(Port);
}

void StationBoard::markStopping()
{
    for (int port = 0; port < ports(); ++port) {
        if (views[port].state == StationState::Stopped)
            continue;
        views[port].stopping = true;
        changed(port);
    }
}

bool StationBoard::programming() const
{
    return std::any_of(views.begin(), views.end(), [](const StationPortView &View) {
        return View.state == StationState::Programming;
    });
}

StationTally StationBoard::totals() const
{
    StationTally all;
    for (const StationPortView &view : views) {
        all.programmed += view.tally.programmed;
        all.failed += view.tally.failed;
    }
    return all;
}

void StationBoard::keepRunLog(int Port)
{
    if (runStarts[Port].isNull())
        return;
    const StationPortView &view = views[Port];
    archive.keepLog(std::exchange(runStarts[Port], {}), type, view.port, view.log);
    keptLines[Port] = view.log.size();
}
