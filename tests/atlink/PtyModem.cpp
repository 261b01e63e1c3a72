#include "PtyModem.h"

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
    return pair.receiveUntil(Until, Limit);
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
