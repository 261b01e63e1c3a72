#include "SerialPlatform.h"

#include "serial/CommConstants.h"
#include "serial/LineEvents.h"
#include "serial/LineSettings_unix.h"
#include "serial/LineSpeed.h"
#include "serial/SerialPorts.h"
#include "serial/UucpLock_unix.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <linux/serial.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace serial {
namespace {

struct StandardSpeed
{
    std::uint32_t bitsPerSecond;
    speed_t constant;
};

constexpr StandardSpeed StandardSpeeds[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000}};

const StandardSpeed *standardSpeed(std::uint32_t bitsPerSecond)
{
    for (const StandardSpeed &speed : StandardSpeeds) {
        if (speed.bitsPerSecond == bitsPerSecond)
            return &speed;
    }
    return nullptr;
}

// A pseudo-terminal has no modem lines; those calls fail with one of these and are no error.
bool unsupported(int error)
{
    return error == ENOTTY || error == EINVAL;
}

void setLine(int descriptor, int line, bool on)
{
    ioctl(descriptor, on ? TIOCMBIS : TIOCMBIC, &line);
}

// The device's settings as the program found them: its terminal settings (HUPCL among them)
// and the driver's closing wait and low-latency flag, which the close puts back.
struct FoundSettings
{
    explicit FoundSettings(int descriptor)
    {
        haveTerminal = tcgetattr(descriptor, &terminal) == 0;
        haveDriver = ioctl(descriptor, TIOCGSERIAL, &driver) == 0;
    }
    void restore(int descriptor) const
    {
        if (haveTerminal)
            tcsetattr(descriptor, TCSANOW, &terminal);
        if (haveDriver)
            ioctl(descriptor, TIOCSSERIAL, &driver);
    }

    bool haveTerminal = false;
    termios terminal{};
    bool haveDriver = false;
    serial_struct driver{};
};

class UnixSerialDevice final : public SerialDevice
{
public:
    UnixSerialDevice(int opened, const FoundSettings &settings, std::unique_ptr<UucpLock> held)
        : descriptor(opened), found(settings), lock(std::move(held)), events(opened)
    {
    }
    ~UnixSerialDevice() override;

    bool getState(DeviceControlBlock &settings) override;
    bool setState(const DeviceControlBlock &settings) override;
    bool setupQueues(std::uint32_t, std::uint32_t) override { return true; }
    bool escape(std::uint32_t code) override;
    void purge(std::uint32_t what) override;

    int readDescriptor() const override { return descriptor; }
    int writeDescriptor() const override { return descriptor; }
    ssize_t read(char *buffer, std::size_t size) override;
    ssize_t write(const char *data, std::size_t size) override
    {
        return ::write(descriptor, data, size);
    }

    std::size_t outputPending() override;
    std::size_t inputPending() override;
    QByteArray identity() const override;
    void reportOutputEmpty() override { events.raise(EV_TXEMPTY, 0); }

    void startEvents() override { events.start(); }
    void stopEvents() override { events.stop(); }
    int eventDescriptor() const override { return events.handle(); }
    std::uint32_t takeEvents() override { return events.take(); }
    bool clearErrors(std::uint32_t &errors) override;
    std::uint32_t modemStatus() override;

private:
    const int descriptor;
    const FoundSettings found;
    const std::unique_ptr<UucpLock> lock; // released after the close
    LineEvents events;
};

// The port is left as it was found. Nothing may keep the close waiting for output that cannot
// leave (CTS low, XOFF received): the output is discarded first, so the found closing wait and
// flow control have nothing left to wait for.
UnixSerialDevice::~UnixSerialDevice()
{
    events.stop();
    tcflush(descriptor, TCIOFLUSH);
    found.restore(descriptor);
    tcflush(descriptor, TCIOFLUSH);
    ioctl(descriptor, TIOCNXCL);
    close(descriptor);
}

bool UnixSerialDevice::getState(DeviceControlBlock &settings)
{
    termios current{};
    if (tcgetattr(descriptor, &current) != 0)
        return false;
    readLineSettings(current, settings);
    lineSpeed(descriptor, settings.BaudRate);
    return true;
}

bool UnixSerialDevice::setState(const DeviceControlBlock &settings)
{
    termios wanted{};
    if (tcgetattr(descriptor, &wanted) != 0 || !writeLineSettings(settings, wanted))
        return false;
    const StandardSpeed *standard = standardSpeed(settings.BaudRate);
    cfsetspeed(&wanted, standard ? standard->constant : B38400);
    if (tcsetattr(descriptor, TCSANOW, &wanted) != 0)
        return false;
    if (!standard && !setLineSpeed(descriptor, settings.BaudRate))
        return false;
    events.setEventChar(settings.EvtChar);
    if (!(settings.Flags & fRtsControlHandshake))
        setLine(descriptor, TIOCM_RTS, false);
    return true;
}

