#include "ShiftRuns.h"

#include "app/RunArchive.h"

#include <QDir>
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
        const auto run = runOf(line);
        if (run && run->start >= since && ports.contains(run->port))
            shift.append(*run);
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

QString RunLogFile(const QString &LogFolder, const ShiftRun &Run)
{
    const QDir logs(LogFolder);
    // A log is named by the second its run began, which the record's start may precede.
    QDateTime second = Run.start.toUTC();
    second.setTime(QTime(second.time().hour(), second.time().minute(), second.time().second()));
    for (; second <= Run.end; second = second.addSecs(1)) {
        QString path = logs.filePath(RunArchive::LogName(second, Run.type, Run.port));
        if (QFile::exists(path))
            return path;
    }
    return {};
}
