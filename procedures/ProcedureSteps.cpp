#include "ProcedureSteps.h"

#include "atlink/FileTransfer.h"
#include "atlink/Timing.h"
#include "atlink/TmyComm.h"
#include "atlink/WireText.h"
#include "procedures/ProcedureHost.h"

#include <QCoreApplication>

namespace procedures {

std::uint32_t Milliseconds(std::chrono::milliseconds Interval)
{
    return static_cast<std::uint32_t>(Interval.count());
}

bool ReplyContains(const TmyComm &Channel, const QByteArray &Text)
{
    return !Text.isEmpty() && Channel.Reply.contains(Text);
}

QByteArray LogFirstOutcome(ProcedureHost &Host, std::initializer_list<Outcome> Outcomes)
{
    for (const Outcome &outcome : Outcomes) {
        if (ReplyContains(Host.Channel(), outcome.answer)) {
            Host.LogLine(outcome.line);
            return outcome.answer;
        }
    }
    return {};
}

void PauseFor(std::chrono::milliseconds Delay)
{
    Pause(Milliseconds(Delay));
}

void SendQuietly(ProcedureHost &Host, const QByteArray &Command, const QByteArray &Expect1,
                 const QByteArray &Expect2, std::chrono::milliseconds Interval)
{
    SendCommand(Host.Channel(), Command, Expect1, Expect2, Milliseconds(Interval));
}

void WaitQuietly(ProcedureHost &Host, const QByteArray &Expect1, const QByteArray &Expect2,
                 std::chrono::milliseconds Interval)
{
    Host.Channel().SendAndWait("", 0, Expect1, Expect2, Milliseconds(Interval));
}

void LogExchange(ProcedureHost &Host, const QByteArray &Command)
{
    Host.LogLine(fromWire(Command) + QStringLiteral(" >> ") + ReplyText(Host.Channel()));
}

void SendAndLog(ProcedureHost &Host, const QByteArray &Command, const QByteArray &Expect1,
                const QByteArray &Expect2, std::chrono::milliseconds Interval)
{
    SendQuietly(Host, Command, Expect1, Expect2, Interval);
    LogExchange(Host, Command);
}

QByteArray Quoted(const QString &Name)
{
    return '"' + toWire(Name) + '"';
}

QString ReplyText(const TmyComm &Channel)
{
    return fromWire(Channel.Reply);
}

Failure Refusal(const QString &Reason)
{
    return {Failure::Kind::Refused,
            QCoreApplication::translate("DataFiles", "%1 Запись данных отменена.").arg(Reason)};
}

} // namespace procedures
