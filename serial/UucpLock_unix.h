#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <sys/types.h>

namespace serial {

// The lock file the common serial programs agree on: "LCK..ttyUSB0" in /run/lock (or
// $QUILLON_LOCK_DIR), holding the owner's PID. flock and TIOCEXCL do not keep out a program that
// only looks at this file, nor one that opened the port before us without locking.
class UucpLock
{
public:
    // Takes the lock for the device (the path every link ends at, PortDevice), so that a program
    // that opened the port by another name still finds it; a lock of a process that has ended is
    // removed first.
    // Where no lock can be written (the folder is missing or not ours), the port goes unlocked.
    explicit UucpLock(const QByteArray &DevicePath);
    ~UucpLock(); // removes the lock file it made
    UucpLock(const UucpLock &) = delete;
    UucpLock &operator=(const UucpLock &) = delete;

    // False when another live process holds the port.
    bool taken() const { return !heldByOther; }

private:
    QByteArray file;
    bool made = false;
    bool heldByOther = false;
};

} // namespace serial

namespace serial {

// A lock file of another process that still runs.
struct ForeignLock
{
    QString file;
    pid_t owner = 0;
};

// Who holds the device by its lock file, when it is another live process.
std::optional<ForeignLock> ForeignLockOn(const QByteArray &DevicePath);

} // namespace serial
