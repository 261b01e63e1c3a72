#pragma once

#include <thread>

namespace serial {

class NotificationReceiver;
class SerialDevice;
class StopEvent;

// What a reader or writer is given before it starts, and its thread. The body ends on the stop
// event or on a failure; the object stays until the component releases it.
class WorkerThread
{
public:
    WorkerThread(SerialDevice &device, StopEvent &stop, NotificationReceiver &receiver)
        : portHandle(device), stopEvent(stop), notifyWindow(receiver)
    {
    }
    virtual ~WorkerThread();
    WorkerThread(const WorkerThread &) = delete;
    WorkerThread &operator=(const WorkerThread &) = delete;

    // False when the thread lacks what it needs to run.
    virtual bool ready() const { return true; }
    // Starts the body; throws std::system_error when no thread can be created. `raise` is how
    // many steps above normal the thread's priority is, where the system allows that.
    void start(int raise);
    // Waits until the body has ended; the owner sets the stop event first.
    void wait();

protected:
    virtual void execute() = 0;
    void PostHangup();

    SerialDevice &portHandle;
    StopEvent &stopEvent;
    NotificationReceiver &notifyWindow;

private:
    std::thread thread;
};

} // namespace serial
