#include "PtyModem.h"

#include <stdexcept>

#include <poll.h>
#include <pty.h>
#include <unistd.h>

PtyModem::PtyModem()
{
    termios raw{};
    cfmakeraw(&raw);
    char name[256] = {};
    if (openpty(&master, &slave, name, &raw, nullptr) != 0)
        throw std::runtime_error("openpty failed");
    devicePath = QString::fromLocal8Bit(name);
}

PtyModem::~PtyModem()
{
    JoinResponder();
    ::close(master);
    ::close(slave);
}

void PtyModem::Write(const QByteArray &Bytes)
{
    qsizetype done = 0;
    while (done < Bytes.size()) {
        const ssize_t n = ::write(master, Bytes.constData() + done, Bytes.size() - done);
        if (n <= 0)
            throw std::runtime_error("write to the pty master failed");
        done += n;
    }
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
        pollfd ready{master, POLLIN, 0};
        if (::poll(&ready, 1, static_cast<int>(left.count())) <= 0)
            continue;
        char chunk[4096];
        const ssize_t n = ::read(master, chunk, sizeof chunk);
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
