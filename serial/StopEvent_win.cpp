#include "StopEvent.h"

#include <windows.h>

namespace serial {

StopEvent::StopEvent() : event(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

StopEvent::~StopEvent()
{
    if (event)
        CloseHandle(event);
}

void StopEvent::set()
{
    SetEvent(event);
}

bool StopEvent::isSet() const
{
    return WaitForSingleObject(event, 0) == WAIT_OBJECT_0;
}

} // namespace serial
