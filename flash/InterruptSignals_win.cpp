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

[[noreturn]] void endAtOnce()
{
    Terminal::handBack();
    ExitProcess(FlashExit::Interrupted);
}

// Runs on a thread of its own that the system starts for the console event.
BOOL WINAPI onConsoleEvent(DWORD)
{
    const int received = signalsReceived.fetch_add(1) + 1;
    if (received > 2)
        endAtOnce();
    InterruptSignals *target = receiver.load();
    if (target && received == 1)
        QMetaObject::invokeMethod(target, &InterruptSignals::interrupted, Qt::QueuedConnection);
    if (received == 1)
        return TRUE;
    if (target)
        QMetaObject::invokeMethod(target, &InterruptSignals::interruptedAgain,
                                  Qt::QueuedConnection);
    // This thread is the system's own: it may wait here while the runs end, and the process
    // normally ends before the wait does.
    Sleep(LastResortMs);
    endAtOnce();
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
