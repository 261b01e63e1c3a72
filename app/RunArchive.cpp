#include "RunArchive.h"

#include "records/RunLogFile.h"
#include "records/RunRecord.h"
#include "records/RunRecordFile.h"

#include <QDir>
#include <QStandardPaths>

namespace {

const QString LogSuffix = QStringLiteral(".log");

} // namespace

QString RunArchive::DefaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/quillon");
}

RunArchive::RunArchive(QString Folder) : folder(std::move(Folder)) {}

QString RunArchive::recordFile() const
{
    return folder + QStringLiteral("/runs.jsonl");
}

QString RunArchive::logFolder() const
{
    return folder + QStringLiteral("/logs");
}

QString RunArchive::LogName(const QDateTime &Start, const QString &Type, const QString &Port)
{
    return RunLogName(Start, {Type, Port});
}

bool RunArchive::keep(RunRecord Record, const QList<LoggedLine> &Log) const
{
    const auto log =
        WriteRunLog(logFolder(), LogName(Record.start, Record.type, Record.port), TimedLines(Log));
    if (log)
        Record.log = *log;
    RunRecordFile records(recordFile());
    const bool recorded = !records.open() && !records.append(Record);
    pruneLogs();
    return recorded && log;
}

void RunArchive::pruneLogs() const
{
    QDir logs(logFolder());
    // The names begin with the start time, so their order is the order of the runs.
    const QStringList names =
        logs.entryList({QStringLiteral("*") + LogSuffix}, QDir::Files, QDir::Name);
    for (qsizetype index = 0; index + KeptLogs < names.size(); ++index)
        logs.remove(names.at(index));
}
