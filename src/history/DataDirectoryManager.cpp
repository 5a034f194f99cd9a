#include "history/DataDirectoryManager.h"

#include <filesystem>
#include <sys/stat.h>

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QSaveFile>
#include <QtConcurrent/QtConcurrentRun>

#include "Core/Utilities/Logger.h"
#include "Core/Utilities/MainThread.h"
#include "Core/Utilities/PrivateFiles.h"
#include "Core/Utilities/Uuid.h"
#include "localization/Localizer.h"
#include "settings/PreferenceKeys.h"
#include "platform/DefaultsStore.h"

namespace quellpad {

namespace fs = std::filesystem;

namespace {

const QString category = QStringLiteral("DataDirectoryManager");

fs::path toPath(const QString& path) { return fs::path(path.toStdString()); }

QString describe(const QString& what, const QString& path, const std::error_code& error) {
    return what + QStringLiteral(" ") + path + QStringLiteral(": ") + QString::fromStdString(error.message());
}

QString standardized(const QString& path) {
    return QDir::cleanPath(QDir(path).absolutePath());
}

// mkdir -p that gives each directory it creates owner-only permissions.
std::optional<DataDirectoryError> createPrivateDirectories(const QString& path) {
    const QString clean = standardized(path);
    std::error_code error;
    if (fs::exists(toPath(clean), error) && !fs::is_directory(toPath(clean), error)) {
        return DataDirectoryError{DataDirectoryError::Kind::notADirectory,
                                  clean + QStringLiteral(" exists and is not a directory")};
    }
    if (std::optional<QString> failure = PrivateFiles::createDirectories(clean)) {
        return DataDirectoryError{DataDirectoryError::Kind::createDirectory, *failure};
    }
    return std::nullopt;
}

// Narrows the data directory and our database files to the owner, logging each change:
// older versions and other tools created them readable by everyone.
void restrictDataDirectory(const QString& directory) {
    QStringList paths{directory};
    for (const QString& base : {DataDirectoryManager::databaseFileName, DataDirectoryManager::searchIndexFileName}) {
        for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
            paths.push_back(directory + QLatin1Char('/') + base + QLatin1String(suffix));
        }
    }
    for (const QString& path : paths) {
        QString error;
        if (std::optional<PrivateFiles::Restriction> change = PrivateFiles::restrict(path, &error)) {
            Logger::info(QStringLiteral("Restricted permissions of ") + path + QStringLiteral(" from ") +
                             PrivateFiles::formatMode(change->oldMode) + QStringLiteral(" to ") +
                             PrivateFiles::formatMode(change->newMode),
                         category);
        } else if (!error.isEmpty()) {
            Logger::warning(error, category);
        }
    }
}

std::optional<DataDirectoryError> performMigration(const QString& source, const QString& destination,
                                                   qint64 nowSeconds) {
    std::error_code error;
    if (auto failure = createPrivateDirectories(destination)) {
        return failure;
    }
    // Write test: a folder we cannot write into must fail before anything is copied.
    const QString probe = destination + QStringLiteral("/.write_test_") + Uuid::makeString();
    {
        QSaveFile file(probe);
        if (!file.open(QIODevice::WriteOnly) || file.write("test") != 4 || !file.commit()) {
            return DataDirectoryError{DataDirectoryError::Kind::writeTest,
                                      QStringLiteral("Could not write to ") + destination + QStringLiteral(": ") +
                                          file.errorString()};
        }
    }
    fs::remove(toPath(probe), error);

    // Backups of an earlier migration into this folder make way for the new ones.
    for (const fs::directory_entry& entry : fs::directory_iterator(toPath(destination), error)) {
        const QString name = QString::fromStdString(entry.path().filename().string());
        if (name.contains(QStringLiteral(".backup_"))) {
            std::error_code removeError;
            fs::remove_all(entry.path(), removeError);
            if (removeError) {
                return DataDirectoryError{DataDirectoryError::Kind::removeBackup,
                                          describe(QStringLiteral("Could not remove old backup"),
                                                   QString::fromStdString(entry.path().string()), removeError)};
            }
        }
    }
    if (error) {
        return DataDirectoryError{DataDirectoryError::Kind::removeBackup,
                                  describe(QStringLiteral("Could not list"), destination, error)};
    }

    std::vector<fs::path> entries;
    for (const fs::directory_entry& entry : fs::directory_iterator(toPath(source), error)) {
        entries.push_back(entry.path());
    }
    if (error) {
        return DataDirectoryError{DataDirectoryError::Kind::copy, describe(QStringLiteral("Could not list"), source, error)};
    }
    for (const fs::path& entry : entries) {
        const fs::path target = toPath(destination) / entry.filename();
        if (fs::exists(fs::symlink_status(target, error))) {
            fs::path aside = target;
            aside += ".backup_" + std::to_string(nowSeconds);
            fs::rename(target, aside, error);
            if (error) {
                return DataDirectoryError{DataDirectoryError::Kind::moveAside,
                                          describe(QStringLiteral("Could not move aside"),
                                                   QString::fromStdString(target.string()), error)};
            }
        }
        fs::copy(entry, target, fs::copy_options::recursive | fs::copy_options::copy_symlinks, error);
        if (error) {
            return DataDirectoryError{DataDirectoryError::Kind::copy,
                                      describe(QStringLiteral("Could not copy"),
                                               QString::fromStdString(entry.string()), error)};
        }
    }
    // A copy keeps the source's modes, which may predate owner-only storage.
    restrictDataDirectory(destination);
    return std::nullopt;
}

} // namespace

