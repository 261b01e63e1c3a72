#include "InterruptSignals.h"

#include "flash/ExitCodes.h"

#include <QSocketNotifier>

#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

std::atomic<int> signalsReceived{0};
std::atomic<int> wakeFd{-1};

void onInterrupt(int)
{
    if (signalsReceived.fetch_add(1) > 0)
        _exit(FlashExit::Interrupted);
    const char byte = 1;
    const ssize_t ignored = write(wakeFd.load(), &byte, 1);
    static_cast<void>(ignored);
}

void setHandler(void (*Handler)(int))
{
    struct sigaction action = {};
    action.sa_handler = Handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

} // namespace

InterruptSignals::InterruptSignals()
{
    if (pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    wakeFd.store(pipeFds[1]);
    notifier = std::make_unique<QSocketNotifier>(pipeFds[0], QSocketNotifier::Read);
    connect(notifier.get(), &QSocketNotifier::activated, this, &InterruptSignals::drain);
    setHandler(onInterrupt);
}

InterruptSignals::~InterruptSignals()
{
    if (pipeFds[0] < 0)
        return;
    setHandler(SIG_DFL);
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
    emit interrupted();
}
