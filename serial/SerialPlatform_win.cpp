#include "SerialPlatform.h"

#include "serial/SerialPorts.h"

#include <cstddef>
#include <cstring>
#include <string>
#include <windows.h>

namespace serial {
namespace {

// The settings record has the system's own layout and is handed over as it stands.
static_assert(sizeof(DCB) == sizeof(DeviceControlBlock));
static_assert(offsetof(DCB, BaudRate) == offsetof(DeviceControlBlock, BaudRate));
static_assert(offsetof(DCB, XonLim) == offsetof(DeviceControlBlock, XonLim));
static_assert(offsetof(DCB, ByteSize) == offsetof(DeviceControlBlock, ByteSize));
static_assert(offsetof(DCB, EvtChar) == offsetof(DeviceControlBlock, EvtChar));

class WinSerialDevice final : public SerialDevice
{
public:
    explicit WinSerialDevice(HANDLE opened) : device(opened) {}
    ~WinSerialDevice() override { CloseHandle(device); }

    bool getState(DeviceControlBlock &settings) override;
    bool setState(const DeviceControlBlock &settings) override;
    bool setupQueues(std::uint32_t rxQueue, std::uint32_t txQueue) override
    {
        return SetupComm(device, rxQueue, txQueue);
    }
    bool escape(std::uint32_t code) override { return EscapeCommFunction(device, code); }
    void purge(std::uint32_t what) override { PurgeComm(device, what); }
    void *handle() const override { return device; }
    bool clearErrors(std::uint32_t &errors) override;
    std::uint32_t modemStatus() override;

private:
    const HANDLE device;
};

bool WinSerialDevice::getState(DeviceControlBlock &settings)
{
    DCB current{};
    current.DCBlength = sizeof current;
    if (!GetCommState(device, &current))
        return false;
    std::memcpy(static_cast<void *>(&settings), &current, sizeof current);
    return true;
}

bool WinSerialDevice::setState(const DeviceControlBlock &settings)
{
    DCB wanted;
    std::memcpy(&wanted, &settings, sizeof wanted);
    wanted.DCBlength = sizeof wanted;
    return SetCommState(device, &wanted);
}

bool WinSerialDevice::clearErrors(std::uint32_t &errors)
{
    DWORD lineErrors = 0;
    if (!ClearCommError(device, &lineErrors, nullptr))
        return false;
    errors = lineErrors;
    return true;
}

std::uint32_t WinSerialDevice::modemStatus()
{
    DWORD lines = 0;
    return GetCommModemStatus(device, &lines) ? lines : 0;
}

// Reads wait without limit for their first byte and end once the line has been quiet for more
// than 1 ms or the buffer is full; writes wait without limit.
OpenResult openDevice(const QString &port)
{
    const std::wstring path = ResolveDevicePath(port).toStdWString();
    if (path.empty())
        return {nullptr, OpenFailure::Unavailable};
    const HANDLE device = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (device == INVALID_HANDLE_VALUE)
        return {nullptr, OpenFailure::Unavailable, static_cast<int>(GetLastError())};
    if (GetFileType(device) != FILE_TYPE_CHAR) {
        CloseHandle(device);
        return {nullptr, OpenFailure::NotCharacterDevice};
    }
    COMMTIMEOUTS quietGap{1, 0, 0, 0, 0};
    SetCommTimeouts(device, &quietGap);
    return {std::make_unique<WinSerialDevice>(device), OpenFailure::None};
}

class WinSerialPlatform final : public SerialPlatform
{
public:
    OpenResult open(const QString &port) override { return openDevice(port); }
};

} // namespace

std::unique_ptr<SerialPlatform> systemSerialPlatform()
{
    return std::make_unique<WinSerialPlatform>();
}

} // namespace serial
