#include "InterruptSignals.h"

#include "flash/ExitCodes.h"
#include "flash/Terminal.h"

#include <QMetaObject>

#include <atomic>
#include <windows.h>

namespace {

// How long the runs have after the second event before the process ends without them.
constexpr DWORD LastResortMs = 2000;

std::atomic<int> signalsReceived{0};
std::atomic<InterruptSignals *> receiver{nullptr};

// Runs on a thread of its own that the system starts for each console event.
BOOL WINAPI onConsoleEvent(DWORD)
{
    const int received = signalsReceived.fetch_add(1) + 1;
    InterruptSignals *target = receiver.load();
    if (received == 1 && target)
        QMetaObject::invokeMethod(target, &InterruptSignals::interrupted, Qt::QueuedConnection);
    if (received == 2) {
        if (target)
            QMetaObject::invokeMethod(target, &InterruptSignals::interruptedAgain,
                                      Qt::QueuedConnection);
        // The thread is the system's own: it may wait here while the runs end, and the process
        // normally ends before the wait does.
        Sleep(LastResortMs);
    }
    if (received >= 2) {
        Terminal::handBack();
        ExitProcess(FlashExit::Interrupted);
    }
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
