#include "ThreadPriority.h"

#include <sys/resource.h>
#include <unistd.h>

namespace serial {

// Only allowed with privileges.
void raiseThreadPriority(int steps)
{
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), -steps);
}

} // namespace serial
