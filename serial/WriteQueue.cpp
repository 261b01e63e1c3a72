#include "WriteQueue.h"

namespace serial {

bool WriteQueue::post(QByteArray request)
{
    std::lock_guard guard(lock);
    if (closed)
        return false;
    requests.push_back(std::move(request));
    if (requests.size() == 1)
        raiseSignal();
    return true;
}

std::optional<QByteArray> WriteQueue::take()
{
    std::lock_guard guard(lock);
    if (requests.empty())
        return std::nullopt;
    QByteArray request = std::move(requests.front());
    requests.pop_front();
    if (requests.empty())
        lowerSignal();
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
