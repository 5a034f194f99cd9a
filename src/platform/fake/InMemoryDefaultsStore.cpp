#include "platform/fake/InMemoryDefaultsStore.h"

#include <QMetaObject>
#include <QThread>

#include "Core/Utilities/Logger.h"

namespace quellpad {

InMemoryDefaultsStore::InMemoryDefaultsStore(QObject* parent) : DefaultsStore(parent) {}

QVariant InMemoryDefaultsStore::object(const QString& key) const {
    std::lock_guard lock(mutex_);
    return values_.value(key);
}

void InMemoryDefaultsStore::set(const QString& key, const QVariant& value) {
    {
        std::lock_guard lock(mutex_);
        if (!value.isValid()) {
            if (values_.remove(key) == 0) {
                return;
            }
        } else {
            std::optional<QVariant> canonical = canonicalValue(value);
            if (!canonical) {
                Logger::error(QStringLiteral("Refused to store a value of unsupported type ") +
                                  QString::fromLatin1(value.typeName()) + QStringLiteral(" for key ") + key,
                              QStringLiteral("Defaults"));
                return;
            }
            auto existing = values_.constFind(key);
            if (existing != values_.cend() && strictlyEqual(existing.value(), *canonical)) {
                return;
            }
            values_.insert(key, *canonical);
        }
    }
    if (QThread::currentThread() == thread()) {
        Q_EMIT changed(key);
    } else {
        QMetaObject::invokeMethod(this, [this, key] { Q_EMIT changed(key); }, Qt::QueuedConnection);
    }
}

QVariantMap InMemoryDefaultsStore::dictionaryRepresentation() const {
    std::lock_guard lock(mutex_);
    return values_;
}

} // namespace quellpad
