#include "RunArchive.h"

#include "records/RunRecord.h"
#include "records/RunRecordFile.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
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
    QString port = Port;
    port.remove(QRegularExpression(QStringLiteral("^/dev/")));
    static const QRegularExpression unfit(QStringLiteral("[^A-Za-z0-9._-]"));
    port.replace(unfit, QStringLiteral("_"));
    QString type = Type;
    type.replace(unfit, QStringLiteral("_"));
    return QStringLiteral("%1_%2_%3")
               .arg(Start.toUTC().toString(QStringLiteral("yyyyMMdd-HHmmss")), type, port) +
           LogSuffix;
}

bool RunArchive::keep(const RunRecord &Record, const QStringList &Log) const
{
    RunRecordFile records(recordFile());
    const bool recorded = !records.open() && !records.append(Record);
    const bool logged = writeLog(LogName(Record.start, Record.type, Record.port), Log);
    pruneLogs();
    return recorded && logged;
}

bool RunArchive::writeLog(const QString &Name, const QStringList &Log) const
{
    const QDir logs(logFolder());
    if (!logs.mkpath(QStringLiteral(".")))
        return false;
    // Two runs of one type on one port within a second keep a log each.
    QString path = logs.filePath(Name);
    for (int next = 2; QFileInfo::exists(path); ++next)
        path = logs.filePath(Name.chopped(LogSuffix.size()) + QStringLiteral("-%1").arg(next) +
                             LogSuffix);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // One line end throughout: a modem's answer quoted in a line brings its own CR LF or CR.
    QString text = Log.join(u'\n') + u'\n';
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    file.write(text.toUtf8());
    return file.commit();
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
