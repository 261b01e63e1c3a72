#include "InterruptSignals.h"

#include "flash/ExitCodes.h"
#include "flash/Terminal.h"

#include <QMetaObject>

#include <atomic>
#include <windows.h>

namespace {

std::atomic<int> signalsReceived{0};
std::atomic<InterruptSignals *> receiver{nullptr};

// Runs on a thread of its own that the system starts for the console event.
BOOL WINAPI onConsoleEvent(DWORD)
{
    if (signalsReceived.fetch_add(1) > 0) {
        Terminal::handBack();
        ExitProcess(FlashExit::Interrupted);
    }
    if (InterruptSignals *target = receiver.load())
        QMetaObject::invokeMethod(target, &InterruptSignals::interrupted, Qt::QueuedConnection);
    return TRUE;
}

} // namespace

InterruptSignals::InterruptSignals()
{
    receiver.store(this);
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

InterruptSignals::~InterruptSignals()
{
    SetConsoleCtrlHandler(onConsoleEvent, FALSE);
    receiver.store(nullptr);
}