DataDirectoryManager::DataDirectoryManager(DefaultsStore& defaults, Environment environment, QObject* parent)
    : QObject(parent), defaults_(defaults), environment_(std::move(environment)) {
    if (!environment_.variable) {
        environment_.variable = [](const QString& name) { return qEnvironmentVariable(name.toLatin1().constData()); };
    }
    if (environment_.homePath.isEmpty()) {
        environment_.homePath = QDir::homePath();
    }
    if (!environment_.nowSeconds) {
        environment_.nowSeconds = [] { return QDateTime::currentSecsSinceEpoch(); };
    }
    loadCustomLocation();
}

QString DataDirectoryManager::environmentVariable(const QString& name) const {
    return environment_.variable(name);
}

QString DataDirectoryManager::defaultRootPath() const {
    QString dataHome = environmentVariable(QStringLiteral("XDG_DATA_HOME"));
    // Relative values are invalid by the XDG rules and are ignored.
    if (dataHome.isEmpty() || !QDir::isAbsolutePath(dataHome)) {
        dataHome = environment_.homePath + QStringLiteral("/.local/share");
    }
    return standardized(dataHome + QLatin1Char('/') + defaultDirectoryName);
}

bool DataDirectoryManager::isUsingStorageOverride() const {
    return !environmentVariable(storageDirectoryOverrideEnvironmentKey).isEmpty();
}

QString DataDirectoryManager::dataDirectoryPath() const {
    const QString override = environmentVariable(storageDirectoryOverrideEnvironmentKey);
    if (!override.isEmpty()) {
        return standardized(override);
    }
    const QString root = activeCustomDirectory_.value_or(defaultRootPath());
    return standardized(root + QLatin1Char('/') + dataSubdirectoryName);
}

QString DataDirectoryManager::storeFilePath() const {
    return dataDirectoryPath() + QLatin1Char('/') + databaseFileName;
}

QString DataDirectoryManager::searchIndexFilePath() const {
    return dataDirectoryPath() + QLatin1Char('/') + searchIndexFileName;
}

std::optional<DataDirectoryError> DataDirectoryManager::ensureDataDirectory() const {
    const QString directory = dataDirectoryPath();
    if (std::optional<DataDirectoryError> error = createPrivateDirectories(directory)) {
        return error;
    }
    restrictDataDirectory(directory);
    return std::nullopt;
}

bool DataDirectoryManager::hasStoredHistory() const {
    return QFileInfo(storeFilePath()).isFile();
}

