#include "OverlappedOperation_win.h"

namespace serial {

OverlappedOperation::OverlappedOperation(HANDLE port)
    : device(port), shared(std::make_unique<Record>())
{
    shared->overlapped.hEvent = CreateEventW(nullptr, TRUE, TRUE, nullptr);
}

OverlappedOperation::~OverlappedOperation()
{
    if (!finish()) {
        LeaveToDevice(std::move(shared));
        return;
    }
    if (shared->overlapped.hEvent)
        CloseHandle(shared->overlapped.hEvent);
}

bool OverlappedOperation::collect(DWORD &count, bool wait)
{
    const BOOL done = GetOverlappedResult(device, &shared->overlapped, &count, wait ? TRUE : FALSE);
    if (done || GetLastError() != ERROR_IO_INCOMPLETE)
        state = State::Idle;
    return done;
}

bool OverlappedOperation::finish()
{
    if (state != State::Pending)
        return state == State::Idle;
    CancelIoEx(device, &shared->overlapped);
    if (WaitForSingleObject(shared->overlapped.hEvent, LetGoMilliseconds) != WAIT_OBJECT_0) {
        state = State::LeftToDevice;
        return false;
    }
    DWORD ignored = 0;
    GetOverlappedResult(device, &shared->overlapped, &ignored, FALSE);
    state = State::Idle;
    return true;
}

} // namespace serial
