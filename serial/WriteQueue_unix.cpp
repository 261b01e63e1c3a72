#include "WriteQueue.h"

#include <cerrno>
#include <cstdint>
#include <sys/eventfd.h>
#include <unistd.h>

namespace serial {

WriteQueue::WriteQueue() : descriptor(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

WriteQueue::~WriteQueue()
{
    if (descriptor >= 0)
        ::close(descriptor);
}

void WriteQueue::raiseSignal()
{
    const std::uint64_t one = 1;
    while (::write(descriptor, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

void WriteQueue::lowerSignal()
{
    std::uint64_t count;
    while (::read(descriptor, &count, sizeof count) < 0 && errno == EINTR) {
    }
}

} // namespace serial
