#include "RunRecordFile.h"

#include <QDir>
#include <QFileInfo>

RunRecordFile::RunRecordFile(QString Path) : filePath(std::move(Path)) {}

std::optional<Failure> RunRecordFile::open()
{
    const std::lock_guard guard(lock);
    QDir().mkpath(QFileInfo(filePath).absolutePath());
    return file.open(filePath);
}

std::optional<Failure> RunRecordFile::append(const RunRecord &Record)
{
    const std::lock_guard guard(lock);
    return file.append(Record.toJsonLine());
}
