#include "JsonOutput.h"

#include "engine/StationSession.h"
#include "flash/ExitCodes.h"
#include "serial/SerialPorts.h"

#include <QIODevice>
#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>

namespace {

QStringList devicesOf(const QStringList &Ports)
{
    QStringList devices;
    for (const QString &port : Ports)
        devices.append(PortDevice(port));
    return devices;
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

JsonOutput::JsonOutput(const QStringList &Ports, QIODevice &Out)
    : ports(Ports), devices(devicesOf(Ports)), out(Out)
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
               {QStringLiteral("result"), OutcomeName(Result.outcome)},
               {QStringLiteral("reason"), reasonValue(Result.reason)},
               {QStringLiteral("port_closed"), Result.portClosed}});
}

void JsonOutput::station(int Port, const StationStatus &Status)
{
    QJsonObject fields{{QStringLiteral("device"), devices.at(Port)},
                       {QStringLiteral("state"), StationStateName(Status.state)},
                       {QStringLiteral("programmed"), Status.tally.programmed},
                       {QStringLiteral("failed"), Status.tally.failed},
                       {QStringLiteral("imei"), Status.imei}};
    if (Status.ended) {
        fields.insert(QStringLiteral("result"), OutcomeName(Status.ended->outcome));
        fields.insert(QStringLiteral("reason"), reasonValue(Status.ended->reason));
    }
    emitEvent(QStringLiteral("station"), Port, fields);
}

void JsonOutput::summarizeStation(const StationSummary &Summary)
{
    QJsonArray perPort;
    int programmed = 0;
    int failed = 0;
    for (qsizetype index = 0; index < Summary.ports.size(); ++index) {
        const StationTally &tally = Summary.ports.at(index);
        programmed += tally.programmed;
        failed += tally.failed;
        perPort.append(QJsonObject{{QStringLiteral("port"), ports.at(index)},
                                   {QStringLiteral("device"), devices.at(index)},
                                   {QStringLiteral("programmed"), tally.programmed},
                                   {QStringLiteral("failed"), tally.failed},
                                   {QStringLiteral("last_failure"), tally.lastFailure}});
    }
    emitEvent(QStringLiteral("summary"), -1,
              {{QStringLiteral("exit_code"), Summary.exitCode},
               {QStringLiteral("programmed"), programmed},
               {QStringLiteral("failed"), failed},
               {QStringLiteral("seconds"), static_cast<double>(Summary.elapsedMs) / 1000.0},
               {QStringLiteral("modems_per_hour"), ModemsPerHour(programmed, Summary.elapsedMs)},
               {QStringLiteral("ports"), perPort}});
}

void JsonOutput::summarize(const QList<PortResult> &Results, int ExitCode)
{
    QJsonObject counts{{QStringLiteral("exit_code"), ExitCode}};
    for (PortOutcome outcome : {PortOutcome::Programmed, PortOutcome::Failed, PortOutcome::NoAnswer,
                                PortOutcome::Interrupted}) {
        const auto count =
            std::count_if(Results.begin(), Results.end(),
                          [outcome](const PortResult &r) { return r.outcome == outcome; });
        counts.insert(OutcomeName(outcome).replace(u'-', u'_'), static_cast<qint64>(count));
    }
    emitEvent(QStringLiteral("summary"), -1, counts);
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
