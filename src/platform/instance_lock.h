#pragma once

#include <QLockFile>
#include <QString>

// One program instance per user at a time: a lock file in the user's runtime (or temp)
// folder. The lock names its holder's process, so a lock left behind by a crashed instance is
// recognised and taken over; a running holder's lock never goes stale, however old.

namespace ostrel {

class InstanceLock {
public:
    enum class Result {
        Acquired,     // this instance holds the lock until Release or destruction
        HeldElsewhere,// another running instance holds it
        Failed,       // the lock file cannot be made (no writable folder); nothing is known
    };

    explicit InstanceLock(const QString& strPath = DefaultPath());
    ~InstanceLock() { Release(); }
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    Result TryAcquire();
    void Release();
    bool IsHeld() const { return m_lock.isLocked(); }
    const QString& Path() const { return m_strPath; }

    // "Ostrel.lock" in $XDG_RUNTIME_DIR when that is set, else "Ostrel-<uid>.lock" in the temp
    // folder.
    static QString DefaultPath();

private:
    QString m_strPath;
    QLockFile m_lock;
};

} // namespace ostrel
