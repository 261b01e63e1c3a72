#include "StopEvent.h"

#include <cerrno>
#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace serial {

StopEvent::StopEvent() : descriptor(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

StopEvent::~StopEvent()
{
    if (descriptor >= 0)
        close(descriptor);
}

void StopEvent::set()
{
    // Never read back, so the counter stays non-zero and the descriptor readable for good.
    const std::uint64_t one = 1;
    while (::write(descriptor, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

bool StopEvent::isSet() const
{
    pollfd entry{descriptor, POLLIN, 0};
    return poll(&entry, 1, 0) > 0 && (entry.revents & POLLIN);
}

} // namespace serial
