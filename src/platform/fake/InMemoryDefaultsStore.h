// A defaults store that lives only in memory, for tests and headless tools.
#pragma once

#include <mutex>

#include "platform/DefaultsStore.h"

namespace quellpad {

class InMemoryDefaultsStore final : public DefaultsStore {
    Q_OBJECT
public:
    explicit InMemoryDefaultsStore(QObject* parent = nullptr);

    QVariant object(const QString& key) const override;
    void set(const QString& key, const QVariant& value) override;
    QVariantMap dictionaryRepresentation() const override;

private:
    mutable std::mutex mutex_;
    QVariantMap values_;
};

} // namespace quellpad
