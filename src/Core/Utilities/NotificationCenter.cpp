#include "Core/Utilities/NotificationCenter.h"

#include <QThread>

namespace quellpad {

void NotificationCenter::post(const QString& name, const QVariantMap& userInfo) {
    if (QThread::currentThread() == thread()) {
        Q_EMIT notified(name, userInfo);
    } else {
        postAsynchronously(name, userInfo);
    }
}

void NotificationCenter::postAsynchronously(const QString& name, const QVariantMap& userInfo) {
    QMetaObject::invokeMethod(
        this, [this, name, userInfo] { Q_EMIT notified(name, userInfo); }, Qt::QueuedConnection);
}

} // namespace quellpad
