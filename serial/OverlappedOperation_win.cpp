#include "OverlappedOperation_win.h"

namespace serial {

OverlappedOperation::OverlappedOperation(HANDLE port) : device(port)
{
    overlapped.hEvent = CreateEventW(nullptr, TRUE, TRUE, nullptr);
}

OverlappedOperation::~OverlappedOperation()
{
    finish();
    if (overlapped.hEvent)
        CloseHandle(overlapped.hEvent);
}

bool OverlappedOperation::collect(DWORD &count, bool wait)
{
    const BOOL done = GetOverlappedResult(device, &overlapped, &count, wait ? TRUE : FALSE);
    if (done || GetLastError() != ERROR_IO_INCOMPLETE)
        pending = false;
    return done;
}

void OverlappedOperation::finish()
{
    if (!pending)
        return;
    CancelIoEx(device, &overlapped);
    DWORD ignored = 0;
    GetOverlappedResult(device, &overlapped, &ignored, TRUE);
    pending = false;
}

} // namespace serial
