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

bool WriteQueue::post(QByteArray request)
{
    std::lock_guard guard(lock);
    if (closed)
        return false;
    requests.push_back(std::move(request));
    if (requests.size() == 1) {
        const std::uint64_t one = 1;
        while (::write(descriptor, &one, sizeof one) < 0 && errno == EINTR) {
        }
    }
    return true;
}

std::optional<QByteArray> WriteQueue::take()
{
    std::lock_guard guard(lock);
    if (requests.empty())
        return std::nullopt;
    QByteArray request = std::move(requests.front());
    requests.pop_front();
    if (requests.empty()) {
        std::uint64_t count;
        while (::read(descriptor, &count, sizeof count) < 0 && errno == EINTR) {
        }
    }
    return request;
}

bool WriteQueue::waiting()
{
    std::lock_guard guard(lock);
    return !requests.empty();
}

void WriteQueue::close()
{
    std::lock_guard guard(lock);
    closed = true;
    requests.clear();
}

} // namespace serial
