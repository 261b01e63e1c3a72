#include "PtyPair.h"

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

namespace modemsim {

PtyPair::PtyPair()
{
    termios raw{};
    cfmakeraw(&raw);
    if (openpty(&masterFd, &slaveFd, nullptr, &raw, nullptr) != 0)
        throw std::runtime_error(std::string("openpty: ") + std::strerror(errno));
    std::array<char, 256> name{};
    if (ttyname_r(slaveFd, name.data(), name.size()) != 0) {
        close();
        throw std::runtime_error("pseudo-terminal without a name");
    }
    path = QString::fromLocal8Bit(name.data());
    const int flags = fcntl(masterFd, F_GETFL);
    if (flags < 0 || fcntl(masterFd, F_SETFL, flags | O_NONBLOCK) != 0 ||
        fcntl(masterFd, F_SETFD, FD_CLOEXEC) != 0 || fcntl(slaveFd, F_SETFD, FD_CLOEXEC) != 0) {
        const int error = errno;
        close();
        throw std::runtime_error(std::string("pseudo-terminal set-up: ") + std::strerror(error));
    }
}

PtyPair::~PtyPair()
{
    close();
}

void PtyPair::close()
{
    for (int *fd : {&slaveFd, &masterFd}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
}

} // namespace modemsim
