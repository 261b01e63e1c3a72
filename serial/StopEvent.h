#pragma once

#include <QtGlobal>

namespace serial {

// A flag that only goes from clear to set and can be waited on together with a device.
class StopEvent
{
public:
    StopEvent();
    ~StopEvent();
    StopEvent(const StopEvent &) = delete;
    StopEvent &operator=(const StopEvent &) = delete;

    void set();
    bool isSet() const;
#ifdef Q_OS_WIN
    bool valid() const
    {
        return event != nullptr;
    }
    // A manual-reset event object, signalled once set.
    void *handle() const
    {
        return event;
    }

private:
    void *event;
#else
    bool valid() const
    {
        return descriptor >= 0;
    }
    // Polls readable once set.
    int handle() const
    {
        return descriptor;
    }

private:
    int descriptor;
#endif
};

} // namespace serial
