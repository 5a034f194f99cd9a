// The per-user defaults store: a typed key-value store of property-list values.
//
// Stored types are kept exactly: a string "1" is never read back as a Boolean.
// Allowed value types: bool, qlonglong (any integer is stored as qlonglong), double,
// QString, QStringList, QVariantMap (values of these same types), QByteArray.
// Reads may come from any thread. `changed` is emitted on the thread the store lives
// on (the main thread), after the value is stored, for changes made here and for
// changes another process made to the backing file.
#pragma once

#include <optional>

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

namespace quellpad {

class DefaultsStore : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~DefaultsStore() override = default;

    // The stored object, or an invalid QVariant when the key is absent.
    virtual QVariant object(const QString& key) const = 0;
    // Stores a value; an invalid QVariant removes the key. Values of other types are
    // rejected with a logged error and leave the store unchanged.
    virtual void set(const QString& key, const QVariant& value) = 0;
    void remove(const QString& key) { set(key, QVariant()); }
    virtual QVariantMap dictionaryRepresentation() const = 0;
    // Why the latest set() could not be made persistent (the value then lives in memory
    // only); nullopt after a set() that was stored.
    virtual std::optional<QString> lastWriteError() const { return std::nullopt; }

    // Typed reads: nullopt when the key is absent or holds another type.
    std::optional<bool> boolValue(const QString& key) const;
    std::optional<qint64> integerValue(const QString& key) const;
    std::optional<double> doubleValue(const QString& key) const;
    std::optional<QString> stringValue(const QString& key) const;
    std::optional<QStringList> stringArrayValue(const QString& key) const;
    std::optional<QVariantMap> dictionaryValue(const QString& key) const;
    std::optional<QByteArray> bytesValue(const QString& key) const;

    // Converts a value to its canonical stored form (ints to qlonglong); nullopt when
    // the type cannot be stored.
    static std::optional<QVariant> canonicalValue(const QVariant& value);
    // Equal values of the same type, dictionaries compared entry by entry the same way
    // (QVariant's own == converts between numbers and strings).
    static bool strictlyEqual(const QVariant& a, const QVariant& b);

Q_SIGNALS:
    void changed(const QString& key);
};

} // namespace quellpad
