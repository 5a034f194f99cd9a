// The per-user defaults store backed by a JSON file ("settings.json" under
// $XDG_CONFIG_HOME/Quellpad/). Each value is written with its type, so reading it
// back gives the same type. Writes replace the file atomically under a lock file and
// merge what another process (the CLI, a second window) wrote in the meantime.
// A corrupt file is kept aside as "settings.json.corrupt-<seconds>" and the store
// starts from defaults.
//
// File format: {"format": 1, "values": {KEY: {"type": T, "value": V}}} with T one of
// "bool", "integer", "double", "string", "stringArray", "dictionary" (value: an object
// of typed values), "bytes" (value: Base64).
#pragma once

#include <mutex>

#include <QFileSystemWatcher>
#include <QString>

#include "platform/DefaultsStore.h"

namespace quellpad {

class JsonFileDefaultsStore final : public DefaultsStore {
    Q_OBJECT
public:
    // Loads the file at once. Watching for other processes' changes starts when
    // `watchForExternalChanges` is called (needs an event loop).
    explicit JsonFileDefaultsStore(QString filePath, QObject* parent = nullptr);

    // $XDG_CONFIG_HOME/Quellpad/settings.json, else ~/.config/Quellpad/settings.json.
    static QString defaultFilePath();

    const QString& filePath() const { return filePath_; }

    QVariant object(const QString& key) const override;
    void set(const QString& key, const QVariant& value) override;
    QVariantMap dictionaryRepresentation() const override;
    std::optional<QString> lastWriteError() const override;

    // Larger files are not read (a settings file is a few kilobytes).
    static constexpr qint64 maximumFileBytes = 16 * 1024 * 1024;

    void watchForExternalChanges();
    // Re-reads the file and emits `changed` for every key whose value differs.
    void reloadFromDisk();

    // Serialisation, exposed for tests of the format.
    static QByteArray encode(const QVariantMap& values);
    // nullopt (with a description) when the bytes are not a valid settings document.
    static std::optional<QVariantMap> decode(const QByteArray& bytes, QString* errorDescription);

private:
    // Reads the file; on corruption keeps a copy aside. Caller holds mutex_.
    QVariantMap readFileLocked(bool* ok);
    bool writeFileLocked(const QVariantMap& values);
    void emitChanged(const QStringList& keys);

    QString filePath_;
    mutable std::mutex mutex_;
    QVariantMap values_;
    QByteArray lastWrittenOrRead_;
    std::optional<QString> lastWriteError_;
    QFileSystemWatcher* watcher_ = nullptr;
};

} // namespace quellpad
