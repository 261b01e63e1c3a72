#include "WriteQueue.h"

#include <windows.h>

namespace serial {

WriteQueue::WriteQueue() : signal(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

WriteQueue::~WriteQueue()
{
    if (signal)
        CloseHandle(signal);
}

void WriteQueue::raiseSignal()
{
    SetEvent(signal);
}

void WriteQueue::lowerSignal()
{
    ResetEvent(signal);
}

} // namespace serial
