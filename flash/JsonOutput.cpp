#include "JsonOutput.h"

#include "engine/StationSession.h"
#include "flash/ExitCodes.h"
#include "serial/SerialPorts.h"

#include <QIODevice>
#include <QJsonArray>
#include <QJsonDocument>

namespace {

QStringList devicesOf(const QStringList &Ports)
{
    QStringList devices;
    for (const QString &port : Ports)
        devices.append(PortDevice(port));
    return devices;
}

QStringList portsOf(const PortBoard &Board)
{
    QStringList ports;
    for (int port = 0; port < Board.size(); ++port)
        ports.append(Board.port(port).port);
    return ports;
}

// As in the run record: a run that programmed its modem has no reason, which is null.
QJsonValue reasonValue(const QString &Reason)
{
    return Reason.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(Reason);
}

QByteArray line(const QJsonObject &Event)
{
    return QJsonDocument(Event).toJson(QJsonDocument::Compact) + '\n';
}

} // namespace

JsonOutput::JsonOutput(const PortBoard &Board, QIODevice &Out)
    : board(Board), ports(portsOf(Board)), devices(devicesOf(ports)), out(Out)
{
    clock.start();
}

void JsonOutput::logLine(int Port, const QString &Text)
{
    emitEvent(QStringLiteral("log"), Port, {{QStringLiteral("text"), Text}});
}

void JsonOutput::progress(int Port, const PortProgress &Progress)
{
    emitEvent(QStringLiteral("progress"), Port,
              {{QStringLiteral("phase"), PhaseName(Progress.phase)},
               {QStringLiteral("done"), Progress.done},
               {QStringLiteral("total"), Progress.total},
               {QStringLiteral("transfer_file"), Progress.transfer.name},
               {QStringLiteral("transfer_bytes"), static_cast<qint64>(Progress.transfer.total)},
               {QStringLiteral("transfer_sent"), static_cast<qint64>(Progress.transfer.sent)},
               {QStringLiteral("transfer_bytes_per_second"),
                static_cast<qint64>(Progress.transfer.bytesPerSecond)}});
}

void JsonOutput::finished(int Port, const PortResult &Result)
{
    emitEvent(QStringLiteral("result"), Port,
              {{QStringLiteral("device"), devices.at(Port)},
               {QStringLiteral("result"), RunResultName(Result.outcome)},
               {QStringLiteral("reason"), reasonValue(Result.reason)},
               {QStringLiteral("reason_code"), RunReasonCode(Result.reasonCode)},
               {QStringLiteral("port_closed"), Result.portClosed}});
}

void JsonOutput::station(int Port, const StationStatus &Status)
{
    QJsonObject fields{{QStringLiteral("device"), Status.device},
                       {QStringLiteral("state"), StationStateName(Status.state)},
                       {QStringLiteral("stage"), PortStageName(board.port(Port).stage)},
                       {QStringLiteral("programmed"), Status.tally.programmed},
                       {QStringLiteral("failed"), Status.tally.failed},
                       {QStringLiteral("imei"), Status.imei}};
    if (Status.ended) {
        fields.insert(QStringLiteral("result"), RunResultName(Status.ended->outcome));
        fields.insert(QStringLiteral("reason"), reasonValue(Status.ended->reason));
    }
    if (!Status.tally.stopReason.isEmpty())
        fields.insert(QStringLiteral("stop_reason"), Status.tally.stopReason);
    emitEvent(QStringLiteral("station"), Port, fields);
}

void JsonOutput::summarizeStation(qint64 ElapsedMs, int ExitCode)
{
    QJsonArray perPort;
    for (int port = 0; port < board.size(); ++port) {
        const StationTally &counts = board.port(port).counts;
        perPort.append(QJsonObject{{QStringLiteral("port"), ports.at(port)},
                                   {QStringLiteral("device"), devices.at(port)},
                                   {QStringLiteral("programmed"), counts.programmed},
                                   {QStringLiteral("failed"), counts.failed},
                                   {QStringLiteral("last_failure"), counts.lastFailure},
                                   {QStringLiteral("stop_reason"), counts.stopReason}});
    }
    const BoardTotals totals = board.totals();
    emitEvent(QStringLiteral("summary"), -1,
              {{QStringLiteral("exit_code"), ExitCode},
               {QStringLiteral("programmed"), totals.programmed},
               {QStringLiteral("failed"), totals.failed},
               {QStringLiteral("seconds"), static_cast<double>(ElapsedMs) / 1000.0},
               {QStringLiteral("modems_per_hour"), ModemsPerHour(totals.programmed, ElapsedMs)},
               {QStringLiteral("ports"), perPort}});
}

void JsonOutput::summarize(int ExitCode)
{
    const BoardTotals totals = board.totals();
    emitEvent(QStringLiteral("summary"), -1,
              {{QStringLiteral("exit_code"), ExitCode},
               {QStringLiteral("programmed"), totals.programmed},
               {QStringLiteral("failed"), totals.failed},
               {QStringLiteral("no_answer"), totals.noAnswer},
               {QStringLiteral("interrupted"), totals.interrupted}});
}

void JsonOutput::emitEvent(const QString &Kind, int Port, QJsonObject Fields)
{
    Fields.insert(QStringLiteral("event"), Kind);
    if (Port >= 0)
        Fields.insert(QStringLiteral("port"), ports.at(Port));
    Fields.insert(QStringLiteral("elapsed_ms"), clock.elapsed());
    out.write(line(Fields));
}

QByteArray JsonRefusal(const QString &Reason)
{
    return line({{QStringLiteral("event"), QStringLiteral("error")},
                 {QStringLiteral("reason"), Reason},
                 {QStringLiteral("exit_code"), FlashExit::BadInvocation}});
}