QString DataDirectoryManager::displayPath(const QString& path) const {
    const QString home = QDir::cleanPath(environment_.homePath);
    if (home.isEmpty() || home == QStringLiteral("/")) {
        return path;
    }
    if (path == home) {
        return QStringLiteral("~");
    }
    // Only a whole leading component: /home/al must not shorten /home/alice.
    if (path.startsWith(home + QLatin1Char('/'))) {
        return QStringLiteral("~") + path.mid(home.size());
    }
    return path;
}

QString DataDirectoryManager::revealTargetPath() const {
    const QString directory = dataDirectoryPath();
    if (QFileInfo(directory).isDir()) {
        return directory;
    }
    return QFileInfo(directory).absolutePath();
}

QByteArray DataDirectoryManager::makeBookmark(const QString& path) {
    return QJsonDocument(QJsonObject{{QStringLiteral("kind"), QStringLiteral("path")},
                                     {QStringLiteral("path"), standardized(path)}})
        .toJson(QJsonDocument::Compact);
}

std::optional<QString> DataDirectoryManager::resolveBookmark(const QByteArray& bookmark, QString* errorDescription,
                                                             bool* isStale) {
    if (isStale != nullptr) {
        *isStale = false;
    }
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(bookmark, &parseError);
    const QString path = document.object().value(QStringLiteral("path")).toString();
    if (parseError.error != QJsonParseError::NoError || !document.isObject() || path.isEmpty() ||
        !QDir::isAbsolutePath(path)) {
        if (errorDescription != nullptr) {
            *errorDescription = QStringLiteral("The bookmark data is not a folder reference.");
        }
        return std::nullopt;
    }
    // A reference written in another form (an older build, a hand edit) is renewed.
    if (isStale != nullptr && bookmark != makeBookmark(path)) {
        *isStale = true;
    }
    return standardized(path);
}

void DataDirectoryManager::loadCustomLocation() {
    if (std::optional<QByteArray> bookmark = defaults_.bytesValue(PreferenceKeys::customDataDirectoryBookmark)) {
        QString description;
        bool stale = false;
        if (std::optional<QString> resolved = resolveBookmark(*bookmark, &description, &stale)) {
            activeCustomDirectory_ = *resolved;
            defaults_.set(PreferenceKeys::customDataDirectory, *resolved);
            if (stale) {
                defaults_.set(PreferenceKeys::customDataDirectoryBookmark, makeBookmark(*resolved));
            }
            return;
        }
        Logger::warning(QStringLiteral("Failed to resolve storage bookmark: ") + description, category);
    }
    const QString path = defaults_.stringValue(PreferenceKeys::customDataDirectory).value_or(QString());
    if (!path.isEmpty()) {
        activeCustomDirectory_ = standardized(path);
    }
}

void DataDirectoryManager::setCustomDirectory(const std::optional<QString>& path) {
    activeCustomDirectory_.reset();
    if (!path) {
        defaults_.remove(PreferenceKeys::customDataDirectory);
        defaults_.remove(PreferenceKeys::customDataDirectoryBookmark);
        return;
    }
    const QString clean = standardized(*path);
    activeCustomDirectory_ = clean;
    defaults_.set(PreferenceKeys::customDataDirectory, clean);
    defaults_.set(PreferenceKeys::customDataDirectoryBookmark, makeBookmark(clean));
}

void DataDirectoryManager::migrate(const QString& destination,
                                   std::function<void(std::optional<DataDirectoryError>)> completion) {
    const QString source = dataDirectoryPath();
    const QString target = standardized(destination);
    const qint64 now = environment_.nowSeconds();
    QPointer<DataDirectoryManager> weakSelf(this);
    auto finish = [weakSelf, completion](std::optional<DataDirectoryError> error) {
        MainThread::post([weakSelf, completion, error] {
            if (weakSelf.isNull()) {
                return;
            }
            completion(error);
        });
    };
    (void)QtConcurrent::run([source, target, now, finish] {
        const QFileInfo sourceInfo(source);
        if (!sourceInfo.exists() || !sourceInfo.isDir()) {
            std::optional<DataDirectoryError> error = createPrivateDirectories(target);
            if (error) {
                Logger::error(QStringLiteral("Failed to create destination directory: ") + error->description, category);
            }
            finish(error);
            return;
        }
        std::optional<DataDirectoryError> error = performMigration(source, target, now);
        if (error) {
            Logger::error(QStringLiteral("Failed to migrate storage directory: ") + error->description, category);
        }
        finish(error);
    });
}

