#include "LinePace.h"

#include <algorithm>
#include <limits>
#include <termios.h>

namespace modemsim {

void LinePace::setRate(std::uint32_t bitsPerSecond, int speedUp)
{
    rate = static_cast<std::uint64_t>(bitsPerSecond) *
           static_cast<std::uint64_t>(std::max(1, speedUp));
}

std::chrono::nanoseconds LinePace::characterTime(int frameBits) const
{
    return std::chrono::nanoseconds(static_cast<std::int64_t>(frameBits) * 1'000'000'000LL /
                                    static_cast<std::int64_t>(rate));
}

std::size_t LinePace::allowance(Clock::time_point now, int frameBits) const
{
    if (!paced())
        return std::numeric_limits<std::size_t>::max();
    if (!carrying || now <= deliveredUpTo)
        return 0;
    return static_cast<std::size_t>((now - deliveredUpTo) / characterTime(frameBits));
}

LinePace::Clock::time_point LinePace::nextDue(int frameBits) const
{
    return deliveredUpTo + characterTime(frameBits);
}

void LinePace::startCarrying(Clock::time_point now)
{
    carrying = true;
    deliveredUpTo = now;
}

void LinePace::took(std::size_t count, int frameBits, bool drained)
{
    deliveredUpTo += characterTime(frameBits) * static_cast<std::int64_t>(count);
    carrying = !drained;
}

int frameBitsOf(unsigned controlFlags)
{
    int dataBits = 8;
    switch (controlFlags & CSIZE) {
    case CS5:
        dataBits = 5;
        break;
    case CS6:
        dataBits = 6;
        break;
    case CS7:
        dataBits = 7;
        break;
    default:
        break;
    }
    const int parity = (controlFlags & PARENB) ? 1 : 0;
    const int stop = (controlFlags & CSTOPB) ? 2 : 1;
    return 1 + dataBits + parity + stop;
}

} // namespace modemsim
