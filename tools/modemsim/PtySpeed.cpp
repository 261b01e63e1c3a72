// Kept apart from <termios.h>: the kernel's own termios2 record clashes with the C library's.
#include "PtySpeed.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace modemsim {

std::uint32_t programLineSpeed(int masterDescriptor)
{
    termios2 settings{};
    if (ioctl(masterDescriptor, TCGETS2, &settings) != 0)
        return 0;
    return settings.c_ospeed;
}

bool ratesAgree(std::uint32_t programRate, std::uint32_t modemRate)
{
    const std::uint64_t difference =
        programRate > modemRate ? programRate - modemRate : modemRate - programRate;
    return difference * 100 <= std::uint64_t{modemRate} * 3;
}

} // namespace modemsim
