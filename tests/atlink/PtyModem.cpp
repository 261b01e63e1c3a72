#include "PtyModem.h"

#include <stdexcept>

#include <poll.h>
#include <termios.h>
#include <unistd.h>

PtyModem::PtyModem()
{
    // Nothing the test writes before the channel opens the device may be echoed back.
    termios raw{};
    tcgetattr(pair.slave, &raw);
    cfmakeraw(&raw);
    tcsetattr(pair.slave, TCSANOW, &raw);
}

PtyModem::~PtyModem()
{
    JoinResponder();
}

void PtyModem::Write(const QByteArray &Bytes)
{
    pair.send(Bytes);
}

QByteArray PtyModem::ReadUntil(const QByteArray &Until, std::chrono::milliseconds Limit)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + Limit;
    QByteArray got;
    while (Until.isEmpty() || !got.contains(Until)) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            break;
        pollfd ready{pair.master, POLLIN, 0};
        if (::poll(&ready, 1, static_cast<int>(left.count())) <= 0)
            continue;
        char chunk[4096];
        const ssize_t n = ::read(pair.master, chunk, sizeof chunk);
        if (n <= 0)
            break;
        got.append(chunk, n);
    }
    return got;
}

void PtyModem::AnswerWhenSeen(const QByteArray &Trigger, const QList<QByteArray> &Replies,
                              std::chrono::milliseconds Gap)
{
    JoinResponder();
    responder = std::thread([this, Trigger, Replies, Gap] {
        responderRead = ReadUntil(Trigger);
        for (const QByteArray &reply : Replies) {
            std::this_thread::sleep_for(Gap);
            Write(reply);
        }
    });
}

QByteArray PtyModem::JoinResponder()
{
    if (responder.joinable())
        responder.join();
    return responderRead;
}
