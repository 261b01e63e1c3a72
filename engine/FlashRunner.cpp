#include "FlashRunner.h"

#include "engine/StationPort.h"

#include <QAbstractEventDispatcher>

FlashRunner::Worker::Worker(PortJob Job, int Port, RunObserver &Observer, StationSession *Station)
    : job(std::move(Job)), port(Port), observer(Observer), station(Station)
{
}

void FlashRunner::Worker::run()
{
    setRunning(true);
    const PortResult result = station ? StationPort(job, port, observer, stop, *station).run()
                                      : PortRun(job, port, observer, stop).execute();
    setRunning(false);
    const std::lock_guard guard(resultLock);
    outcome = result;
}

void FlashRunner::Worker::setRunning(bool Running)
{
    const std::lock_guard guard(runningLock);
    running = Running;
}

void FlashRunner::Worker::requestQuit()
{
    stop.quit.store(true);
    wake();
}

void FlashRunner::Worker::abandon()
{
    stop.abandon.store(true);
    stop.quit.store(true);
    wake();
}

void FlashRunner::Worker::wake()
{
    const std::lock_guard guard(runningLock);
    if (!running)
        return;
    if (QAbstractEventDispatcher *dispatcher = eventDispatcher())
        dispatcher->wakeUp();
}

PortResult FlashRunner::Worker::result() const
{
    const std::lock_guard guard(resultLock);
    return outcome;
}

FlashRunner::FlashRunner(const QList<PortJob> &Jobs, RunObserver &Observer, StationSession *Station)
{
    for (int index = 0; index < Jobs.size(); ++index)
        workers.push_back(std::make_unique<Worker>(Jobs.at(index), index, Observer, Station));
}

FlashRunner::~FlashRunner()
{
    requestQuit();
    join();
}

void FlashRunner::start()
{
    for (const auto &worker : workers)
        worker->start();
}

void FlashRunner::requestQuit()
{
    quitting = true;
    for (const auto &worker : workers)
        worker->requestQuit();
}

void FlashRunner::abandon()
{
    quitting = true;
    for (const auto &worker : workers)
        worker->abandon();
}

void FlashRunner::join()
{
    for (const auto &worker : workers)
        worker->wait();
}

QList<PortResult> FlashRunner::results() const
{
    QList<PortResult> all;
    for (const auto &worker : workers)
        all.append(worker->result());
    return all;
}
