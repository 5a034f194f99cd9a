// In-process notifications between subsystems ("Quellpad.ClipboardHistoryDidChange",
// "Quellpad.AppLanguageDidChange"). One instance is owned by the composition root and
// handed to whoever posts or observes; tests make their own.
#pragma once

#include <QObject>
#include <QString>
#include <QVariantMap>

namespace quellpad {

class NotificationCenter : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Delivers the notification to observers now, on the calling thread, when that is
    // the center's thread; otherwise queues it to the center's thread.
    void post(const QString& name, const QVariantMap& userInfo = {});

    // Queues the notification to the center's thread even when called there, so that
    // observers run after the poster's current work finishes.
    void postAsynchronously(const QString& name, const QVariantMap& userInfo = {});

Q_SIGNALS:
    void notified(const QString& name, const QVariantMap& userInfo);
};

} // namespace quellpad
