#pragma once

#include <QLockFile>
#include <QString>

// One program instance per user at a time: a lock file in a folder that only the user may
// write (see DefaultPath). The lock names its holder's process, so a lock left behind by a crashed instance is
// recognised and taken over; a running holder's lock never goes stale, however old.

namespace ostrel {

class InstanceLock {
public:
    enum class Result {
        Acquired,     // this instance holds the lock until Release or destruction
        HeldElsewhere,// another running instance holds it
        Failed,       // the lock file cannot be made (no private folder); nothing is known
    };

    explicit InstanceLock(const QString& strPath = DefaultPath(QString()));
    ~InstanceLock() { Release(); }
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    Result TryAcquire();
    void Release();
    bool IsHeld() const { return m_lock.isLocked(); }
    const QString& Path() const { return m_strPath; }

    // "Ostrel.lock" in $XDG_RUNTIME_DIR when that is a folder of this user's that no one else
    // may write; else "Ostrel-<host>.lock" in the user's cache folder ($XDG_CACHE_HOME, or
    // ~/.cache, made 0700 when missing) under the same condition; else empty, and the lock
    // fails. Never a shared folder such as /tmp, where another user could hold the name. A
    // profile's lock is "Ostrel@<profile>.lock" ("Ostrel@<profile>-<host>.lock"): one instance
    // per profile ('@' is in no profile name, so no two names meet).
    static QString DefaultPath(const QString& strProfile = {});

private:
    QString m_strPath;
    QLockFile m_lock;
};

} // namespace ostrel
