#include "RunRecord.h"

#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSysInfo>

#include <numeric>

namespace {

QString utcText(const QDateTime &Time)
{
    return Time.toUTC().toString(Qt::ISODateWithMs);
}

QJsonValue textOrNull(const QString &Text)
{
    return Text.isEmpty() ? QJsonValue() : QJsonValue(Text);
}

QJsonObject fileObject(const RecordedFile &File)
{
    return {{QStringLiteral("name"), File.name},
            {QStringLiteral("bytes"), static_cast<qint64>(File.bytes)},
            {QStringLiteral("sha256"), textOrNull(File.sha256)},
            {QStringLiteral("crc"),
             File.crc ? QJsonValue(QString::number(*File.crc, 16).toUpper().rightJustified(4, u'0'))
                      : QJsonValue()},
            {QStringLiteral("attempts"), File.attempts},
            {QStringLiteral("taken"), File.taken}};
}

} // namespace

QString RunResultName(RunResult Result)
{
    switch (Result) {
    case RunResult::Programmed:
        return QStringLiteral("programmed");
    case RunResult::NoAnswer:
        return QStringLiteral("no-answer");
    case RunResult::Interrupted:
        return QStringLiteral("interrupted");
    case RunResult::Failed:
        break;
    }
    return QStringLiteral("failed");
}

QString RunReasonCode(RunReason Reason)
{
    switch (Reason) {
    case RunReason::None:
        break;
    case RunReason::Interrupted:
        return QStringLiteral("interrupted");
    case RunReason::DeviceLost:
        return QStringLiteral("device-lost");
    case RunReason::DataRefused:
        return QStringLiteral("data-refused");
    case RunReason::WriteFailed:
        return QStringLiteral("write-failed");
    case RunReason::NoAnswer:
        return QStringLiteral("no-answer");
    case RunReason::PortNotOpened:
        return QStringLiteral("port-not-opened");
    case RunReason::RecordNotSaved:
        return QStringLiteral("record-not-saved");
    }
    return {};
}

int RunRecord::attempts() const
{
    return std::accumulate(files.begin(), files.end(), 0,
                           [](int Sum, const RecordedFile &File) { return Sum + File.attempts; });
}

QByteArray RunRecord::toJsonLine() const
{
    QJsonArray fileList;
    for (const RecordedFile &file : files)
        fileList.append(fileObject(file));
    const QJsonObject object{
        {QStringLiteral("schema"), SchemaVersion},
        {QStringLiteral("start"), utcText(start)},
        {QStringLiteral("end"), utcText(end)},
        {QStringLiteral("seconds"), static_cast<double>(start.msecsTo(end)) / 1000.0},
        {QStringLiteral("host"), host},
        {QStringLiteral("version"), version},
        {QStringLiteral("type"), type},
        {QStringLiteral("family"), textOrNull(family)},
        {QStringLiteral("port"), port},
        {QStringLiteral("device"), device},
        {QStringLiteral("imei"), textOrNull(imei)},
        {QStringLiteral("files"), fileList},
        {QStringLiteral("attempts"), attempts()},
        {QStringLiteral("line_rate"), static_cast<qint64>(lineRate)},
        {QStringLiteral("result"), RunResultName(result)},
        {QStringLiteral("reason"), textOrNull(reason)},
        {QStringLiteral("reason_code"), textOrNull(RunReasonCode(reasonCode))},
        {QStringLiteral("log"), textOrNull(log)},
    };
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

QString QuillonVersion()
{
    return QStringLiteral(QUILLON_VERSION);
}

RunRecord StartRunRecord()
{
    RunRecord record;
    record.start = QDateTime::currentDateTimeUtc();
    record.end = record.start;
    record.host = QSysInfo::machineHostName();
    record.version = QuillonVersion();
    return record;
}

RecordedFile DescribeSentFile(const QString &Path, const QString &Name, std::int64_t Bytes)
{
    RecordedFile file;
    file.name = Name;
    file.bytes = Bytes;
    QFile content(Path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (content.open(QIODevice::ReadOnly) && hash.addData(&content))
        file.sha256 = QString::fromLatin1(hash.result().toHex());
    return file;
}
