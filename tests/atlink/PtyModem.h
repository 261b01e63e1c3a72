#pragma once

#include "tests/common/TestSupport.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <chrono>
#include <thread>

// The far end of a pseudo-terminal pair: the channel opens the device like a serial port while
// the test plays the modem on the other side, directly or from a background responder.
class PtyModem
{
public:
    PtyModem() = default;
    ~PtyModem();
    PtyModem(const PtyModem &) = delete;
    PtyModem &operator=(const PtyModem &) = delete;

    QString DevicePath() const { return pair.slavePath(); }
    void Write(const QByteArray &Bytes);
    // The next Count bytes, fewer when the time is up first.
    QByteArray Read(qsizetype Count, std::chrono::milliseconds Limit = kPatience)
    {
        return pair.receive(Count, Limit);
    }
    // Everything read until Until has arrived (or, with an empty Until, until the time is up).
    QByteArray ReadUntil(const QByteArray &Until, std::chrono::milliseconds Limit = kPatience);
    // In the background: waits for Trigger, then writes the replies one by one, Gap apart.
    void AnswerWhenSeen(const QByteArray &Trigger, const QList<QByteArray> &Replies,
                        std::chrono::milliseconds Gap = std::chrono::milliseconds(30));
    // Waits for the responder to finish and returns what it read.
    QByteArray JoinResponder();

private:
    PtyPair pair; // its slave stays open, so the master never sees a hang-up between tests
    std::thread responder;
    QByteArray responderRead;
};
