#include "ThreadPriority.h"

#include <windows.h>

namespace serial {

// THREAD_PRIORITY_ABOVE_NORMAL is one step, THREAD_PRIORITY_HIGHEST two.
void raiseThreadPriority(int steps)
{
    SetThreadPriority(GetCurrentThread(), steps);
}

} // namespace serial
