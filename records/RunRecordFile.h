#pragma once

#include "records/AppendOnlyFile.h"
#include "records/RunRecord.h"

#include <QString>

#include <mutex>
#include <optional>

// The file that keeps one record per run, shared by every port of a runner and by other programs
// writing to it at the same time. Each record is one whole line, on the disk before append
// returns, so a run that follows never starts before the one before it is accounted for.
class RunRecordFile
{
public:
    explicit RunRecordFile(QString Path);

    // Opens the file for appending (creating it and its folder); a BadFile failure saying why when
    // it cannot be written.
    std::optional<Failure> open();
    // Safe from any thread.
    std::optional<Failure> append(const RunRecord &Record);
    const QString &path() const { return filePath; }

private:
    const QString filePath;
    std::mutex lock; // the file lock keeps other processes out, this one the other ports
    AppendOnlyFile file;
};
