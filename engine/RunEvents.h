#pragma once

#include "procedures/TransferProgress.h"
#include "records/RunRecord.h"

#include <QString>

#include <cstdint>
#include <optional>

// Where one port's run stands, for the live progress line and the JSON events.
enum class RunPhase
{
    OpeningPort,
    WaitingForAnswer,
    SwitchingBaud,
    Writing,
    Stopping, // asked to stop: ending the current step, and the closing commands where they follow
    Finished
};

struct PortProgress
{
    RunPhase phase = RunPhase::OpeningPort;
    int done = 0;              // the run's gauge: files (or transfer-log lines) done...
    int total = 0;             // ...out of this many
    TransferProgress transfer; // the file on its way to the modem; total 0 between files
};

// A run's result is the one its record carries, whichever front end ran it.
using PortOutcome = RunResult;

struct PortResult
{
    PortOutcome outcome = PortOutcome::Failed;
    QString reason;                         // empty when programmed
    RunReason reasonCode = RunReason::None; // the reason's stable code
    bool portClosed = false;                // the device was released before the run ended
    bool portNotOpened = false; // no answer because the port never opened (busy, missing, denied)
    QString imei;               // the modem's, when it was asked and said
};

// What one port of a station has done in its session.
struct StationTally
{
    int programmed = 0;
    int failed = 0; // runs that did not program their modem; an interrupted one is not counted
    QString lastFailure;
    QString stopReason; // why the port stopped before it was told to (a record it could not keep)
};

// Where one port of a station stands.
enum class StationState
{
    WaitingForModem,
    Programming,
    TakeOff,           // the modem is done: the next one comes once it is taken away
    AlreadyProgrammed, // this modem was programmed earlier in the session: take it away
    Stopped
};

struct StationStatus
{
    StationState state = StationState::WaitingForModem;
    StationTally tally;
    QString device;                  // what the port's name leads to for this modem, or now
    QString imei;                    // of the modem on the port, when it said
    std::optional<PortResult> ended; // with TakeOff: how the run of this modem ended
};

QString StationStateName(StationState State); // for JSON: "waiting", "programming", ...

// What the runs report; called on each run's own thread, so implementations must be thread-safe.
class RunObserver
{
public:
    virtual ~RunObserver() = default;
    virtual void logLine(int Port, const QString &Text) = 0;
    virtual void progress(int Port, const PortProgress &Progress) = 0;
    virtual void finished(int Port, const PortResult &Result) = 0;
    // A station's port has changed its state (only in continuous mode).
    virtual void station(int Port, const StationStatus &Status)
    {
        Q_UNUSED(Port);
        Q_UNUSED(Status);
    }
};

QString PhaseName(RunPhase Phase);
// The log lines of a run that has been asked to stop: what it still does before it ends.
QString StoppingText();
QString StoppingWithClosingCommandsText();
