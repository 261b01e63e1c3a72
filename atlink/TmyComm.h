#pragma once

#include "atlink/WriteRate.h"
#include "common/Failure.h"
#include "serial/TComm32.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

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

    // Text received since the last ClearReply, zero bytes left out, or exactly "TIMEOUT" after a
    // wait that timed out.
    QByteArray Reply;
    // Every received byte as two upper-case hex digits and a space.
    QByteArray ReplyHex;
    std::unique_ptr<TComm32> Comm;
    // The rate the run switches the modem and the port to before writing: the profile's
    // "writerate", 9600 when it has none; the port dialog and the runner's option change it.
    std::uint32_t WriteRate = DefaultWriteRate;

    void ReceiveData(const char *Buffer, std::uint16_t BufferLength);
    void ClearReply();
    void SendAndWait(const char *Data, std::int64_t Count, const QByteArray &Expect1,
                     const QByteArray &Expect2, std::uint32_t Interval);
    void SendAndWaitEx(const QByteArray &Data, std::int64_t Count, const QByteArray &Expect1,
                       const QByteArray &Expect2, std::uint32_t Interval, bool ClearFirst);

    // The run is being given up: while this answers true, the wait that is running ends at once
    // as a failed one (Reply is "TIMEOUT") and nothing more is sent, except inside a
    // ClosingCommands scope. Asked in every pass of a wait, so an owner that sets it from another
    // thread must wake this thread's event loop afterwards.
    std::function<bool()> StopRequested;
    // The run is given up at once: as a stop, and the closing commands are held back too.
    std::function<bool()> AbandonRequested;
    // Commands and files may go out: the device has not gone (a hang-up of the port since it was
    // opened), the run is not abandoned, and no stop is requested outside a ClosingCommands scope.
    // The stop request is asked inside the scope too, so that its owner hears of it at once.
    bool SendingAllowed() const;

    // While one lives, a stop request no longer holds commands back: the closing commands that a
    // procedure sends after every run, a failed one included. A device that has gone still does.
    class ClosingCommands
    {
    public:
        explicit ClosingCommands(TmyComm &Channel) : channel(Channel) { ++channel.closingScopes; }
        ~ClosingCommands() { --channel.closingScopes; }
        ClosingCommands(const ClosingCommands &) = delete;
        ClosingCommands &operator=(const ClosingCommands &) = delete;

    private:
        TmyComm &channel;
    };

    // The port profile ("upload.ini"): no value when it was read and applied; MissingFile when
    // there is no such file (nothing changed); BadFile, with the line for the user, when it
    // cannot be read or names a write rate that is none (the lines before stay applied). The
    // write rate starts from 9600 for every profile, so that one type's rate never carries over
    // to the next.
    std::optional<Failure> LoadPortSettings(const QString &FileName);
    // One line of the profile; BadFile for a write rate that is none.
    std::optional<Failure> ApplyPortSetting(const QByteArray &Line);

private:
    class WaitTimer;
    void WaitTimerFired(WaitTimer &Sender);
    // Processes events until the timer stops: by a match that `matched` reports, or by time-out.
    template<typename Matched> void WaitWhileRunning(WaitTimer &Timer, Matched matched);
    void BindPort();
    // Processes events until every byte received so far has reached the reply, within a bound.
    void TakeEverythingReceived();
    // A wait that may not start: the reply says it failed, and nothing was sent.
    bool RefuseWait();

    int closingScopes = 0;
};

// Sends Command followed by CR LF and waits for Expect1 or Expect2: the command convention.
void SendCommand(TmyComm &Channel, const QByteArray &Command, const QByteArray &Expect1,
                 const QByteArray &Expect2, std::uint32_t Interval);
