#include "ShiftRuns.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <optional>

namespace {

std::optional<RunResult> resultNamed(const QString &Name)
{
    for (const RunResult result :
         {RunResult::Programmed, RunResult::Failed, RunResult::NoAnswer, RunResult::Interrupted}) {
        if (RunResultName(result) == Name)
            return result;
    }
    return std::nullopt;
}

std::optional<ShiftRun> runOf(const QByteArray &Line)
{
    const QJsonObject record = QJsonDocument::fromJson(Line).object();
    const auto result = resultNamed(record.value(QStringLiteral("result")).toString());
    ShiftRun run;
    run.start =
        QDateTime::fromString(record.value(QStringLiteral("start")).toString(), Qt::ISODateWithMs);
    run.end =
        QDateTime::fromString(record.value(QStringLiteral("end")).toString(), Qt::ISODateWithMs);
    if (!result || !run.start.isValid() || !run.end.isValid())
        return std::nullopt;
    run.result = *result;
    run.type = record.value(QStringLiteral("type")).toString();
    run.port = record.value(QStringLiteral("port")).toString();
    run.imei = record.value(QStringLiteral("imei")).toString();
    run.reason = record.value(QStringLiteral("reason")).toString();
    run.log = record.value(QStringLiteral("log")).toString();
    return run;
}

} // namespace

ShiftRuns::ShiftRuns(QString RecordFile, QDateTime ShiftStart, QStringList Ports)
    : path(std::move(RecordFile)), since(std::move(ShiftStart)), ports(std::move(Ports))
{
}

bool ShiftRuns::refresh()
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(readUpTo))
        return false;
    const qsizetype before = shift.size();
    while (true) {
        const QByteArray line = file.readLine();
        if (!line.endsWith('\n'))
            break;
        readUpTo += line.size();
        auto run = runOf(line);
        const qsizetype port = run ? ports.indexOf(run->port) : -1;
        if (port < 0 || run->start < since)
            continue;
        // A shift is thousands of runs of a few ports and one type: they share those texts.
        run->port = ports.at(port);
        if (!shift.isEmpty() && shift.constLast().type == run->type)
            run->type = shift.constLast().type;
        shift.append(*std::move(run));
    }
    return shift.size() > before;
}

QList<ShiftSlice> SliceShift(const QList<ShiftRun> &Runs, const QDateTime &Start,
                             const QDateTime &End, std::chrono::minutes Slice)
{
    const qint64 sliceMs = std::chrono::milliseconds(Slice).count();
    const qint64 span = std::max<qint64>(0, Start.msecsTo(End));
    QList<ShiftSlice> slices(span / sliceMs + 1);
    for (qsizetype index = 0; index < slices.size(); ++index)
        slices[index].start = Start.addMSecs(index * sliceMs);
    for (const ShiftRun &run : Runs) {
        const qint64 at = Start.msecsTo(run.end);
        if (at < 0 || at / sliceMs >= slices.size())
            continue;
        ShiftSlice &slice = slices[at / sliceMs];
        if (run.result == RunResult::Programmed)
            ++slice.programmed;
        else if (run.result != RunResult::Interrupted)
            ++slice.failed;
    }
    return slices;
}
