#include "Timing.h"

#include <QCoreApplication>

#include <algorithm>
#include <atomic>
#include <thread>

namespace Timing {

namespace {
std::atomic<int> currentFactor{1};
}

void setSpeedUp(int factor)
{
    currentFactor.store(std::max(1, factor), std::memory_order_relaxed);
}

int speedUp()
{
    return currentFactor.load(std::memory_order_relaxed);
}

std::chrono::milliseconds scaled(std::chrono::milliseconds nominal)
{
    if (nominal.count() <= 0)
        return std::chrono::milliseconds(0);
    return std::max(std::chrono::milliseconds(1), nominal / speedUp());
}

} // namespace Timing

void Pause(std::uint32_t Milliseconds)
{
    std::this_thread::sleep_for(Timing::scaled(std::chrono::milliseconds(Milliseconds)));
    QCoreApplication::processEvents();
}
