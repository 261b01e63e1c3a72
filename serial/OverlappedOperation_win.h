#pragma once

#include <windows.h>

namespace serial {

// One kind of overlapped operation on a device (reads, event waits or writes), issued again and
// again with the same record and its manual-reset event. The device may write into the record
// and the caller's buffer until the operation has finished, so an operation still in flight is
// cancelled and awaited before its buffer or the record goes away.
class OverlappedOperation
{
public:
    explicit OverlappedOperation(HANDLE device);
    ~OverlappedOperation();
    OverlappedOperation(const OverlappedOperation &) = delete;
    OverlappedOperation &operator=(const OverlappedOperation &) = delete;

    bool valid() const { return overlapped.hEvent != nullptr; }
    OVERLAPPED *record() { return &overlapped; }
    // Signalled when the operation has finished.
    HANDLE event() const { return overlapped.hEvent; }

    // The call that started the operation reported ERROR_IO_PENDING.
    void started() { pending = true; }
    // The byte count of the finished operation; false with GetLastError() set when it failed.
    bool collect(DWORD &count, bool wait);
    // Cancels an operation still in flight and waits until the device has let go of it.
    void finish();

private:
    HANDLE device;
    OVERLAPPED overlapped{};
    bool pending = false;
};

} // namespace serial
