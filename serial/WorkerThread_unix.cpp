#include "WorkerThread.h"

#include "serial/Notifications.h"

#include <sys/resource.h>
#include <unistd.h>

namespace serial {

WorkerThread::~WorkerThread()
{
    wait();
}

void WorkerThread::start(int raise)
{
    thread = std::thread([this, raise] {
        // Only allowed with privileges; the threads work the same without it.
        setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), -raise);
        execute();
    });
}

void WorkerThread::wait()
{
    if (thread.joinable())
        thread.join();
}

void WorkerThread::PostHangup()
{
    notifyWindow.postHangup();
}

} // namespace serial
