#pragma once

namespace serial {

// A flag that only goes from clear to set and can be waited on together with a device.
class StopEvent
{
public:
    StopEvent();
    ~StopEvent();
    StopEvent(const StopEvent &) = delete;
    StopEvent &operator=(const StopEvent &) = delete;

    bool valid() const { return descriptor >= 0; }
    void set();
    bool isSet() const;
    // Polls readable once set.
    int handle() const { return descriptor; }

private:
    int descriptor;
};

} // namespace serial
