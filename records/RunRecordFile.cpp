#include "RunRecordFile.h"

#include <QDir>
#include <QFileInfo>

RunRecordFile::RunRecordFile(QString Path) : filePath(std::move(Path)) {}

bool RunRecordFile::open(QString *Error)
{
    const std::lock_guard guard(lock);
    QDir().mkpath(QFileInfo(filePath).absolutePath());
    return file.open(filePath, Error);
}

bool RunRecordFile::append(const RunRecord &Record, QString *Error)
{
    const std::lock_guard guard(lock);
    return file.append(Record.toJsonLine(), Error);
}
