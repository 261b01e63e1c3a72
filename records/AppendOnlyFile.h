#pragma once

#include "common/Failure.h"

#include <QByteArray>
#include <QString>

#include <optional>
#ifndef Q_OS_WIN
#include <sys/types.h>
#endif

// A file that is only ever added to, by any number of processes at once: every append takes an
// exclusive lock on the whole file, writes its bytes in one call at the file's end and waits until
// they are on the disk before it lets go. An append that fails leaves the file as it was.
class AppendOnlyFile
{
public:
    AppendOnlyFile() = default;
    ~AppendOnlyFile();
    AppendOnlyFile(const AppendOnlyFile &) = delete;
    AppendOnlyFile &operator=(const AppendOnlyFile &) = delete;

    // Opens Path for appending, creating it when missing; a BadFile failure saying why when it
    // cannot be written. Nothing that was in it before is ever truncated.
    std::optional<Failure> open(const QString &Path);
    std::optional<Failure> append(const QByteArray &Bytes);

private:
    void close();

#ifdef Q_OS_WIN
    Failure cutBack(long long Size, const QString &What);
    void *handle = nullptr;
#else
    Failure cutBack(off_t Size, const QString &What);
    int descriptor = -1;
#endif
};
