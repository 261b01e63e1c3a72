#pragma once

#include "procedures/TransferProgress.h"

#include <QString>

#include <cstdint>

// Where one port's run stands, for the live progress line and the JSON events.
enum class RunPhase
{
    OpeningPort,
    WaitingForAnswer,
    SwitchingBaud,
    Writing,
    Finished
};

struct PortProgress
{
    RunPhase phase = RunPhase::OpeningPort;
    int done = 0;              // the run's gauge: files (or transfer-log lines) done...
    int total = 0;             // ...out of this many
    TransferProgress transfer; // the file on its way to the modem; total 0 between files
};

enum class PortOutcome
{
    Programmed,
    Failed,
    NoAnswer,
    Interrupted
};

struct PortResult
{
    PortOutcome outcome = PortOutcome::Failed;
    QString reason;          // empty when programmed
    bool portClosed = false; // the device was released before the run ended
};

// What the runs report; called on each run's own thread, so implementations must be thread-safe.
class RunObserver
{
public:
    virtual ~RunObserver() = default;
    virtual void logLine(int Port, const QString &Text) = 0;
    virtual void progress(int Port, const PortProgress &Progress) = 0;
    virtual void finished(int Port, const PortResult &Result) = 0;
};

QString PhaseName(RunPhase Phase);
QString OutcomeName(PortOutcome Outcome);
