#include "AppendOnlyFile.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

QString systemError(const QString &What)
{
    return What + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
}

void setError(QString *Error, const QString &Text)
{
    if (Error)
        *Error = Text;
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

bool AppendOnlyFile::open(const QString &Path, QString *Error)
{
    close();
    descriptor = ::open(QFile::encodeName(Path).constData(),
                        O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY, 0644);
    if (descriptor < 0) {
        setError(Error, systemError(Path));
        return false;
    }
    return true;
}

bool AppendOnlyFile::append(const QByteArray &Bytes, QString *Error)
{
    if (descriptor < 0) {
        setError(Error, QStringLiteral("the file is not open"));
        return false;
    }
    const FileLock lock(descriptor);
    if (!lock.held()) {
        setError(Error, systemError(QStringLiteral("lock")));
        return false;
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
            setError(Error, systemError(QStringLiteral("write")));
            return false;
        }
        written += count;
    }
    if (::fsync(descriptor) != 0) {
        setError(Error, systemError(QStringLiteral("fsync")));
        return false;
    }
    return true;
}

void AppendOnlyFile::close()
{
    if (descriptor >= 0)
        ::close(descriptor);
    descriptor = -1;
}
