#include "platform/instance_lock.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

using namespace ostrel;
using Result = InstanceLock::Result;

namespace {

// Runs fnChild in a forked process that ends without any clean-up, as a crash would.
template <typename Fn>
pid_t Spawn(Fn fnChild)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        fnChild();
        ::_exit(0);
    }
    return pid;
}

int WaitFor(pid_t pid)
{
    int status = 0;
    ::waitpid(pid, &status, 0);
    return status;
}

} // namespace

TEST(InstanceLock, ASecondStartIsRefusedUntilTheFirstEnds)
{
    QTemporaryDir dir;
    const QString strPath = dir.filePath(QStringLiteral("Ostrel.lock"));
    InstanceLock first(strPath);
    ASSERT_EQ(first.TryAcquire(), Result::Acquired);
    EXPECT_TRUE(first.IsHeld());
    {
        InstanceLock second(strPath);
        EXPECT_EQ(second.TryAcquire(), Result::HeldElsewhere);
        EXPECT_FALSE(second.IsHeld());
    }
    EXPECT_TRUE(first.IsHeld()); // the refused one did not disturb the holder
    first.Release();
    InstanceLock third(strPath);
    EXPECT_EQ(third.TryAcquire(), Result::Acquired);
}

TEST(InstanceLock, AnotherRunningProcessHoldsIt)
{
    QTemporaryDir dir;
    const QString strPath = dir.filePath(QStringLiteral("Ostrel.lock"));
    int toParent[2], toChild[2];
    ASSERT_EQ(::pipe(toParent), 0);
    ASSERT_EQ(::pipe(toChild), 0);
    const pid_t pid = Spawn([&] {
        InstanceLock lock(strPath);
        const char c = lock.TryAcquire() == Result::Acquired ? 'y' : 'n';
        (void)!::write(toParent[1], &c, 1);
        char wait;
        (void)!::read(toChild[0], &wait, 1); // run until the parent says so
        lock.Release();
        ::_exit(0);
    });
    char c = 0;
    ASSERT_EQ(::read(toParent[0], &c, 1), 1);
    ASSERT_EQ(c, 'y');

    InstanceLock mine(strPath);
    EXPECT_EQ(mine.TryAcquire(), Result::HeldElsewhere);

    (void)!::write(toChild[1], "x", 1);
    WaitFor(pid);
    EXPECT_EQ(mine.TryAcquire(), Result::Acquired);
    for (int fd : {toParent[0], toParent[1], toChild[0], toChild[1]})
        ::close(fd);
}

TEST(InstanceLock, ALockLeftByACrashedInstanceIsTakenOver)
{
    QTemporaryDir dir;
    const QString strPath = dir.filePath(QStringLiteral("Ostrel.lock"));
    const pid_t pid = Spawn([&] {
        InstanceLock lock(strPath);
        if (lock.TryAcquire() != Result::Acquired)
            ::_exit(1);
        ::_exit(0); // no release: the lock file stays behind
    });
    ASSERT_EQ(WaitFor(pid), 0);
    ASSERT_TRUE(QFileInfo::exists(strPath));

    InstanceLock next(strPath);
    EXPECT_EQ(next.TryAcquire(), Result::Acquired);
}

TEST(InstanceLock, NoWritableFolderIsAFailureNotAHolder)
{
    InstanceLock lock(QStringLiteral("/nonexistent-ostrel-folder/Ostrel.lock"));
    EXPECT_EQ(lock.TryAcquire(), Result::Failed);
    EXPECT_FALSE(lock.IsHeld());
}

TEST(InstanceLock, DefaultPathIsPerUser)
{
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    EXPECT_EQ(QFileInfo(InstanceLock::DefaultPath()).absolutePath(), QFileInfo(runtime.path()).absoluteFilePath());
    qunsetenv("XDG_RUNTIME_DIR");
    EXPECT_TRUE(InstanceLock::DefaultPath().endsWith(QStringLiteral("Ostrel-%1.lock").arg(::getuid())));
}
