#include "InterruptSignals.h"

#include "flash/ExitCodes.h"

#include <QSocketNotifier>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

// How long the runs have after the second signal before the process ends without them.
constexpr unsigned LastResortSeconds = 2;

std::atomic<int> signalsReceived{0};
std::atomic<int> wakeFd{-1};

void endAtOnce(int)
{
    _exit(FlashExit::Interrupted);
}

void onInterrupt(int)
{
    const int received = signalsReceived.fetch_add(1) + 1;
    if (received > 2)
        _exit(FlashExit::Interrupted);
    if (received == 2)
        alarm(LastResortSeconds); // endAtOnce then
    const char byte = 1;
    const ssize_t ignored = write(wakeFd.load(), &byte, 1);
    static_cast<void>(ignored);
}

void setHandler(int Signal, void (*Handler)(int))
{
    struct sigaction action = {};
    action.sa_handler = Handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(Signal, &action, nullptr);
}

void setHandlers(void (*Interrupt)(int), void (*Alarm)(int))
{
    setHandler(SIGINT, Interrupt);
    setHandler(SIGTERM, Interrupt);
    setHandler(SIGALRM, Alarm);
}

} // namespace

InterruptSignals::InterruptSignals()
{
    if (pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    wakeFd.store(pipeFds[1]);
    notifier = std::make_unique<QSocketNotifier>(pipeFds[0], QSocketNotifier::Read);
    connect(notifier.get(), &QSocketNotifier::activated, this, &InterruptSignals::drain);
    setHandlers(onInterrupt, endAtOnce);
}

InterruptSignals::~InterruptSignals()
{
    if (pipeFds[0] < 0)
        return;
    alarm(0);
    setHandlers(SIG_DFL, SIG_DFL);
    wakeFd.store(-1);
    notifier.reset();
    close(pipeFds[0]);
    close(pipeFds[1]);
}

void InterruptSignals::drain()
{
    char bytes[16];
    while (read(pipeFds[0], bytes, sizeof bytes) > 0) {
    }
    const int received = signalsReceived.load();
    while (announced < std::min(received, 2)) {
        if (++announced == 1)
            emit interrupted();
        else
            emit interruptedAgain();
    }
}
