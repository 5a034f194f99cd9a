// The "Storage" page without widgets: what is recorded, how long it is kept, where the
// history lives (moving it, resetting it, showing it) and clearing it. Every setter
// writes the defaults store at once; `changed` fires after any stored value changed
// (here or from another process) and whenever a long operation moves on.
#pragma once

#include <functional>
#include <optional>

#include <QObject>
#include <QString>
#include <QStringList>

#include "history/ClipboardHistoryRecords.h"
#include "history/DataDirectoryManager.h"
#include "localization/TextKey.h"
#include "settings/ClipboardAutoCleanupPolicy.h"

namespace quellpad {

class DefaultsStore;
class Localizer;
class Workspace;

class StorageSettingsViewModel final : public QObject {
    Q_OBJECT
public:
    struct Services {
        // Opens folders in the file manager; absent: revealing reports that none exists.
        Workspace* workspace = nullptr;
        // Closes the history and the index, so their files are complete when copied.
        std::function<void()> releaseStorage = nullptr;
        // Opens the history and the index at the data directory as it is now.
        std::function<void()> reopenStorage = nullptr;
        // Deletes every item; the failure's English description, nullopt when done.
        std::function<std::optional<QString>()> clearHistory = nullptr;
        // Applies a newly chosen retention at once instead of at the next copy.
        std::function<void(ClipboardContentType)> applyRetention = nullptr;
    };

    // The outcome of the last flow, shown until the next one, in the language of now.
    struct Message {
        bool isError = false;
        QString title;
        QString text;
    };

    StorageSettingsViewModel(DefaultsStore& defaults, const Localizer& localizer, DataDirectoryManager& dataDirectory,
                             Services services, QObject* parent = nullptr);

    const Localizer& localizer() const { return localizer_; }

    bool textCaptureEnabled() const;
    void setTextCaptureEnabled(bool enabled);
    bool imageCaptureEnabled() const;
    void setImageCaptureEnabled(bool enabled);
    // Megabytes, 1 through 500.
    int maxItemSizeInMB() const;
    void setMaxItemSizeInMB(int megabytes);

    ClipboardAutoCleanupPolicy retention(ClipboardContentType type) const;
    // Stores the policy and, when it changed, removes what it no longer keeps at once.
    void setRetention(ClipboardContentType type, ClipboardAutoCleanupPolicy policy);

    QString dataDirectoryPath() const;
    // QUELLPAD_STORAGE_DIRECTORY decides the place: moving and resetting are off.
    bool isLocationFixedByEnvironment() const;
    bool isUsingCustomLocation() const;
    void revealDataDirectory();

    // True while the data is being copied (after the last confirmation).
    bool isMigrating() const { return copying_; }
    bool canChangeLocation() const { return !busy_ && !isLocationFixedByEnvironment(); }
    // Asks through the dialogs, copies the data off the main thread and opens the
    // history at the new place; a failure keeps the old place. Ignored while one runs.
    void changeLocation(const DataDirectoryDialogs& dialogs);
    void resetLocation(const DataDirectoryDialogs& dialogs);

    // Deletes every item after confirm() agrees; a failure is reported, not a success.
    void clearHistory(const std::function<bool(const QString& title, const QString& text)>& confirm);

    std::optional<Message> message() const;

Q_SIGNALS:
    void changed();

private:
    void runLocationFlow(const DataDirectoryDialogs& dialogs, bool isReset);
    struct Outcome {
        bool isError = false;
        std::optional<TextKey> title;
        TextKey text;
        QStringList arguments;
        bool withPermissionsHint = false;
    };
    void setOutcome(std::optional<Outcome> outcome);

    DefaultsStore& defaults_;
    const Localizer& localizer_;
    DataDirectoryManager& dataDirectory_;
    Services services_;
    bool busy_ = false;    // a move or reset runs, its dialogs included
    bool copying_ = false; // its data is being copied
    std::optional<Outcome> outcome_;
};

} // namespace quellpad
