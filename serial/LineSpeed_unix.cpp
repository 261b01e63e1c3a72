// Kept apart from <termios.h>: the kernel's own termios2 record clashes with the C library's.
#include "LineSpeed.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace serial {

bool setLineSpeed(int descriptor, std::uint32_t bitsPerSecond)
{
    termios2 settings{};
    if (ioctl(descriptor, TCGETS2, &settings) != 0)
        return false;
    settings.c_cflag &= ~static_cast<tcflag_t>(CBAUD | (CBAUD << IBSHIFT));
    settings.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    settings.c_ispeed = bitsPerSecond;
    settings.c_ospeed = bitsPerSecond;
    return ioctl(descriptor, TCSETS2, &settings) == 0;
}

bool lineSpeed(int descriptor, std::uint32_t &bitsPerSecond)
{
    termios2 settings{};
    if (ioctl(descriptor, TCGETS2, &settings) != 0)
        return false;
    bitsPerSecond = settings.c_ospeed;
    return true;
}

} // namespace serial
