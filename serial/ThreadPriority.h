#pragma once

namespace serial {

// Raises the calling thread's priority by `steps` above normal where the system allows it; the
// thread works the same without it.
void raiseThreadPriority(int steps);

} // namespace serial
