#include "UucpLock_unix.h"

#include <QFile>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace serial {
namespace {

QByteArray lockFolder()
{
    const QByteArray folder = qgetenv("QUILLON_LOCK_DIR");
    return folder.isEmpty() ? QByteArrayLiteral("/run/lock") : folder;
}

// "/dev/ttyUSB0" -> "LCK..ttyUSB0"; "/dev/pts/3" -> "LCK..pts_3".
QByteArray lockName(QByteArray DevicePath)
{
    if (DevicePath.startsWith("/dev/"))
        DevicePath.remove(0, 5);
    return "LCK.." + DevicePath.replace('/', '_');
}

bool processAlive(pid_t Pid)
{
    return Pid > 0 && (kill(Pid, 0) == 0 || errno == EPERM);
}

pid_t ownerOf(const QByteArray &File)
{
    QFile lock(QString::fromLocal8Bit(File));
    if (!lock.open(QIODevice::ReadOnly))
        return -1;
    bool ok = false;
    const pid_t pid = lock.read(64).trimmed().toInt(&ok);
    return ok ? pid : 0;
}

QByteArray lockFileOf(const QByteArray &DevicePath)
{
    return lockFolder() + '/' + lockName(DevicePath);
}

} // namespace

std::optional<ForeignLock> ForeignLockOn(const QByteArray &DevicePath)
{
    const QByteArray file = lockFileOf(DevicePath);
    const pid_t owner = ownerOf(file);
    if (owner == getpid() || !processAlive(owner))
        return std::nullopt;
    return ForeignLock{QFile::decodeName(file), owner};
}

UucpLock::UucpLock(const QByteArray &DevicePath) : file(lockFileOf(DevicePath))
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int descriptor =
            ::open(file.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (descriptor >= 0) {
            char text[16];
            const int length =
                std::snprintf(text, sizeof text, "%10d\n", static_cast<int>(getpid()));
            made = ::write(descriptor, text, static_cast<std::size_t>(length)) == length;
            ::close(descriptor);
            if (!made)
                ::unlink(file.constData());
            return;
        }
        if (errno != EEXIST)
            return; // no lock folder we may write: nothing to honour or take
        const pid_t owner = ownerOf(file);
        if (owner == getpid() || processAlive(owner)) {
            heldByOther = true;
            return;
        }
        ::unlink(file.constData()); // left behind by a process that has ended
    }
}

UucpLock::~UucpLock()
{
    if (made)
        ::unlink(file.constData());
}

} // namespace serial
