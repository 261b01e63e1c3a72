#pragma once

#include "serial/SerialPlatform.h"

#include <QByteArray>

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

// A serial device the test controls: bytes go through a socket pair, the test raises line events
// and sets the modem lines, and what the component asks of the device is recorded (the records
// are read once the port is closed).
struct FakeLine
{
    FakeLine();
    ~FakeLine();
    FakeLine(const FakeLine &) = delete;
    FakeLine &operator=(const FakeLine &) = delete;

    void send(const QByteArray &bytes);
    QByteArray receive(qsizetype count);
    void raise(std::uint32_t events, std::uint32_t errors = 0);

    int peer = -1;   // the test's end of the data connection
    int device = -1; // the component's end
    int eventDescriptor = -1;
    std::atomic<std::uint32_t> modemStatus{0};
    std::atomic<std::size_t> writeLimit{SIZE_MAX}; // bytes taken per write call
    std::atomic<int> writeError{0};                // errno of every write from now on
    std::atomic<bool> refuseStates{false};
    std::atomic<bool> holdReads{false}; // the reader stays inside its read while this is set

    std::mutex lock; // guards the pending events
    std::uint32_t pendingEvents = 0;
    std::uint32_t pendingErrors = 0;

    std::vector<serial::DeviceControlBlock> states;
    std::vector<std::uint32_t> escapes;
    std::vector<QByteArray> writes;
};

class FakePlatform : public serial::SerialPlatform
{
public:
    explicit FakePlatform(std::shared_ptr<FakeLine> shared) : line(std::move(shared)) {}
    serial::OpenResult open(const QString &port) override;

private:
    std::shared_ptr<FakeLine> line;
};
