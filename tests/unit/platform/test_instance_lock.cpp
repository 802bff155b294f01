// One instance per user: a second start is refused while the first runs, in this process or
// another, and a lock left by a crash is taken over; the lock lies where only its user may write.
#include "platform/instance_lock.h"

#include <QDir>
#include <QFileInfo>
#include <QSysInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace ostrel;
using Result = InstanceLock::Result;

namespace {

// Takes the lock in a child process, which holds it until told on its pipe and then ends without
// any clean-up, as a crash would.
struct LockingChild {
    explicit LockingChild(const QString& strPath)
    {
        int toParent[2];
        if (::pipe(toParent) != 0 || ::pipe(m_toChild) != 0)
            return;
        pid = ::fork();
        if (pid == 0) {
            InstanceLock lock(strPath);
            char c = lock.TryAcquire() == Result::Acquired ? 'y' : 'n';
            (void)!::write(toParent[1], &c, 1);
            (void)!::read(m_toChild[0], &c, 1);
            ::_exit(0);
        }
        char c = 0;
        bHolds = ::read(toParent[0], &c, 1) == 1 && c == 'y';
        ::close(toParent[0]);
        ::close(toParent[1]);
    }
    void End()
    {
        (void)!::write(m_toChild[1], "x", 1);
        ::waitpid(pid, nullptr, 0);
        ::close(m_toChild[0]);
        ::close(m_toChild[1]);
    }
    pid_t pid = -1;
    bool bHolds = false;
    int m_toChild[2] = {-1, -1};
};

} // namespace

TEST(InstanceLock, ASecondStartIsRefusedUntilTheFirstEnds)
{
    QTemporaryDir dir;
    const QString strPath = dir.filePath(QStringLiteral("Ostrel.lock"));
    LockingChild child(strPath);
    ASSERT_TRUE(child.bHolds);
    InstanceLock mine(strPath);
    EXPECT_EQ(mine.TryAcquire(), Result::HeldElsewhere) << "another running process holds it";
    child.End(); // no release: the lock file stays behind
    ASSERT_TRUE(QFileInfo::exists(strPath));
    EXPECT_EQ(mine.TryAcquire(), Result::Acquired) << "the lock of a crashed instance is taken over";

    InstanceLock nowhere(QStringLiteral("/nonexistent-ostrel-folder/Ostrel.lock"));
    EXPECT_EQ(nowhere.TryAcquire(), Result::Failed) << "no writable folder is a failure, not a holder";
}

TEST(InstanceLock, LiesInTheRuntimeFolderOrElseInTheUsersOwnCacheFolder)
{
    QTemporaryDir dir;
    const QString strHost = QStringLiteral("/Ostrel-%1.lock").arg(QSysInfo::machineHostName());
    QDir(dir.path()).mkdir(QStringLiteral("run"));
    QFile::setPermissions(dir.filePath(QStringLiteral("run")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("HOME", QFile::encodeName(dir.filePath(QStringLiteral("home"))));
    const struct {
        const char* pszName;
        QString strRuntime;
        QString strCache;
        QString strExpected;
    } rows[] = {
        {"the runtime folder", dir.filePath(QStringLiteral("run")), {},
         dir.filePath(QStringLiteral("run/Ostrel.lock"))},
        {"no runtime folder: the cache folder, made", {}, dir.filePath(QStringLiteral("cache")),
         dir.filePath(QStringLiteral("cache")) + strHost},
        {"a runtime folder anyone may write: ~/.cache, made", QStringLiteral("/tmp"), {},
         dir.filePath(QStringLiteral("home/.cache")) + strHost},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.pszName);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(row.strRuntime));
        qputenv("XDG_CACHE_HOME", QFile::encodeName(row.strCache));
        EXPECT_EQ(row.strExpected.toStdString(), InstanceLock::DefaultPath().toStdString());
        struct stat st {};
        ASSERT_EQ(0, ::stat(QFile::encodeName(QFileInfo(row.strExpected).path()).constData(), &st));
        EXPECT_EQ(0700u, st.st_mode & 0777);
        InstanceLock lock;
        EXPECT_EQ(Result::Acquired, lock.TryAcquire());
    }
}
