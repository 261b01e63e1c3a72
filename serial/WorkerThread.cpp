#include "WorkerThread.h"

#include "serial/Notifications.h"
#include "serial/ThreadPriority.h"

namespace serial {

WorkerThread::~WorkerThread()
{
    wait();
}

void WorkerThread::start(int raise)
{
    thread = std::thread([this, raise] {
        raiseThreadPriority(raise);
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
