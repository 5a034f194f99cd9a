#include "platform/DefaultsStore.h"

namespace quellpad {

namespace {

bool holds(const QVariant& value, QMetaType::Type type) {
    return value.isValid() && value.metaType().id() == type;
}

} // namespace

std::optional<bool> DefaultsStore::boolValue(const QString& key) const {
    const QVariant value = object(key);
    return holds(value, QMetaType::Bool) ? std::optional<bool>(value.toBool()) : std::nullopt;
}

std::optional<qint64> DefaultsStore::integerValue(const QString& key) const {
    const QVariant value = object(key);
    return holds(value, QMetaType::LongLong) ? std::optional<qint64>(value.toLongLong()) : std::nullopt;
}

std::optional<double> DefaultsStore::doubleValue(const QString& key) const {
    const QVariant value = object(key);
    return holds(value, QMetaType::Double) ? std::optional<double>(value.toDouble()) : std::nullopt;
}

std::optional<QString> DefaultsStore::stringValue(const QString& key) const {
    const QVariant value = object(key);
    return holds(value, QMetaType::QString) ? std::optional<QString>(value.toString()) : std::nullopt;
}

std::optional<QStringList> DefaultsStore::stringArrayValue(const QString& key) const {
    const QVariant value = object(key);
    return holds(value, QMetaType::QStringList) ? std::optional<QStringList>(value.toStringList()) : std::nullopt;
}

std::optional<QVariantMap> DefaultsStore::dictionaryValue(const QString& key) const {
    const QVariant value = object(key);
    return holds(value, QMetaType::QVariantMap) ? std::optional<QVariantMap>(value.toMap()) : std::nullopt;
}

std::optional<QByteArray> DefaultsStore::bytesValue(const QString& key) const {
    const QVariant value = object(key);
    return holds(value, QMetaType::QByteArray) ? std::optional<QByteArray>(value.toByteArray()) : std::nullopt;
}

bool DefaultsStore::strictlyEqual(const QVariant& a, const QVariant& b) {
    if (a.isValid() != b.isValid() || a.metaType() != b.metaType()) {
        return false;
    }
    if (a.metaType().id() != QMetaType::QVariantMap) {
        return a == b;
    }
    const QVariantMap left = a.toMap();
    const QVariantMap right = b.toMap();
    if (left.size() != right.size()) {
        return false;
    }
    for (auto it = left.cbegin(); it != left.cend(); ++it) {
        auto other = right.constFind(it.key());
        if (other == right.cend() || !strictlyEqual(it.value(), other.value())) {
            return false;
        }
    }
    return true;
}

std::optional<QVariant> DefaultsStore::canonicalValue(const QVariant& value) {
    switch (value.metaType().id()) {
    case QMetaType::Bool:
    case QMetaType::LongLong:
    case QMetaType::Double:
    case QMetaType::QString:
    case QMetaType::QStringList:
    case QMetaType::QByteArray:
        return value;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::Short:
        return QVariant(value.toLongLong());
    case QMetaType::ULongLong:
    case QMetaType::ULong:
        if (value.toULongLong() > static_cast<qulonglong>(std::numeric_limits<qint64>::max())) {
            return std::nullopt;
        }
        return QVariant(value.toLongLong());
    case QMetaType::Float:
        return QVariant(value.toDouble());
    case QMetaType::QVariantMap: {
        QVariantMap canonical;
        const QVariantMap map = value.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            std::optional<QVariant> inner = canonicalValue(it.value());
            if (!inner) {
                return std::nullopt;
            }
            canonical.insert(it.key(), *inner);
        }
        return QVariant(canonical);
    }
    default:
        return std::nullopt;
    }
}

} // namespace quellpad
