// Who holds a port by the lock file the common serial programs share.
#include "serial/UucpLock_unix.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QByteArray LockedDevice = QByteArrayLiteral("/dev/ttyUSB7");

void writeLockFile(const QString &Folder, pid_t Owner)
{
    QFile file(QDir(Folder).filePath(QStringLiteral("LCK..ttyUSB7")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(QByteArray::number(Owner).rightJustified(10) + '\n');
}

// What a check made in a process of the user `nobody` found; its exit status.
enum NobodySaw
{
    HeldByOwner = 0,
    TakenOver = 1,
    OwnerNotNamed = 2,
    NotNobody = 3
};

} // namespace

// A lock of this very process is none of another program; one of a live program is named.
TEST(LockFile, OwnLockIsNoForeignOne)
{
    const QString folder = qEnvironmentVariable("QUILLON_LOCK_DIR");
    ASSERT_FALSE(folder.isEmpty());
    writeLockFile(folder, getpid());
    EXPECT_FALSE(serial::ForeignLockOn(LockedDevice));
    writeLockFile(folder, getppid());
    const auto foreign = serial::ForeignLockOn(LockedDevice);
    ASSERT_TRUE(foreign);
    EXPECT_EQ(foreign->owner, getppid());
    QFile::remove(QDir(folder).filePath(QStringLiteral("LCK..ttyUSB7")));
}

// A live program of another user cannot be signalled (EPERM) and is still alive: its lock holds
// and is named. The test process (root) holds the lock, a child that becomes `nobody` checks it.
TEST(LockFile, LiveLockOfAnotherUserHolds)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "only root can run a check as another user";
    const passwd *nobody = getpwnam("nobody");
    if (!nobody)
        GTEST_SKIP() << "no user nobody on this machine";
    QTemporaryDir locks;
    ASSERT_TRUE(locks.isValid());
    ASSERT_TRUE(QFile::setPermissions(locks.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                        QFile::ExeOwner | QFile::ReadOther |
                                                        QFile::ExeOther));
    writeLockFile(locks.path(), getpid());
    const QByteArray folder = QFile::encodeName(locks.path());
    const uid_t user = nobody->pw_uid;
    const gid_t group = nobody->pw_gid;

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The folder is reached from inside: the folders above it are not open to nobody.
        if (chdir(folder.constData()) != 0 || setgroups(0, nullptr) != 0 || setgid(group) != 0 ||
            setuid(user) != 0)
            _exit(NotNobody);
        setenv("QUILLON_LOCK_DIR", ".", 1);
        if (serial::UucpLock(LockedDevice).taken())
            _exit(TakenOver);
        const auto foreign = serial::ForeignLockOn(LockedDevice);
        _exit(foreign && foreign->owner == getppid() ? HeldByOwner : OwnerNotNamed);
    }
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_NE(WEXITSTATUS(status), NotNobody);
    EXPECT_EQ(WEXITSTATUS(status), HeldByOwner)
        << (WEXITSTATUS(status) == TakenOver ? "the live lock was taken for a stale one"
                                             : "the lock's owner was not named");
    QFile lock(QDir(locks.path()).filePath(QStringLiteral("LCK..ttyUSB7")));
    ASSERT_TRUE(lock.open(QIODevice::ReadOnly));
    EXPECT_EQ(lock.readAll().trimmed().toInt(), getpid());
}
