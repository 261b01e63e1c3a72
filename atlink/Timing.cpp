#include "Timing.h"

#include <algorithm>
#include <atomic>

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
