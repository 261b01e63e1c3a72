#pragma once

#include "engine/RunEvents.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <mutex>
#include <vector>

// Hands the runs' reports, made on their own threads, to an observer on the relay's thread, in
// the order each run made them. The reports wait in a queue of our own that the relay's thread
// empties a few dozen times a second while they come, and ten times a second while none do, so
// no run ever waits for the front end and ports that wait for a modem cost it next to nothing.
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
