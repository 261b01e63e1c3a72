#include "SimTestSupport.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <stdexcept>

SlaveLine::SlaveLine(const QString &devicePath)
    : fd(::open(devicePath.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC))
{
    if (fd < 0)
        throw std::runtime_error("cannot open the simulator's device");
}

SlaveLine::~SlaveLine()
{
    ::close(fd);
}

void SlaveLine::send(const QByteArray &bytes)
{
    ASSERT_EQ(::write(fd, bytes.constData(), bytes.size()), bytes.size());
}

bool SlaveLine::hungUp()
{
    pollfd one{fd, POLLIN, 0};
    return ::poll(&one, 1, static_cast<int>(std::chrono::milliseconds(kPatience).count())) > 0 &&
           (one.revents & (POLLHUP | POLLERR)) != 0;
}

CommLine::CommLine(const QString &devicePath, std::uint32_t rate)
{
    comm.SetCommPort(devicePath);
    comm.SetBaudRate(rate);
    comm.OnReceiveData = [this](const char *buffer, std::uint16_t length) {
        pending.append(buffer, length);
    };
    comm.OpenPort();
}

CommLine::~CommLine()
{
    comm.ClosePort();
}

void CommLine::send(const QByteArray &bytes)
{
    ASSERT_TRUE(comm.WriteData(bytes.constData(), static_cast<std::int32_t>(bytes.size())));
}

QByteArray CommLine::waitFor(const QByteArray &needle, std::chrono::milliseconds limit)
{
    waitUntil([&] { return pending.contains(needle); }, limit);
    return std::exchange(pending, {});
}
