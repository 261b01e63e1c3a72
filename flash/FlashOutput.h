#pragma once

#include "flash/RunEvents.h"

#include <QList>
#include <QObject>
#include <QTimer>

#include <functional>
#include <mutex>
#include <vector>

// The end of a station's session: every port's counts, in the order of the ports.
struct StationSummary
{
    QList<StationTally> ports;
    qint64 elapsedMs = 0;
    int exitCode = 0;
};

// What the user or the calling script sees; called on the main thread only.
class FlashOutput : public RunObserver
{
public:
    virtual void summarize(const QList<PortResult> &Results, int ExitCode) = 0;
    virtual void summarizeStation(const StationSummary &Summary) = 0;
};

// 130 once interrupted; 3 when no modem answered at all; 1 when any run did not program its
// modem; else 0.
int FlashExitCode(const QList<PortResult> &Results, bool Interrupted);

// Hands the runs' reports, made on their own threads, to an output on the relay's thread, in
// the order each run made them. The reports wait in a queue of our own that the relay's thread
// empties a few dozen times a second, so no run ever waits for the output.
class EventRelay : public QObject, public RunObserver
{
    Q_OBJECT
public:
    EventRelay(RunObserver &Target, int Ports);

    void logLine(int Port, const QString &Text) override;
    void progress(int Port, const PortProgress &Progress) override;
    void finished(int Port, const PortResult &Result) override;
    void station(int Port, const StationStatus &Status) override;

signals:
    // Every run has handed over its result, and everything it reported before has been delivered.
    void allFinished();

private:
    void post(std::function<void()> Report);
    void deliver();

    RunObserver &target;
    int unfinished;
    QTimer poll;
    std::mutex lock;
    std::vector<std::function<void()>> pending;
};
