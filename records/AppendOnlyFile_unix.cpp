#include "AppendOnlyFile.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString systemError(const QString &What)
{
    return What + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
}

Failure cannotWrite(const QString &Why)
{
    return {Failure::Kind::BadFile, Why};
}

// Holds the exclusive lock on the whole file for as long as it lives.
class FileLock
{
public:
    explicit FileLock(int Descriptor) : descriptor(Descriptor)
    {
        do {
            locked = ::flock(descriptor, LOCK_EX) == 0;
        } while (!locked && errno == EINTR);
    }
    ~FileLock()
    {
        if (locked)
            ::flock(descriptor, LOCK_UN);
    }
    FileLock(const FileLock &) = delete;
    FileLock &operator=(const FileLock &) = delete;
    bool held() const { return locked; }

private:
    int descriptor;
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
    descriptor = ::open(QFile::encodeName(Path).constData(),
                        O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY, 0644);
    if (descriptor < 0) {
        return cannotWrite(systemError(Path));
    }
    return std::nullopt;
}

std::optional<Failure> AppendOnlyFile::append(const QByteArray &Bytes)
{
    if (descriptor < 0) {
        return cannotWrite(QStringLiteral("the file is not open"));
    }
    const FileLock lock(descriptor);
    if (!lock.held()) {
        return cannotWrite(systemError(QStringLiteral("lock")));
    }
    struct stat before
    {
    };
    if (::fstat(descriptor, &before) != 0) {
        return cannotWrite(systemError(QStringLiteral("stat")));
    }
    // One write puts the whole line at the end; a disk that takes only part of it is a full one,
    // and the rest goes on behind it under the same lock, so no other writer comes in between.
    qsizetype written = 0;
    while (written < Bytes.size()) {
        const ssize_t count = ::write(descriptor, Bytes.constData() + written,
                                      static_cast<std::size_t>(Bytes.size() - written));
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0) {
            return cutBack(before.st_size, QStringLiteral("write"));
        }
        written += count;
    }
    if (::fsync(descriptor) != 0) {
        return cutBack(before.st_size, QStringLiteral("fsync"));
    }
    return std::nullopt;
}

// A line that is not all there would join the next record into one that no reader can parse, and
// one that may not have reached the disk was reported as lost: either way the file goes back to
// what it was before the append, still under the lock.
Failure AppendOnlyFile::cutBack(off_t Size, const QString &What)
{
    Failure failure = cannotWrite(systemError(What));
    if (::ftruncate(descriptor, Size) == 0)
        ::fsync(descriptor);
    return failure;
}

void AppendOnlyFile::close()
{
    if (descriptor >= 0)
        ::close(descriptor);
    descriptor = -1;
}
