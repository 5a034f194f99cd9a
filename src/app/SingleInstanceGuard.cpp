#include "app/SingleInstanceGuard.h"

#include <unistd.h>

#include <QDir>
#include <QFileInfo>

namespace quellpad {

QString SingleInstanceGuard::defaultLockPath() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir()) {
        return runtime + QStringLiteral("/quellpad.lock");
    }
    return QDir::tempPath() + QStringLiteral("/quellpad-") + QString::number(::getuid()) + QStringLiteral(".lock");
}

SingleInstanceGuard::SingleInstanceGuard(QString lockPath)
    : lockPath_(std::move(lockPath)), lock_(std::make_unique<QLockFile>(lockPath_)) {
    // A live owner never goes stale by age; only a dead owner's lock is taken over.
    lock_->setStaleLockTime(0);
}

bool SingleInstanceGuard::tryAcquire() {
    if (!held_) {
        held_ = lock_->tryLock(0);
    }
    return held_;
}

qint64 SingleInstanceGuard::otherInstancePid() const {
    qint64 pid = 0;
    QString hostname;
    QString application;
    if (!held_ && lock_->getLockInfo(&pid, &hostname, &application)) {
        return pid;
    }
    return 0;
}

} // namespace quellpad
