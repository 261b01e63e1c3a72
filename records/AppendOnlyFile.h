#pragma once

#include "common/Failure.h"

#include <QByteArray>
#include <QString>

#include <optional>

// A file that is only ever added to, by any number of processes at once: every append takes an
// exclusive lock on the whole file, writes its bytes in one call at the file's end and waits until
// they are on the disk before it lets go.
class AppendOnlyFile
{
public:
    AppendOnlyFile() = default;
    ~AppendOnlyFile();
    AppendOnlyFile(const AppendOnlyFile &) = delete;
    AppendOnlyFile &operator=(const AppendOnlyFile &) = delete;

    // Opens Path for appending, creating it when missing; a BadFile failure saying why when it
    // cannot be written. Nothing in it is ever truncated.
    std::optional<Failure> open(const QString &Path);
    std::optional<Failure> append(const QByteArray &Bytes);

private:
    void close();

#ifdef Q_OS_WIN
    void *handle = nullptr;
#else
    int descriptor = -1;
#endif
};
