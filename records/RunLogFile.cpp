#include "RunLogFile.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

namespace {

const QString LogSuffix = QStringLiteral(".log");

QString namePart(QString Part)
{
    static const QRegularExpression deviceFolder(QStringLiteral("^/dev/"));
    static const QRegularExpression unfit(QStringLiteral("[^A-Za-z0-9._-]"));
    return Part.remove(deviceFolder).replace(unfit, QStringLiteral("_"));
}

} // namespace

QString RunLogName(const QDateTime &Start, const QStringList &Parts)
{
    QStringList pieces{Start.toUTC().toString(QStringLiteral("yyyyMMdd-HHmmss"))};
    for (const QString &part : Parts)
        if (!part.isEmpty())
            pieces.append(namePart(part));
    return pieces.join(u'_') + LogSuffix;
}

QStringList TimedLines(const QList<LoggedLine> &Log)
{
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    QStringList lines;
    for (const LoggedLine &line : Log) {
        const QString time = line.time.toUTC().toString(Qt::ISODateWithMs) + u' ';
        for (const QString &part : line.text.split(lineBreak))
            lines.append(time + part);
    }
    return lines;
}

Result<QString> WriteRunLog(const QString &Folder, const QString &Name, const QStringList &Lines)
{
    const QDir logs(Folder);
    if (!logs.mkpath(QStringLiteral(".")))
        return Failure{Failure::Kind::BadFile,
                       QStringLiteral("%1: the folder cannot be made").arg(Folder)};
    QString path = logs.absoluteFilePath(Name);
    for (int next = 2; QFileInfo::exists(path); ++next)
        path = logs.absoluteFilePath(Name.chopped(LogSuffix.size()) +
                                     QStringLiteral("-%1").arg(next) + LogSuffix);
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        // One line end throughout: a modem's answer quoted in a line brings its own CR LF or CR.
        QString text = Lines.join(u'\n') + u'\n';
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
        file.write(text.toUtf8());
        if (file.commit())
            return path;
    }
    return Failure{Failure::Kind::BadFile, QStringLiteral("%1: %2").arg(path, file.errorString())};
}
