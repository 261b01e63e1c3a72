#pragma once

#include "serial/DeviceControlBlock.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <memory>
#ifndef Q_OS_WIN
#include <sys/types.h>
#endif

namespace serial {

// One open serial device. The component's threads use it at the same time: the reader reads and
// collects line events, the writer writes, the creating thread changes settings and purges; an
// implementation keeps these apart or guards what they share.
class SerialDevice
{
public:
    virtual ~SerialDevice() = default; // closes the device without waiting for unsent output

    // Line settings: the device's current ones, and a complete record to apply (false: refused).
    virtual bool getState(DeviceControlBlock &settings) = 0;
    virtual bool setState(const DeviceControlBlock &settings) = 0;
    virtual bool setupQueues(std::uint32_t rxQueue, std::uint32_t txQueue) = 0;
    virtual bool escape(std::uint32_t code) = 0;
    // Discards buffered input and/or output (PurgeInput, PurgeOutput).
    virtual void purge(std::uint32_t what) = 0;

#ifdef Q_OS_WIN
    // The device handle (a HANDLE), opened for overlapped I/O with reads that end after 1 ms
    // without a byte: the reader and writer issue their reads, event waits and writes on it.
    virtual void *handle() const = 0;
#else
    // Descriptor that polls readable when bytes arrive and reports POLLHUP when the device is gone;
    // and the descriptor that polls writable when output can be queued.
    virtual int readDescriptor() const = 0;
    virtual int writeDescriptor() const = 0;
    // Non-blocking transfers with the conventions of read(2) and write(2) (errno on -1).
    virtual ssize_t read(char *buffer, std::size_t size) = 0;
    virtual ssize_t write(const char *data, std::size_t size) = 0;

    // How the writer learns that its bytes have left the port (a Windows driver completes a write
    // only then, and reports EV_TXEMPTY itself). The defaults suit a device that puts written
    // bytes straight onto the line.
    // Bytes written that still wait in the driver's output buffer (TIOCOUTQ); 0 where the device
    // cannot tell. The few characters already in the hardware's own buffer are not counted:
    // waiting for them (tcdrain) can block without end on some adapters while flow control holds
    // the line.
    virtual std::size_t outputPending()
    {
        return 0;
    }
    // Raises EV_TXEMPTY among the line events once everything written has left.
    virtual void reportOutputEmpty() {}

    // Line events. startEvents() arms them; from then on eventDescriptor() polls readable while
    // takeEvents() has a non-empty mask to hand over. -1 where the device has no line events.
    virtual void startEvents() = 0;
    virtual void stopEvents() = 0;
    virtual int eventDescriptor() const = 0;
    virtual std::uint32_t takeEvents() = 0;
#endif
    // What tells this device from any other that a port name may lead to later (device and inode
    // numbers); empty where the platform offers none. A Windows port handle has nothing that
    // tells one adapter from the next behind the same COM name, so there it stays empty and the
    // port is opened by its name alone.
    virtual QByteArray identity() const
    {
        return {};
    }
    // Received bytes that wait in the driver for the reader (TIOCINQ); 0 where the device cannot
    // tell.
    virtual std::size_t inputPending()
    {
        return 0;
    }
    // Line errors since the last call (CE_ bits); false when the device cannot tell.
    virtual bool clearErrors(std::uint32_t &errors) = 0;
    // The modem status lines (MS_ bits); 0 where the device has none.
    virtual std::uint32_t modemStatus() = 0;
};

enum class OpenFailure
{
    None,
    Unavailable,
    NotCharacterDevice
};

struct OpenResult
{
    std::unique_ptr<SerialDevice> device;
    OpenFailure failure = OpenFailure::None;
    int osError = 0; // errno or GetLastError() of the call that failed; 0 when none said
};

// Opens devices by port name; the component holds one for its whole life.
class SerialPlatform
{
public:
    virtual ~SerialPlatform() = default;
    // Opens the port exclusively; fails when it is missing, in use or no character device.
    virtual OpenResult open(const QString &port) = 0;
};

// The machine's own serial devices.
std::unique_ptr<SerialPlatform> systemSerialPlatform();

} // namespace serial
