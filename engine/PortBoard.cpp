#include "PortBoard.h"

#include "serial/SerialPorts.h"

namespace {

PortStage stageOfPhase(RunPhase Phase)
{
    switch (Phase) {
    case RunPhase::OpeningPort:
        return PortStage::Waiting;
    case RunPhase::WaitingForAnswer:
        return PortStage::Probing;
    case RunPhase::Stopping:
        return PortStage::Stopping;
    case RunPhase::SwitchingBaud:
    case RunPhase::Writing:
    case RunPhase::Finished:
        break;
    }
    return PortStage::Programming;
}

PortStage stageOfResult(PortOutcome Outcome)
{
    switch (Outcome) {
    case PortOutcome::Programmed:
        return PortStage::Good;
    case PortOutcome::Interrupted:
        return PortStage::Stopped;
    case PortOutcome::Failed:
    case PortOutcome::NoAnswer:
        break;
    }
    return PortStage::Failed;
}

bool active(PortStage Stage)
{
    return Stage == PortStage::Waiting || Stage == PortStage::Probing ||
           Stage == PortStage::Programming;
}

} // namespace

QString PortStageName(PortStage Stage)
{
    switch (Stage) {
    case PortStage::Waiting:
        return QStringLiteral("waiting");
    case PortStage::Probing:
        return QStringLiteral("probing");
    case PortStage::Programming:
        return QStringLiteral("programming");
    case PortStage::Good:
        return QStringLiteral("good");
    case PortStage::Failed:
        return QStringLiteral("failed");
    case PortStage::AlreadyProgrammed:
        return QStringLiteral("already-programmed");
    case PortStage::Stopping:
        return QStringLiteral("stopping");
    case PortStage::Stopped:
        break;
    }
    return QStringLiteral("stopped");
}

bool AwaitsTakeOff(PortStage Stage)
{
    return Stage == PortStage::Good || Stage == PortStage::Failed ||
           Stage == PortStage::AlreadyProgrammed;
}

double BoardTotals::yield() const
{
    const int ended = programmed + failed + noAnswer;
    return ended > 0 ? static_cast<double>(programmed) / ended : 0.0;
}

QString PortWithDevice(const QString &Port)
{
    const QString device = PortDevice(Port);
    return device == ResolveDevicePath(Port) ? Port : QStringLiteral("%1 (%2)").arg(Port, device);
}

PortBoard::PortBoard(const QStringList &Ports, const QString &TypeTitle, RunObserver *Next)
    : stationPorts(static_cast<std::size_t>(Ports.size()), false), next(Next)
{
    clock.start();
    for (const QString &name : Ports) {
        PortState state;
        state.port = name;
        state.device = PortDevice(name);
        state.label = PortWithDevice(name);
        state.type = TypeTitle;
        ports.push_back(std::move(state));
    }
}

const PortState &PortBoard::port(int Port) const
{
    return ports.at(static_cast<std::size_t>(Port));
}

PortState &PortBoard::at(int Port)
{
    return ports.at(static_cast<std::size_t>(Port));
}

BoardTotals PortBoard::totals() const
{
    BoardTotals totals;
    for (std::size_t index = 0; index < ports.size(); ++index) {
        const PortState &state = ports[index];
        totals.programmed += state.counts.programmed;
        totals.failed += state.counts.failed;
        // A single run's port: its one modem ended as its run did.
        if (stationPorts[index] || !state.ended)
            continue;
        if (state.ended->outcome == PortOutcome::NoAnswer) {
            ++totals.noAnswer;
            --totals.failed;
        } else if (state.ended->outcome == PortOutcome::Interrupted) {
            ++totals.interrupted;
        }
    }
    return totals;
}

qint64 PortBoard::runMs(int Port) const
{
    const PortState &state = port(Port);
    return state.ended ? state.endedAtMs : clock.elapsed();
}

void PortBoard::stopRequested()
{
    for (PortState &state : ports)
        if (active(state.stage))
            enter(state, PortStage::Stopping);
}

void PortBoard::enter(PortState &State, PortStage Stage)
{
    if (State.stage == Stage)
        return;
    State.stage = Stage;
    State.stageSinceMs = clock.elapsed();
}

void PortBoard::logLine(int Port, const QString &Text)
{
    at(Port).log.append(Text);
    if (next)
        next->logLine(Port, Text);
}

void PortBoard::progress(int Port, const PortProgress &Progress)
{
    PortState &state = at(Port);
    state.progress = Progress;
    // A station's port says itself when a modem is done; a stop asked for stays in sight.
    if (active(state.stage) && Progress.phase != RunPhase::Finished)
        enter(state, stageOfPhase(Progress.phase));
    if (next)
        next->progress(Port, Progress);
}

void PortBoard::finished(int Port, const PortResult &Result)
{
    PortState &state = at(Port);
    state.ended = Result;
    state.endedAtMs = clock.elapsed();
    const bool station = stationPorts.at(static_cast<std::size_t>(Port));
    if (!station && Result.outcome != PortOutcome::Interrupted) {
        // A single run: its result is the port's one modem.
        state.lastRun = Result;
        if (Result.outcome == PortOutcome::Programmed) {
            ++state.counts.programmed;
        } else {
            ++state.counts.failed;
            state.counts.lastFailure = Result.reason;
        }
    }
    if (!Result.imei.isEmpty())
        state.imei = Result.imei;
    // A station port that could not go on (its records, its profile) failed; stopped otherwise.
    enter(state, station && Result.outcome == PortOutcome::Interrupted ? PortStage::Stopped
                 : station                                             ? PortStage::Failed
                           : stageOfResult(Result.outcome));
    if (next)
        next->finished(Port, Result);
}

void PortBoard::station(int Port, const StationStatus &Status)
{
    PortState &state = at(Port);
    stationPorts.at(static_cast<std::size_t>(Port)) = true;
    state.counts = Status.tally;
    // A stable name leads to a new device each time a USB modem is plugged in.
    state.device = PortDevice(state.port);
    state.label = PortWithDevice(state.port);
    switch (Status.state) {
    case StationState::WaitingForModem:
        // The next modem's run begins: its log, its IMEI and its gauge start afresh.
        state.log.clear();
        state.imei.clear();
        state.progress = {};
        if (state.stage != PortStage::Stopping)
            enter(state, PortStage::Waiting);
        break;
    case StationState::Programming:
        state.imei = Status.imei;
        state.progress = {};
        state.progress.phase = RunPhase::SwitchingBaud;
        if (state.stage != PortStage::Stopping)
            enter(state, PortStage::Programming);
        break;
    case StationState::TakeOff:
        state.imei = Status.imei;
        if (Status.ended)
            state.lastRun = Status.ended;
        enter(state, Status.ended ? stageOfResult(Status.ended->outcome) : PortStage::Good);
        break;
    case StationState::AlreadyProgrammed:
        state.imei = Status.imei;
        enter(state, PortStage::AlreadyProgrammed);
        break;
    case StationState::Stopped:
        enter(state, PortStage::Stopped);
        break;
    }
    if (next)
        next->station(Port, Status);
}
