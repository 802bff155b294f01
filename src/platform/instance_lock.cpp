#include "platform/instance_lock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

#include <sys/stat.h>
#include <unistd.h>

namespace ostrel {

InstanceLock::InstanceLock(const QString& strPath) : m_strPath(strPath), m_lock(strPath)
{
    // Age alone never makes the lock stale: only a holder that no longer runs does.
    m_lock.setStaleLockTime(0);
}

InstanceLock::Result InstanceLock::TryAcquire()
{
    if (m_lock.isLocked())
        return Result::Acquired;
    if (m_strPath.isEmpty())
        return Result::Failed;
    if (m_lock.tryLock(0))
        return Result::Acquired;
    return m_lock.error() == QLockFile::LockFailedError ? Result::HeldElsewhere : Result::Failed;
}

void InstanceLock::Release()
{
    if (m_lock.isLocked())
        m_lock.unlock();
}

namespace {

// A folder this user owns and no one else may write, so no one else can take or block the lock.
bool IsOwnFolder(const QByteArray& folder)
{
    struct stat st {};
    return folder.startsWith('/') && ::stat(folder.constData(), &st) == 0 && S_ISDIR(st.st_mode)
           && st.st_uid == ::geteuid() && (st.st_mode & 022) == 0;
}

} // namespace

QString InstanceLock::DefaultPath(const QString& strProfile)
{
    const QString strName = strProfile.isEmpty() ? QStringLiteral("Ostrel") : QStringLiteral("Ostrel@") + strProfile;
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (IsOwnFolder(runtime))
        return QFile::decodeName(runtime) + QLatin1Char('/') + strName + QStringLiteral(".lock");
    // A cache folder may be shared by the machines of one home folder: the name carries the host.
    QByteArray cache = qgetenv("XDG_CACHE_HOME");
    if (!cache.startsWith('/'))
        cache = QFile::encodeName(QDir::homePath()) + "/.cache";
    QDir().mkpath(QFileInfo(QFile::decodeName(cache)).absolutePath());
    ::mkdir(cache.constData(), 0700);
    if (!IsOwnFolder(cache))
        return {};
    return QFile::decodeName(cache) + QLatin1Char('/') + strName + QStringLiteral("-%1.lock").arg(QSysInfo::machineHostName());
}

} // namespace ostrel
