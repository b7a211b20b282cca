#include "platform/instancelock.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using zv::InstanceLock;
using Result = InstanceLock::Result;

// One instance takes the lock, a second one is refused.
int lockTwice(const QString& folder) {
    InstanceLock first;
    InstanceLock second;
    const Result a = first.acquire(folder);
    const Result b = second.acquire(folder);
    return a == Result::Acquired && b == Result::HeldElsewhere ? 0 : 10 + 3 * int(a) + int(b);
}

// A start under another user (sudo, to reach the serial port) leaves a lock
// file this user may not write. The lock is taken all the same, so a second
// instance is still refused.
TEST(InstanceLockTest, ALockFileThisUserMayNotWriteStillLocks) {
    QTemporaryDir dir;
    const QString lockPath = dir.filePath(QStringLiteral("zarvium.lock"));
    {
        QFile f(lockPath);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    if (::geteuid() != 0) {
        ASSERT_TRUE(QFile::setPermissions(lockPath, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        EXPECT_EQ(lockTwice(dir.path()), 0);
        return;
    }
    // As root every file is writable: the other user is played by a child
    // process that gives up root for nobody, facing root's lock file.
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(lockPath).constData(), 0644), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(2);
        if (::access(QFile::encodeName(lockPath).constData(), W_OK) == 0)
            ::_exit(3);  // the file would not stand for another user's
        ::_exit(lockTwice(dir.path()));
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(InstanceLockTest, ALockFileThatCannotBeOpenedIsUnavailable) {
    QTemporaryDir dir;
    // A lock path pointing into a folder that does not exist can be neither made nor opened.
    ASSERT_TRUE(QFile::link(dir.filePath(QStringLiteral("missing/zarvium.lock")),
                            dir.filePath(QStringLiteral("zarvium.lock"))));
    InstanceLock lock;
    EXPECT_EQ(lock.acquire(dir.path()), Result::Unavailable);
    EXPECT_FALSE(lock.held());
}

}  // namespace
