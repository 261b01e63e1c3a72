#pragma once

#include "common/Failure.h"

#include <QByteArray>
#include <QString>

#include <chrono>
#include <cstdint>
#include <initializer_list>

class ProcedureHost;
class TmyComm;

// The small steps every programming procedure is made of.
namespace procedures {

inline const QByteArray Ok = QByteArrayLiteral("OK");
inline const QByteArray Error = QByteArrayLiteral("ERROR");
inline const QByteArray Timeout = QByteArrayLiteral("TIMEOUT");

// An answer the reply may hold and the log line that says so.
struct Outcome
{
    QByteArray answer;
    QString line;
};

// Logs the line of the first outcome whose answer the reply holds and returns that answer; with
// none of them, logs nothing and returns an empty text.
QByteArray LogFirstOutcome(ProcedureHost &Host, std::initializer_list<Outcome> Outcomes);

// Whether Text occurs in the channel's reply, letter case significant; an empty text never does.
bool ReplyContains(const TmyComm &Channel, const QByteArray &Text);

// A delay or time-out as the channel takes it.
std::uint32_t Milliseconds(std::chrono::milliseconds Interval);

// The fixed delay between two exchanges with the modem.
void PauseFor(std::chrono::milliseconds Delay);

// Sends Command with its line end and waits for Expect1 or Expect2; nothing is logged.
void SendQuietly(ProcedureHost &Host, const QByteArray &Command, const QByteArray &Expect1,
                 const QByteArray &Expect2, std::chrono::milliseconds Interval);

// Waits for Expect1 or Expect2 without sending or clearing anything: the answer to a transfer.
void WaitQuietly(ProcedureHost &Host, const QByteArray &Expect1, const QByteArray &Expect2,
                 std::chrono::milliseconds Interval);

// Logs the command, " >> " and what the modem answered (or "TIMEOUT").
void LogExchange(ProcedureHost &Host, const QByteArray &Command);

// SendQuietly, then LogExchange.
void SendAndLog(ProcedureHost &Host, const QByteArray &Command, const QByteArray &Expect1,
                const QByteArray &Expect2, std::chrono::milliseconds Interval);

// A file name between double quotes, as the modem's commands take it.
QByteArray Quoted(const QString &Name);

// The reply as the log shows it.
QString ReplyText(const TmyComm &Channel);

// A run refused before anything reached the modem, its text Reason + " Запись данных отменена."
Failure Refusal(const QString &Reason);

} // namespace procedures
