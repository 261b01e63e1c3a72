#include "FakeDevice.h"
#include "tests/common/TestSupport.h"

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

void closeDescriptor(int &descriptor)
{
    if (descriptor >= 0)
        close(descriptor);
    descriptor = -1;
}

class FakeDevice : public serial::SerialDevice
{
public:
    explicit FakeDevice(std::shared_ptr<FakeLine> shared) : line(std::move(shared)) {}
    ~FakeDevice() override
    {
        closeDescriptor(line->device);
        closeDescriptor(line->peer);
    }

    bool getState(serial::DeviceControlBlock &settings) override
    {
        settings.BaudRate = 1200;
        settings.ByteSize = 7;
        settings.XonChar = 'Q';
        settings.XoffChar = 'S';
        settings.XonLim = 2048;
        return true;
    }
    bool setState(const serial::DeviceControlBlock &settings) override
    {
        line->states.push_back(settings);
        return !line->refuseStates;
    }
    bool setupQueues(std::uint32_t, std::uint32_t) override { return true; }
    bool escape(std::uint32_t code) override
    {
        line->escapes.push_back(code);
        return true;
    }
    void purge(std::uint32_t) override {}

    int readDescriptor() const override { return line->device; }
    int writeDescriptor() const override { return line->device; }
    ssize_t read(char *buffer, std::size_t size) override
    {
        while (line->holdReads)
            std::this_thread::sleep_for(1ms);
        return ::read(line->device, buffer, size);
    }
    std::size_t inputPending() override
    {
        int pending = 0;
        return ioctl(line->device, FIONREAD, &pending) == 0 ? static_cast<std::size_t>(pending) : 0;
    }
    ssize_t write(const char *data, std::size_t size) override
    {
        if (const int error = line->writeError) {
            errno = error;
            return -1;
        }
        const ssize_t written =
            ::write(line->device, data, std::min<std::size_t>(size, line->writeLimit));
        if (written > 0)
            line->writes.emplace_back(data, written);
        return written;
    }

    void startEvents() override {}
    void stopEvents() override {}
    int eventDescriptor() const override { return line->eventDescriptor; }
    std::uint32_t takeEvents() override
    {
        std::lock_guard guard(line->lock);
        std::uint64_t count;
        (void)!::read(line->eventDescriptor, &count, sizeof count);
        return std::exchange(line->pendingEvents, 0);
    }
    bool clearErrors(std::uint32_t &errors) override
    {
        std::lock_guard guard(line->lock);
        errors = std::exchange(line->pendingErrors, 0);
        return true;
    }
    std::uint32_t modemStatus() override { return line->modemStatus; }

private:
    std::shared_ptr<FakeLine> line;
};

} // namespace

FakeLine::FakeLine() : eventDescriptor(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

FakeLine::~FakeLine()
{
    for (int *descriptor : {&peer, &device, &eventDescriptor})
        closeDescriptor(*descriptor);
}

void FakeLine::send(const QByteArray &bytes)
{
    ASSERT_EQ(::write(peer, bytes.constData(), static_cast<std::size_t>(bytes.size())),
              bytes.size());
}

QByteArray FakeLine::receive(qsizetype count)
{
    return readFor(peer, count, 10s);
}

void FakeLine::raise(std::uint32_t events, std::uint32_t errors)
{
    std::lock_guard guard(lock);
    pendingEvents |= events;
    pendingErrors |= errors;
    const std::uint64_t one = 1;
    (void)!::write(eventDescriptor, &one, sizeof one);
}

serial::OpenResult FakePlatform::open(const QString &port)
{
    int pair[2];
    if (port != QStringLiteral("FAKE") || line->device >= 0 ||
        socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0)
        return {nullptr, serial::OpenFailure::Unavailable};
    line->peer = pair[0];
    line->device = pair[1];
    fcntl(pair[1], F_SETFL, fcntl(pair[1], F_GETFL) | O_NONBLOCK);
    return {std::make_unique<FakeDevice>(line), serial::OpenFailure::None};
}
