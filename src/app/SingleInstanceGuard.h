// One running Quellpad per user session: a lock file in the user's runtime directory.
// The lock is released when the process exits, even when it is killed, because the
// lock file records the owner's pid and a dead owner's lock is taken over.
#pragma once

#include <memory>

#include <QLockFile>
#include <QString>

namespace quellpad {

class SingleInstanceGuard {
public:
    // $XDG_RUNTIME_DIR/quellpad.lock, else a per-user file in the temporary directory.
    static QString defaultLockPath();

    explicit SingleInstanceGuard(QString lockPath = defaultLockPath());

    // True when this process now holds the lock (or already did).
    bool tryAcquire();
    // The pid of the instance holding the lock, when another one does.
    qint64 otherInstancePid() const;

private:
    QString lockPath_;
    std::unique_ptr<QLockFile> lock_;
    bool held_ = false;
};

} // namespace quellpad
