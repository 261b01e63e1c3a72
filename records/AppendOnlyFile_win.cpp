#include "AppendOnlyFile.h"

#include <windows.h>

namespace {

QString systemError(const QString &What)
{
    wchar_t *text = nullptr;
    const DWORD code = GetLastError();
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                       FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, code, 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
    const QString message =
        text ? QString::fromWCharArray(text).trimmed() : QStringLiteral("error %1").arg(code);
    LocalFree(text);
    return What + QStringLiteral(": ") + message;
}

Failure cannotWrite(const QString &Why)
{
    return {Failure::Kind::BadFile, Why};
}

// Holds the exclusive lock on the whole file for as long as it lives.
class FileLock
{
public:
    explicit FileLock(HANDLE File) : file(File)
    {
        locked = LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &region) != 0;
    }
    ~FileLock()
    {
        if (locked)
            UnlockFileEx(file, 0, MAXDWORD, MAXDWORD, &region);
    }
    FileLock(const FileLock &) = delete;
    FileLock &operator=(const FileLock &) = delete;
    bool held() const { return locked; }

private:
    HANDLE file;
    OVERLAPPED region{};
    bool locked = false;
};

} // namespace

AppendOnlyFile::~AppendOnlyFile()
{
    close();
}

std::optional<Failure> AppendOnlyFile::open(const QString &Path)
{
    close();
    // Writes go to the end found under the lock; writing (not only appending) lets a failed
    // append be cut back.
    HANDLE file = CreateFileW(reinterpret_cast<const wchar_t *>(Path.utf16()),
                              FILE_APPEND_DATA | FILE_WRITE_DATA | FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return cannotWrite(systemError(Path));
    }
    handle = file;
    return std::nullopt;
}

std::optional<Failure> AppendOnlyFile::append(const QByteArray &Bytes)
{
    if (!handle) {
        return cannotWrite(QStringLiteral("the file is not open"));
    }
    const FileLock lock(handle);
    if (!lock.held()) {
        return cannotWrite(systemError(QStringLiteral("lock")));
    }
    LARGE_INTEGER before{};
    if (!GetFileSizeEx(handle, &before)) {
        return cannotWrite(systemError(QStringLiteral("size")));
    }
    qsizetype written = 0;
    while (written < Bytes.size()) {
        const ULONGLONG offset =
            static_cast<ULONGLONG>(before.QuadPart) + static_cast<ULONGLONG>(written);
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(offset);
        at.OffsetHigh = static_cast<DWORD>(offset >> 32);
        DWORD count = 0;
        if (!WriteFile(handle, Bytes.constData() + written,
                       static_cast<DWORD>(Bytes.size() - written), &count, &at) ||
            count == 0) {
            return cutBack(before.QuadPart, QStringLiteral("write"));
        }
        written += count;
    }
    if (!FlushFileBuffers(handle)) {
        return cutBack(before.QuadPart, QStringLiteral("flush"));
    }
    return std::nullopt;
}

// A line that is not all there would join the next record into one that no reader can parse, and
// one that may not have reached the disk was reported as lost: either way the file goes back to
// what it was before the append, still under the lock.
Failure AppendOnlyFile::cutBack(long long Size, const QString &What)
{
    Failure failure = cannotWrite(systemError(What));
    LARGE_INTEGER end{};
    end.QuadPart = Size;
    if (SetFilePointerEx(handle, end, nullptr, FILE_BEGIN) && SetEndOfFile(handle))
        FlushFileBuffers(handle);
    return failure;
}

void AppendOnlyFile::close()
{
    if (handle)
        CloseHandle(handle);
    handle = nullptr;
}
