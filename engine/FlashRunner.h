#pragma once

#include "engine/PortRun.h"
#include "engine/RunEvents.h"
#include "engine/RunStop.h"

#include <QList>
#include <QThread>

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

// Programs every port at once, each on a thread of its own with its own event loop, channel and
// quit request. Used from one thread; the observer is called from the ports' threads.
class StationSession;

class FlashRunner
{
public:
    // With a session, every port is a station's: modem after modem until the quit request.
    FlashRunner(const QList<PortJob> &Jobs, RunObserver &Observer,
                StationSession *Station = nullptr);
    ~FlashRunner(); // asks the runs to stop and waits for them
    FlashRunner(const FlashRunner &) = delete;
    FlashRunner &operator=(const FlashRunner &) = delete;

    void start();
    // Every run stops at its next look at the quit request; ports are closed as usual.
    void requestQuit();
    // Every run stops at once, the closing commands of a run too; records and results are still
    // made and the ports closed.
    void abandon();
    bool quitRequested() const { return quitting; }
    // Waits until every run has ended.
    void join();
    // In the order of the jobs; valid after join.
    QList<PortResult> results() const;

private:
    // A QThread rather than a bare thread: the port component delivers what it receives through
    // the Qt event dispatcher of the thread that owns it, which only a QThread sets up in full.
    class Worker : public QThread
    {
    public:
        Worker(PortJob Job, int Port, RunObserver &Observer, StationSession *Station);
        // Each also wakes the run's event loop, so that a wait it is sleeping in ends at once.
        void requestQuit();
        void abandon();
        PortResult result() const;

    protected:
        void run() override;

    private:
        void setRunning(bool Running);
        void wake();

        const PortJob job;
        const int port;
        RunObserver &observer;
        StationSession *const station;
        RunStop stop;
        std::mutex runningLock; // the event loop can only be woken while run() is inside it
        bool running = false;
        mutable std::mutex resultLock; // the run's thread writes, the runner's thread reads
        PortResult outcome;
    };

    std::vector<std::unique_ptr<Worker>> workers;
    bool quitting = false;
};
