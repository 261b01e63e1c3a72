#pragma once

#include <memory>
#include <type_traits>
#include <utility>
#include <windows.h>

namespace serial {

// One kind of overlapped operation on a device (reads, event waits or writes), issued again and
// again with the same record and its manual-reset event. The device may write into the record,
// the event mask and the caller's buffer until the operation has finished, so an operation still
// in flight is cancelled and awaited before they go away.
class OverlappedOperation
{
public:
    explicit OverlappedOperation(HANDLE device);
    ~OverlappedOperation();
    OverlappedOperation(const OverlappedOperation &) = delete;
    OverlappedOperation &operator=(const OverlappedOperation &) = delete;

    bool valid() const { return shared && shared->overlapped.hEvent != nullptr; }
    OVERLAPPED *record() { return &shared->overlapped; }
    // Where an event wait puts the events it saw.
    DWORD *eventMask() { return &shared->eventMask; }
    // Signalled when the operation has finished.
    HANDLE event() const { return shared->overlapped.hEvent; }

    // The call that started the operation reported ERROR_IO_PENDING.
    void started() { state = State::Pending; }
    // The byte count of the finished operation; false with GetLastError() set when it failed.
    bool collect(DWORD &count, bool wait);
    // Cancels an operation still in flight and waits until the device has let go of it. A driver
    // that never lets go would hold the thread, and the port's closing with it, for ever: after
    // LetGoMilliseconds the record is left to the device for good and false is returned, and the
    // caller must then leave its buffer to the device as well.
    bool finish();

    static constexpr DWORD LetGoMilliseconds = 2000;

private:
    struct Record
    {
        OVERLAPPED overlapped{};
        DWORD eventMask = 0;
    };

    enum class State
    {
        Idle,
        Pending,
        LeftToDevice
    };

    HANDLE device;
    // Shared with the device while an operation is in flight.
    std::unique_ptr<Record> shared;
    State state = State::Idle;
};

// Gives the device for good a buffer it may still read or fill after OverlappedOperation::finish
// gave up waiting: the buffer is never freed.
template<typename Buffer> void LeaveToDevice(Buffer &&buffer)
{
    static_cast<void>(new std::decay_t<Buffer>(std::forward<Buffer>(buffer)));
}

} // namespace serial
