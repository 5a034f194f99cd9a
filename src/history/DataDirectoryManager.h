// Where the history store and the search index live: the default folder under the
// XDG data home, a user-chosen folder, or QUELLPAD_STORAGE_DIRECTORY. Moving the data
// copies it (the source is never modified); replaced files in the destination are
// kept as "<name>.backup_<seconds>".
//
// The confirmation dialogs and the folder chooser are injected, so the flows run
// without a display; results always arrive later on the main thread.
#pragma once

#include <functional>
#include <optional>

#include <QObject>
#include <QString>
#include <QStringList>

namespace quellpad {

class DefaultsStore;
class Localizer;

// A failed file-system step, with the platform's description.
struct DataDirectoryError {
    enum class Kind { createDirectory, writeTest, removeBackup, moveAside, copy, notADirectory };
    Kind kind;
    QString description;
};

struct DataDirectoryAlert {
    enum class Style { warning, critical };
    Style style = Style::warning;
    QString message;
    QString informativeText;
    QStringList buttons; // in order; the second confirms
};

struct DataDirectoryOpenPanel {
    QString title;
    QString message;
};

struct DataDirectoryDialogs {
    // Returns the index of the button chosen (anything but 1 cancels).
    std::function<int(const DataDirectoryAlert&)> showAlert;
    // Returns the chosen folder, or nullopt when cancelled.
    std::function<std::optional<QString>(const DataDirectoryOpenPanel&)> chooseDirectory;
};

struct DataDirectoryFlowResult {
    bool changed = false;                     // the location changed
    std::optional<DataDirectoryError> error;  // set when the flow failed
};

class DataDirectoryManager : public QObject {
    Q_OBJECT
public:
    inline static const QString databaseFileName = QStringLiteral("clipboard_history.sqlite");
    inline static const QString searchIndexFileName = QStringLiteral("clipboard_search.sqlite");
    inline static const QString storageDirectoryOverrideEnvironmentKey = QStringLiteral("QUELLPAD_STORAGE_DIRECTORY");
    inline static const QString defaultDirectoryName = QStringLiteral("Quellpad");
    inline static const QString dataSubdirectoryName = QStringLiteral("QuellpadData");

    struct Environment {
        // Looks up an environment variable; defaults to the process environment.
        std::function<QString(const QString&)> variable;
        // The user's home directory; defaults to QDir::homePath().
        QString homePath;
        // Seconds since 1970 for backup names; defaults to the system clock.
        std::function<qint64()> nowSeconds;
    };

    explicit DataDirectoryManager(DefaultsStore& defaults, Environment environment = {}, QObject* parent = nullptr);

    // $XDG_DATA_HOME/Quellpad, else ~/.local/share/Quellpad.
    QString defaultRootPath() const;
    // The override when set and not empty, else <custom or default root>/QuellpadData.
    QString dataDirectoryPath() const;
    QString storeFilePath() const;
    QString searchIndexFilePath() const;
    std::optional<QString> activeCustomDirectoryPath() const { return activeCustomDirectory_; }
    bool isUsingStorageOverride() const;

    // Creates the data directory (owner-only permissions) with its parents.
    std::optional<DataDirectoryError> ensureDataDirectory() const;
    bool hasStoredHistory() const;
    // The path with the home directory replaced by "~" (only at a component boundary).
    QString displayPath(const QString& path) const;
    // The folder to select in a file viewer: the data directory when it exists, else its parent.
    QString revealTargetPath() const;

    void setCustomDirectory(const std::optional<QString>& path);

    using Completion = std::function<void(DataDirectoryFlowResult)>;
    using Hook = std::function<void()>;
    void changeLocation(const DataDirectoryDialogs& dialogs, const Localizer& localizer, Hook beforeMigration,
                        Completion completion);
    void resetLocation(const DataDirectoryDialogs& dialogs, const Localizer& localizer, Hook beforeMigration,
                       Completion completion);
    // Copies the current data directory into destination on a background thread.
    void migrate(const QString& destination, std::function<void(std::optional<DataDirectoryError>)> completion);

    // The plain path reference kept as the "bookmark" of a chosen folder.
    static QByteArray makeBookmark(const QString& path);
    // The folder of a bookmark; nullopt with a description when it cannot be resolved.
    static std::optional<QString> resolveBookmark(const QByteArray& bookmark, QString* errorDescription, bool* isStale);

private:
    void loadCustomLocation();
    QString environmentVariable(const QString& name) const;

    DefaultsStore& defaults_;
    Environment environment_;
    std::optional<QString> activeCustomDirectory_;
};

} // namespace quellpad
