#include "FlashRunner.h"

FlashRunner::FlashRunner(const QList<PortJob> &Jobs, RunObserver &Observer) : observer(Observer)
{
    for (const PortJob &job : Jobs) {
        workers.push_back(std::make_unique<Worker>());
        workers.back()->job = job;
    }
}

FlashRunner::~FlashRunner()
{
    requestQuit();
    join();
}

void FlashRunner::start()
{
    for (std::size_t index = 0; index < workers.size(); ++index) {
        Worker &worker = *workers[index];
        worker.thread = std::thread([this, &worker, index] {
            worker.result =
                PortRun(worker.job, static_cast<int>(index), observer, worker.quit).execute();
        });
    }
}

void FlashRunner::requestQuit()
{
    quitting = true;
    for (const auto &worker : workers)
        worker->quit.store(true);
}

void FlashRunner::join()
{
    for (const auto &worker : workers) {
        if (worker->thread.joinable())
            worker->thread.join();
    }
}

QList<PortResult> FlashRunner::results() const
{
    QList<PortResult> all;
    for (const auto &worker : workers)
        all.append(worker->result);
    return all;
}
