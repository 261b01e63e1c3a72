#pragma once

#include "serial/TComm32.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>

// The AT command channel: owns the serial port, collects every received byte into a text reply
// and a hex dump, and sends commands and waits for one of two answers while the calling thread's
// event loop keeps running. Lives in, and is used from, one thread.
class TmyComm
{
public:
    TmyComm();
    explicit TmyComm(std::unique_ptr<TComm32> port); // for tests: a port over a fake device
    ~TmyComm();
    TmyComm(const TmyComm &) = delete;
    TmyComm &operator=(const TmyComm &) = delete;

    // Text received since the last ClearReply (each chunk up to its first zero byte), or exactly
    // "TIMEOUT" after a wait that timed out.
    QByteArray Reply;
    // Every received byte as two upper-case hex digits and a space.
    QByteArray ReplyHex;
    std::unique_ptr<TComm32> Comm;

    void ReceiveData(const char *Buffer, std::uint16_t BufferLength);
    void ClearReply();
    void SendAndWait(const char *Data, std::int64_t Count, const QByteArray &Expect1,
                     const QByteArray &Expect2, std::uint32_t Interval);
    void SendAndWaitEx(QByteArray Data, std::int64_t Count, const QByteArray &Expect1,
                       const QByteArray &Expect2, std::uint32_t Interval, bool ClearFirst);
    void IgnoreCommError(std::uint32_t ErrorCode);

    // The port profile ("upload.ini"): false when the file does not exist.
    bool LoadPortSettings(const QString &FileName);
    void ApplyPortSetting(const QByteArray &Line);

private:
    class WaitTimer;
    void WaitTimerFired(WaitTimer &Sender);
    // Processes events until the timer stops: by a match that `matched` reports, or by time-out.
    template<typename Matched> void WaitWhileRunning(WaitTimer &Timer, Matched matched);
    void BindPort();
};

// Sends Command followed by CR LF and waits for Expect1 or Expect2: the command convention.
void SendCommand(TmyComm &Channel, const QByteArray &Command, const QByteArray &Expect1,
                 const QByteArray &Expect2, std::uint32_t Interval);
