#include "platform/linux/JsonFileDefaultsStore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <QThread>

#include <nlohmann/json.hpp>

#include "Core/Utilities/Logger.h"

namespace quellpad {

namespace {

using nlohmann::json;

const QString category = QStringLiteral("Defaults");

std::string utf8(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

QString fromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

json encodeValue(const QVariant& value);

json encodeMap(const QVariantMap& map) {
    json object = json::object();
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        object[utf8(it.key())] = encodeValue(it.value());
    }
    return object;
}

json encodeValue(const QVariant& value) {
    switch (value.metaType().id()) {
    case QMetaType::Bool: return {{"type", "bool"}, {"value", value.toBool()}};
    case QMetaType::LongLong: return {{"type", "integer"}, {"value", value.toLongLong()}};
    case QMetaType::Double: return {{"type", "double"}, {"value", value.toDouble()}};
    case QMetaType::QString: return {{"type", "string"}, {"value", utf8(value.toString())}};
    case QMetaType::QStringList: {
        json array = json::array();
        for (const QString& item : value.toStringList()) {
            array.push_back(utf8(item));
        }
        return {{"type", "stringArray"}, {"value", array}};
    }
    case QMetaType::QVariantMap: return {{"type", "dictionary"}, {"value", encodeMap(value.toMap())}};
    case QMetaType::QByteArray:
        return {{"type", "bytes"}, {"value", value.toByteArray().toBase64().toStdString()}};
    default: return nullptr;
    }
}

// Throws std::runtime_error with a description on malformed input.
QVariant decodeValue(const json& node, int depth);

QVariantMap decodeMap(const json& object, int depth) {
    if (!object.is_object()) {
        throw std::runtime_error("expected an object of values");
    }
    QVariantMap map;
    for (auto it = object.begin(); it != object.end(); ++it) {
        map.insert(fromUtf8(it.key()), decodeValue(it.value(), depth + 1));
    }
    return map;
}

QVariant decodeValue(const json& node, int depth) {
    if (depth > 64) {
        throw std::runtime_error("values nested too deeply");
    }
    if (!node.is_object() || !node.contains("type") || !node.contains("value") || !node["type"].is_string()) {
        throw std::runtime_error("a value lacks its type");
    }
    const std::string type = node["type"].get<std::string>();
    const json& value = node["value"];
    if (type == "bool" && value.is_boolean()) {
        return QVariant(value.get<bool>());
    }
    if (type == "integer" && value.is_number_integer()) {
        if (value.is_number_unsigned() && value.get<std::uint64_t>() > static_cast<std::uint64_t>(INT64_MAX)) {
            throw std::runtime_error("integer out of range");
        }
        return QVariant(static_cast<qlonglong>(value.get<std::int64_t>()));
    }
    if (type == "double" && value.is_number()) {
        return QVariant(value.get<double>());
    }
    if (type == "string" && value.is_string()) {
        return QVariant(fromUtf8(value.get<std::string>()));
    }
    if (type == "stringArray" && value.is_array()) {
        QStringList list;
        for (const json& item : value) {
            if (!item.is_string()) {
                throw std::runtime_error("string array holds a non-string");
            }
            list.push_back(fromUtf8(item.get<std::string>()));
        }
        return QVariant(list);
    }
    if (type == "dictionary") {
        return QVariant(decodeMap(value, depth));
    }
    if (type == "bytes" && value.is_string()) {
        const QByteArray base64 = QByteArray::fromStdString(value.get<std::string>());
        auto decoded = QByteArray::fromBase64Encoding(base64, QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded) {
            throw std::runtime_error("bytes are not valid Base64");
        }
        return QVariant(*decoded);
    }
    throw std::runtime_error("value does not match its type \"" + type + "\"");
}

bool sameValue(const QVariant& a, const QVariant& b) {
    return DefaultsStore::strictlyEqual(a, b);
}

} // namespace

JsonFileDefaultsStore::JsonFileDefaultsStore(QString filePath, QObject* parent)
    : DefaultsStore(parent), filePath_(std::move(filePath)) {
    std::lock_guard lock(mutex_);
    bool ok = false;
    values_ = readFileLocked(&ok);
}

QString JsonFileDefaultsStore::defaultFilePath() {
    QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (configHome.isEmpty() || !QDir::isAbsolutePath(configHome)) {
        configHome = QDir::homePath() + QStringLiteral("/.config");
    }
    return configHome + QStringLiteral("/Quellpad/settings.json");
}

QByteArray JsonFileDefaultsStore::encode(const QVariantMap& values) {
    json document = {{"format", 1}, {"values", encodeMap(values)}};
    return QByteArray::fromStdString(document.dump(2)) + '\n';
}

std::optional<QVariantMap> JsonFileDefaultsStore::decode(const QByteArray& bytes, QString* errorDescription) {
    try {
        const json document = json::parse(bytes.constBegin(), bytes.constEnd());
        if (!document.is_object() || !document.contains("values") || !document["values"].is_object()) {
            throw std::runtime_error("not a settings document");
        }
        // One mistyped entry (hand-edited, or written by a newer version) costs only
        // that entry: the ignore list and every other setting stay as they were.
        QVariantMap values;
        const json& entries = document["values"];
        for (auto it = entries.begin(); it != entries.end(); ++it) {
            try {
                values.insert(fromUtf8(it.key()), decodeValue(it.value(), 1));
            } catch (const std::exception& error) {
                Logger::warning(QStringLiteral("Ignoring setting ") + fromUtf8(it.key()) + QStringLiteral(": ") +
                                    QString::fromUtf8(error.what()),
                                category);
            }
        }
        return values;
    } catch (const std::exception& error) {
        if (errorDescription != nullptr) {
            *errorDescription = QString::fromUtf8(error.what());
        }
        return std::nullopt;
    }
}

QVariantMap JsonFileDefaultsStore::readFileLocked(bool* ok) {
    *ok = true;
    QFile file(filePath_);
    const QFileInfo info(filePath_);
    if (!info.exists() && !info.isSymLink()) {
        lastWrittenOrRead_.clear();
        return {};
    }
    // A FIFO would block every command and a device (a link to /dev/zero) never ends.
    if (!info.isFile()) {
        *ok = false;
        Logger::error(QStringLiteral("Settings file ") + filePath_ + QStringLiteral(" is not a regular file; ignoring it"),
                      category);
        return values_;
    }
    if (info.size() > maximumFileBytes) {
        *ok = false;
        Logger::error(QStringLiteral("Settings file ") + filePath_ + QStringLiteral(" is larger than ") +
                          QString::number(maximumFileBytes) + QStringLiteral(" bytes; ignoring it"),
                      category);
        return values_;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        *ok = false;
        Logger::error(QStringLiteral("Failed to read settings file ") + filePath_ + QStringLiteral(": ") +
                          file.errorString(),
                      category);
        return values_;
    }
    // Read one byte past the cap: the file may have grown since it was measured.
    const QByteArray bytes = file.read(maximumFileBytes + 1);
    file.close();
    if (bytes.size() > maximumFileBytes) {
        *ok = false;
        Logger::error(QStringLiteral("Settings file ") + filePath_ + QStringLiteral(" is larger than ") +
                          QString::number(maximumFileBytes) + QStringLiteral(" bytes; ignoring it"),
                      category);
        return values_;
    }
    QString description;
    std::optional<QVariantMap> decoded = decode(bytes, &description);
    if (!decoded) {
        *ok = false;
        const QString aside =
            filePath_ + QStringLiteral(".corrupt-") + QString::number(QDateTime::currentSecsSinceEpoch());
        QFile::remove(aside);
        const bool kept = QFile::copy(filePath_, aside);
        Logger::error(QStringLiteral("Settings file ") + filePath_ + QStringLiteral(" is corrupt (") + description +
                          QStringLiteral("); starting from defaults") +
                          (kept ? QStringLiteral(", the damaged file was kept as ") + aside
                                : QStringLiteral(", and the damaged file could not be copied aside")),
                      category);
        lastWrittenOrRead_ = bytes;
        return {};
    }
    lastWrittenOrRead_ = bytes;
    return *decoded;
}

bool JsonFileDefaultsStore::writeFileLocked(const QVariantMap& values) {
    const QFileInfo info(filePath_);
    if (!QDir().mkpath(info.absolutePath())) {
        Logger::error(QStringLiteral("Failed to create settings directory ") + info.absolutePath(), category);
        return false;
    }
    const QByteArray bytes = encode(values);
    QSaveFile file(filePath_);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        Logger::error(QStringLiteral("Failed to write settings file ") + filePath_ + QStringLiteral(": ") +
                          file.errorString(),
                      category);
        return false;
    }
    QFile::setPermissions(filePath_, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    lastWrittenOrRead_ = bytes;
    return true;
}

std::optional<QString> JsonFileDefaultsStore::lastWriteError() const {
    std::lock_guard lock(mutex_);
    return lastWriteError_;
}

QVariant JsonFileDefaultsStore::object(const QString& key) const {
    std::lock_guard lock(mutex_);
    return values_.value(key);
}

QVariantMap JsonFileDefaultsStore::dictionaryRepresentation() const {
    std::lock_guard lock(mutex_);
    return values_;
}

void JsonFileDefaultsStore::set(const QString& key, const QVariant& value) {
    std::optional<QVariant> canonical;
    if (value.isValid()) {
        canonical = canonicalValue(value);
        if (!canonical) {
            Logger::error(QStringLiteral("Refused to store a value of unsupported type ") +
                              QString::fromLatin1(value.typeName()) + QStringLiteral(" for key ") + key,
                          category);
            return;
        }
    }
    QStringList changedKeys;
    {
        std::lock_guard lock(mutex_);
        QDir().mkpath(QFileInfo(filePath_).absolutePath());
        QLockFile fileLock(filePath_ + QStringLiteral(".lock"));
        fileLock.setStaleLockTime(10000);
        const bool locked = fileLock.tryLock(2000);
        if (!locked) {
            Logger::warning(QStringLiteral("Could not lock settings file ") + filePath_ +
                                QStringLiteral("; writing without the lock"),
                            category);
        }
        // Merge what another process wrote since we last looked, so its change survives ours.
        const QVariantMap before = values_;
        bool ok = false;
        QVariantMap merged = readFileLocked(&ok);
        if (!ok) {
            merged = values_;
        }
        if (canonical) {
            merged.insert(key, *canonical);
        } else {
            merged.remove(key);
        }
        if (!writeFileLocked(merged)) {
            Logger::warning(QStringLiteral("Keeping setting ") + key + QStringLiteral(" in memory only"), category);
            lastWriteError_ = QStringLiteral("Could not write the settings file ") + filePath_;
        } else {
            lastWriteError_.reset();
        }
        values_ = merged;
        QStringList keys = before.keys() + merged.keys();
        keys.removeDuplicates();
        for (const QString& candidate : keys) {
            if (!sameValue(before.value(candidate), merged.value(candidate))) {
                changedKeys.push_back(candidate);
            }
        }
    }
    emitChanged(changedKeys);
}

void JsonFileDefaultsStore::emitChanged(const QStringList& keys) {
    if (keys.isEmpty()) {
        return;
    }
    if (QThread::currentThread() == thread()) {
        for (const QString& key : keys) {
            Q_EMIT changed(key);
        }
    } else {
        QMetaObject::invokeMethod(
            this,
            [this, keys] {
                for (const QString& key : keys) {
                    Q_EMIT changed(key);
                }
            },
            Qt::QueuedConnection);
    }
}

void JsonFileDefaultsStore::watchForExternalChanges() {
    if (watcher_ != nullptr) {
        return;
    }
    watcher_ = new QFileSystemWatcher(this);
    const QString directory = QFileInfo(filePath_).absolutePath();
    QDir().mkpath(directory);
    // Atomic replacement swaps the file's inode, so watch the folder as well as the file.
    watcher_->addPath(directory);
    if (QFile::exists(filePath_)) {
        watcher_->addPath(filePath_);
    }
    connect(watcher_, &QFileSystemWatcher::directoryChanged, this, [this] { reloadFromDisk(); });
    connect(watcher_, &QFileSystemWatcher::fileChanged, this, [this] { reloadFromDisk(); });
}

void JsonFileDefaultsStore::reloadFromDisk() {
    QStringList changedKeys;
    {
        std::lock_guard lock(mutex_);
        QFile file(filePath_);
        if (QFileInfo(filePath_).isFile() && file.open(QIODevice::ReadOnly)) {
            if (file.read(maximumFileBytes + 1) == lastWrittenOrRead_) {
                return; // our own write, or nothing new
            }
        }
        bool ok = false;
        const QVariantMap loaded = readFileLocked(&ok);
        if (!ok) {
            return;
        }
        QStringList keys = values_.keys() + loaded.keys();
        keys.removeDuplicates();
        for (const QString& key : keys) {
            if (!sameValue(values_.value(key), loaded.value(key))) {
                changedKeys.push_back(key);
            }
        }
        values_ = loaded;
    }
    if (watcher_ != nullptr && QFile::exists(filePath_) && !watcher_->files().contains(filePath_)) {
        watcher_->addPath(filePath_);
    }
    emitChanged(changedKeys);
}

} // namespace quellpad
