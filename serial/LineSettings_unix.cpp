#include "LineSettings_unix.h"

namespace serial {
namespace {

bool frameFlags(const DeviceControlBlock &settings, tcflag_t &flags)
{
    constexpr tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
    if (settings.ByteSize < 5 || settings.ByteSize > 8)
        return false;
    flags = sizes[settings.ByteSize - 5];
    constexpr tcflag_t parities[] = {0, PARENB | PARODD, PARENB, PARENB | PARODD | CMSPAR,
                                     PARENB | CMSPAR};
    if (settings.Parity > 4)
        return false;
    flags |= parities[settings.Parity];
    switch (settings.StopBits) {
    case 0:
        return true;
    case 1: // the UART sends 1.5 stop bits for "two" when characters have 5 bits
        flags |= CSTOPB;
        return settings.ByteSize == 5;
    case 2:
        flags |= CSTOPB;
        return true;
    default:
        return false;
    }
}

} // namespace

bool writeLineSettings(const DeviceControlBlock &settings, termios &terminal)
{
    tcflag_t frame = 0;
    if (settings.BaudRate == 0 || !frameFlags(settings, frame))
        return false;
    cfmakeraw(&terminal);
    terminal.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS | HUPCL);
    terminal.c_cflag |= frame | CLOCAL | CREAD;
    if (settings.Flags & (fOutxCtsFlow | fRtsControlHandshake))
        terminal.c_cflag |= CRTSCTS;
    terminal.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK);
    if (settings.Flags & fOutX)
        terminal.c_iflag |= IXON;
    if (settings.Flags & fInX)
        terminal.c_iflag |= IXOFF;
    if (settings.Flags & fParity)
        terminal.c_iflag |= INPCK;
    if (settings.XonChar)
        terminal.c_cc[VSTART] = static_cast<cc_t>(settings.XonChar);
    if (settings.XoffChar)
        terminal.c_cc[VSTOP] = static_cast<cc_t>(settings.XoffChar);
    terminal.c_cc[VMIN] = 0;
    terminal.c_cc[VTIME] = 0;
    return true;
}

void readLineSettings(const termios &terminal, DeviceControlBlock &settings)
{
    constexpr std::uint8_t sizes[] = {5, 6, 7, 8};
    settings.ByteSize = sizes[(terminal.c_cflag & CSIZE) / CS6];
    if (!(terminal.c_cflag & PARENB))
        settings.Parity = 0;
    else if (terminal.c_cflag & CMSPAR)
        settings.Parity = (terminal.c_cflag & PARODD) ? 3 : 4;
    else
        settings.Parity = (terminal.c_cflag & PARODD) ? 1 : 2;
    settings.StopBits = (terminal.c_cflag & CSTOPB) ? (settings.ByteSize == 5 ? 1 : 2) : 0;
    settings.XonChar = static_cast<char>(terminal.c_cc[VSTART]);
    settings.XoffChar = static_cast<char>(terminal.c_cc[VSTOP]);
    settings.EofChar = static_cast<char>(terminal.c_cc[VEOF]);
}

} // namespace serial
