#pragma once

#include "engine/PortRun.h"
#include "engine/RunEvents.h"
#include "engine/RunStop.h"

#include <atomic>
#include <optional>

// What the wait for a modem's removal sees of its port's device at one look.
struct DeviceLook
{
    std::optional<bool> present; // none where the system cannot tell without opening it
    bool same = true;            // the name still leads to the device the modem answered on
    bool hungUp = false;         // the open port has lost its device
};

// The modem's device is gone or replaced. Where the system cannot tell whether a device is there
// (a COM port on Windows) only the port's hang-up tells, and the wait's silence clock the rest: a
// test that cannot tell must not end the wait.
bool DeviceTakenAway(const DeviceLook &Look);

class FlashHost;
class StationSession;

// One port of a production station, on the calling thread until it is told to quit: waits for a
// modem, asks for its IMEI, programs it exactly as a single run does and records the run, then
// waits until the modem is taken away, and over again. A port whose device goes away waits for
// it to come back under the same name; one modem that fails never ends the loop.
class StationPort
{
public:
    StationPort(PortJob Job, int Port, RunObserver &Observer, const RunStop &Stop,
                StationSession &Session);

    // The result handed over at the end: interrupted, or failed when a record could not be kept
    // or the port could not be used at all.
    PortResult run();

private:
    // One modem, from the wait for it to its removal; false when the loop must end.
    bool serveOneModem();
    // Device: what the port's name led to when the modem answered.
    void waitUntilTakenAway(FlashHost &Host, const QString &Device);
    // Device: what the port's name leads to for the modem the report is about.
    void report(StationState State, const QString &Device, const QString &Imei = {},
                const std::optional<PortResult> &Ended = std::nullopt);
    // Ends the loop for Reason, which the port's counts keep; always false.
    bool stopPort(const QString &Reason, RunReason Code);

    PortJob job;
    const int port;
    RunObserver &observer;
    const RunStop &stop;
    StationSession &session;
    StationTally tally;
    QString stopReason; // why the loop ended before the quit request
    RunReason stopReasonCode = RunReason::None;
};
