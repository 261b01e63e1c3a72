#pragma once

#include "catalogue/ModemCatalogue.h"
#include "common/Failure.h"
#include "engine/RunEvents.h"
#include "engine/RunStop.h"
#include "records/RunRecord.h"

#include <QString>

#include <cstdint>
#include <optional>

class FlashHost;
struct RunOutcome;
class RunRecordFile;

// One modem to program: the device it hangs on and the catalogue entry of its type.
struct PortJob
{
    QString port;
    TDirObject type;
    bool noWait = false;
    int maxAttempts = 0;                    // script modems: attempts per file; 0 = no bound
    std::optional<std::uint32_t> writeRate; // wins over the profile's writerate
    bool identify = false;                  // ask the modem for its IMEI before programming it
    RunRecordFile *records = nullptr;       // where every run is recorded; none: not recorded
    QString logFolder{}; // each run's log kept as a file of its own here; empty: none kept
};

// The whole run for one port, from the chosen type to the closed port, on the calling thread:
// the channel is made and freed there, so each port's thread owns everything it touches.
class PortRun
{
public:
    PortRun(PortJob Job, int Port, RunObserver &Observer, const RunStop &Stop);

    PortResult execute();

private:
    PortJob job;
    const int port;
    RunObserver &observer;
    const RunStop &stop;
};

// The steps a single run and a station's run of one modem share.

// A record of a run of Job's type on Job's port that starts now.
RunRecord StartRecordFor(const PortJob &Job);
// Loads the type's port profile into the host's channel (saying when there is none) and points
// it at the job's port; the profile's failure when it cannot be read, which ends the run.
std::optional<Failure> PreparePort(const PortJob &Job, FlashHost &Host);
// The programming run of a modem that has answered its probe, up to the closed port. An error of
// the port (the reopen at the new rate) ends only this run.
PortResult ProgrammeAnsweredModem(const PortJob &Job, FlashHost &Host);
// The port's result of a judged run.
PortResult ResultOf(const RunOutcome &Judged);
// The run's result and reason as every front end records them (JudgeRun).
PortResult JudgedResult(const FlashHost &Host, bool Programmed);
// Closes the port and completes Result with whether the port was released.
void EndRun(FlashHost &Host, PortResult &Result);
// Keeps the run's log in the job's log folder, completes the record with what the run did and
// the log's file, and appends it to the job's record file; the failure, also logged, when the
// record could not be written. A log that cannot be written is said in the log, and the record
// names none.
std::optional<Failure> KeepRecord(const PortJob &Job, FlashHost &Host, RunRecord Record,
                                  const PortResult &Result);
