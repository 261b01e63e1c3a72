#include "ModemIdentity.h"

#include "atlink/TmyComm.h"
#include "procedures/ProcedureHost.h"
#include "procedures/ProcedureSteps.h"

#include <QCoreApplication>
#include <QRegularExpression>

using namespace std::chrono_literals;
using namespace procedures;

namespace {
constexpr auto AnswerTimeout = 2000ms;
}

QString IdentityInAnswer(const QByteArray &Reply)
{
    if (!Reply.contains(Ok) || Reply.contains(Error))
        return {};
    static const QRegularExpression identity(
        QStringLiteral("^(?:\\+CGSN:\\s*)?\"?([0-9A-Za-z]{6,32})\"?$"));
    QString found;
    for (const QByteArray &line : Reply.split('\n')) {
        const QRegularExpressionMatch match = identity.match(QString::fromLatin1(line.trimmed()));
        // The echo of the command and the result code never match; two candidates are one
        // too many to trust.
        if (!match.hasMatch())
            continue;
        if (!found.isEmpty())
            return {};
        found = match.captured(1);
    }
    return found;
}

QString ReadModemIdentity(ProcedureHost &Host)
{
    TmyComm &channel = Host.Channel();
    // A quit request ends the wait at once, as it ends every wait of the run.
    channel.StopRequested = [&Host] { return Host.QuitRequested(); };
    SendQuietly(Host, QByteArrayLiteral("AT+CGSN"), Ok, Error, AnswerTimeout);
    channel.StopRequested = nullptr;
    QString identity = IdentityInAnswer(channel.Reply);
    Host.LogLine(identity.isEmpty()
                     ? QCoreApplication::translate("Runner", "Модем не сообщил IMEI.")
                     : QCoreApplication::translate("Runner", "IMEI модема: %1").arg(identity));
    return identity;
}
