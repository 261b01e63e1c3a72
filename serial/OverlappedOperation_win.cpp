#include "OverlappedOperation_win.h"

namespace serial {

OverlappedOperation::OverlappedOperation(HANDLE port) : device(port), record_(new Record)
{
    record_->overlapped.hEvent = CreateEventW(nullptr, TRUE, TRUE, nullptr);
}

OverlappedOperation::~OverlappedOperation()
{
    if (!finish())
        return; // the device still owns the record: it is never freed
    if (record_->overlapped.hEvent)
        CloseHandle(record_->overlapped.hEvent);
    delete record_;
}

bool OverlappedOperation::collect(DWORD &count, bool wait)
{
    const BOOL done =
        GetOverlappedResult(device, &record_->overlapped, &count, wait ? TRUE : FALSE);
    if (done || GetLastError() != ERROR_IO_INCOMPLETE)
        state = State::Idle;
    return done;
}

bool OverlappedOperation::finish()
{
    if (state != State::Pending)
        return state == State::Idle;
    CancelIoEx(device, &record_->overlapped);
    if (WaitForSingleObject(record_->overlapped.hEvent, LetGoMilliseconds) != WAIT_OBJECT_0) {
        state = State::LeftToDevice;
        return false;
    }
    DWORD ignored = 0;
    GetOverlappedResult(device, &record_->overlapped, &ignored, FALSE);
    state = State::Idle;
    return true;
}

} // namespace serial