void DataDirectoryManager::changeLocation(const DataDirectoryDialogs& dialogs, const Localizer& localizer,
                                          Hook beforeMigration, Completion completion) {
    auto unchanged = [completion] { MainThread::post([completion] { completion({}); }); };
    DataDirectoryAlert first;
    first.style = DataDirectoryAlert::Style::warning;
    first.message = localizer.text(TextKey::changeStorageDirectoryTitle);
    first.informativeText = localizer.text(TextKey::changeStorageDirectoryMessage);
    first.buttons = {localizer.text(TextKey::cancel), localizer.text(TextKey::chooseDirectory)};
    if (dialogs.showAlert(first) != 1) {
        unchanged();
        return;
    }
    DataDirectoryOpenPanel panel{localizer.text(TextKey::selectStorageDirectoryTitle),
                                 localizer.text(TextKey::selectStorageDirectoryMessage)};
    const std::optional<QString> chosen = dialogs.chooseDirectory(panel);
    if (!chosen) {
        unchanged();
        return;
    }
    const QString root = standardized(*chosen);
    const QString destination = root + QLatin1Char('/') + dataSubdirectoryName;
    DataDirectoryAlert confirm;
    confirm.style = DataDirectoryAlert::Style::critical;
    confirm.message = localizer.text(TextKey::confirmChangeTitle);
    confirm.informativeText = localizer.text(TextKey::confirmChangeMessage, {displayPath(destination)});
    confirm.buttons = {localizer.text(TextKey::cancel), localizer.text(TextKey::confirmMigration)};
    if (dialogs.showAlert(confirm) != 1) {
        unchanged();
        return;
    }
    if (beforeMigration) {
        beforeMigration();
    }
    QPointer<DataDirectoryManager> weakSelf(this);
    migrate(destination, [weakSelf, root, completion](std::optional<DataDirectoryError> error) {
        if (error || weakSelf.isNull()) {
            completion({false, error});
            return;
        }
        weakSelf->setCustomDirectory(root);
        completion({true, std::nullopt});
    });
}

void DataDirectoryManager::resetLocation(const DataDirectoryDialogs& dialogs, const Localizer& localizer,
                                         Hook beforeMigration, Completion completion) {
    const QString destination = defaultRootPath() + QLatin1Char('/') + dataSubdirectoryName;
    DataDirectoryAlert alert;
    alert.style = DataDirectoryAlert::Style::warning;
    alert.message = localizer.text(TextKey::resetToDefaultDirectoryTitle);
    alert.informativeText = localizer.text(TextKey::resetToDefaultDirectoryMessage, {displayPath(destination)});
    alert.buttons = {localizer.text(TextKey::cancel), localizer.text(TextKey::confirmReset)};
    if (dialogs.showAlert(alert) != 1) {
        MainThread::post([completion] { completion({}); });
        return;
    }
    const bool usesCustom = activeCustomDirectory_.has_value() ||
                            !defaults_.stringValue(PreferenceKeys::customDataDirectory).value_or(QString()).isEmpty();
    if (hasStoredHistory() && usesCustom) {
        if (beforeMigration) {
            beforeMigration();
        }
        QPointer<DataDirectoryManager> weakSelf(this);
        migrate(destination, [weakSelf, completion](std::optional<DataDirectoryError> error) {
            if (error || weakSelf.isNull()) {
                completion({false, error});
                return;
            }
            weakSelf->setCustomDirectory(std::nullopt);
            completion({true, std::nullopt});
        });
        return;
    }
    setCustomDirectory(std::nullopt);
    MainThread::post([completion] { completion({true, std::nullopt}); });
}

} // namespace quellpad
