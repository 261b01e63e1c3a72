#pragma once

#include "PortRun.h"
#include "RunEvents.h"

#include <QList>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

// Programs every port at once, each on a thread of its own with its own event loop, channel and
// quit request. Used from one thread; the observer is called from the ports' threads.
class FlashRunner
{
public:
    FlashRunner(const QList<PortJob> &Jobs, RunObserver &Observer);
    ~FlashRunner(); // asks the runs to stop and waits for them
    FlashRunner(const FlashRunner &) = delete;
    FlashRunner &operator=(const FlashRunner &) = delete;

    void start();
    // Every run stops at its next look at the quit request; ports are closed as usual.
    void requestQuit();
    bool quitRequested() const { return quitting; }
    // Waits until every run has ended.
    void join();
    // In the order of the jobs; valid after join.
    QList<PortResult> results() const;

private:
    struct Worker
    {
        PortJob job;
        std::atomic<bool> quit{false};
        PortResult result;
        std::thread thread;
    };

    std::vector<std::unique_ptr<Worker>> workers;
    RunObserver &observer;
    bool quitting = false;
};
