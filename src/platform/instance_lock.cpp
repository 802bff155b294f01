#include "platform/instance_lock.h"

#include <QDir>
#include <QStandardPaths>

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
    if (m_lock.tryLock(0))
        return Result::Acquired;
    return m_lock.error() == QLockFile::LockFailedError ? Result::HeldElsewhere : Result::Failed;
}

void InstanceLock::Release()
{
    if (m_lock.isLocked())
        m_lock.unlock();
}

QString InstanceLock::DefaultPath()
{
    // The runtime folder is per user and per login; /tmp is shared, so the name carries the
    // user there.
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QString strRuntime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
        if (!strRuntime.isEmpty())
            return QDir(strRuntime).filePath(QStringLiteral("Ostrel.lock"));
    }
    return QDir(QStandardPaths::writableLocation(QStandardPaths::TempLocation))
        .filePath(QStringLiteral("Ostrel-%1.lock").arg(::getuid()));
}

} // namespace ostrel