bool UnixSerialDevice::escape(std::uint32_t code)
{
    int result = -1;
    switch (code) {
    case SETXOFF:
        result = tcflow(descriptor, TCOOFF);
        break;
    case SETXON:
        result = tcflow(descriptor, TCOON);
        break;
    case SETRTS:
    case CLRRTS:
    case SETDTR:
    case CLRDTR: {
        const int line = (code == SETRTS || code == CLRRTS) ? TIOCM_RTS : TIOCM_DTR;
        result = ioctl(descriptor, (code == SETRTS || code == SETDTR) ? TIOCMBIS : TIOCMBIC, &line);
        break;
    }
    case SETBREAK:
        result = ioctl(descriptor, TIOCSBRK);
        break;
    case CLRBREAK:
        result = ioctl(descriptor, TIOCCBRK);
        break;
    default:
        break;
    }
    return result == 0;
}

void UnixSerialDevice::purge(std::uint32_t what)
{
    if (what & (PURGE_RXABORT | PURGE_RXCLEAR))
        tcflush(descriptor, TCIFLUSH);
    if (what & (PURGE_TXABORT | PURGE_TXCLEAR))
        tcflush(descriptor, TCOFLUSH);
}

ssize_t UnixSerialDevice::read(char *buffer, std::size_t size)
{
    const ssize_t count = ::read(descriptor, buffer, size);
    if (count > 0)
        events.received(buffer, static_cast<std::size_t>(count));
    return count;
}

std::size_t UnixSerialDevice::outputPending()
{
    int pending = 0;
    if (ioctl(descriptor, TIOCOUTQ, &pending) != 0 || pending < 0)
        return 0;
    return static_cast<std::size_t>(pending);
}

// A device node made anew (a USB adapter plugged in again) has a new inode even where it gets the
// old name and device number.
QByteArray UnixSerialDevice::identity() const
{
    struct stat status
    {
    };
    if (fstat(descriptor, &status) != 0)
        return {};
    return QByteArray::number(static_cast<qulonglong>(status.st_rdev)) + ':' +
           QByteArray::number(static_cast<qulonglong>(status.st_dev)) + ':' +
           QByteArray::number(static_cast<qulonglong>(status.st_ino));
}

std::size_t UnixSerialDevice::inputPending()
{
    int pending = 0;
    if (ioctl(descriptor, TIOCINQ, &pending) != 0 || pending < 0)
        return 0;
    return static_cast<std::size_t>(pending);
}

bool UnixSerialDevice::clearErrors(std::uint32_t &errors)
{
    errors = events.takeErrors();
    return true;
}

std::uint32_t UnixSerialDevice::modemStatus()
{
    int lines = 0;
    if (ioctl(descriptor, TIOCMGET, &lines) != 0)
        return 0;
    return statusOfLines(lines);
}

// Exclusive in two ways: flock keeps out every program that asks for the lock, TIOCEXCL every
// other opener of a terminal (both are released by the close).
OpenResult openDevice(const QString &port)
{
    // Locked and opened as the device itself, whatever link named it.
    const QByteArray path = QFile::encodeName(PortDevice(port));
    if (path.isEmpty())
        return {nullptr, OpenFailure::Unavailable};
    // A device that is not there needs no lock: a modem that is off often takes its USB device
    // with it, and a station asks for it several times a second on every port.
    if (::access(path.constData(), F_OK) != 0)
        return {nullptr, OpenFailure::Unavailable, errno};
    auto lock = std::make_unique<UucpLock>(path);
    if (!lock->taken())
        return {nullptr, OpenFailure::Unavailable};
    const int descriptor = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0)
        return {nullptr, OpenFailure::Unavailable, errno};
    struct stat status
    {
    };
    if (fstat(descriptor, &status) != 0 || !S_ISCHR(status.st_mode)) {
        close(descriptor);
        return {nullptr, OpenFailure::NotCharacterDevice};
    }
    if (flock(descriptor, LOCK_EX | LOCK_NB) != 0 ||
        (ioctl(descriptor, TIOCEXCL) != 0 && !unsupported(errno))) {
        const int error = errno;
        close(descriptor);
        return {nullptr, OpenFailure::Unavailable, error};
    }
    const FoundSettings found(descriptor);
    // USB adapters otherwise hold received bytes back for their 16 ms latency timer.
    serial_struct lowLatency{};
    if (ioctl(descriptor, TIOCGSERIAL, &lowLatency) == 0 &&
        !(lowLatency.flags & ASYNC_LOW_LATENCY)) {
        lowLatency.flags |= ASYNC_LOW_LATENCY;
        ioctl(descriptor, TIOCSSERIAL, &lowLatency);
    }
    tcflush(descriptor, TCIFLUSH);
    return {std::make_unique<UnixSerialDevice>(descriptor, found, std::move(lock)),
            OpenFailure::None};
}

class UnixSerialPlatform final : public SerialPlatform
{
public:
    OpenResult open(const QString &port) override { return openDevice(port); }
};

} // namespace

std::unique_ptr<SerialPlatform> systemSerialPlatform()
{
    return std::make_unique<UnixSerialPlatform>();
}

} // namespace serial
