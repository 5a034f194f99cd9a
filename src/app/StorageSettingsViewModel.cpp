#include "app/StorageSettingsViewModel.h"

#include <algorithm>

#include <QPointer>

#include "Core/Utilities/Logger.h"
#include "localization/Localizer.h"
#include "platform/DefaultsStore.h"
#include "platform/Workspace.h"
#include "settings/AppPreferences.h"

namespace quellpad {

namespace {

constexpr int minimumItemSizeInMB = 1;
constexpr int maximumItemSizeInMB = 500;
const QString category = QStringLiteral("StorageSettings");

} // namespace

StorageSettingsViewModel::StorageSettingsViewModel(DefaultsStore& defaults, const Localizer& localizer,
                                                   DataDirectoryManager& dataDirectory, Services services,
                                                   QObject* parent)
    : QObject(parent), defaults_(defaults), localizer_(localizer), dataDirectory_(dataDirectory),
      services_(std::move(services)) {
    connect(&defaults_, &DefaultsStore::changed, this, &StorageSettingsViewModel::changed);
}

bool StorageSettingsViewModel::textCaptureEnabled() const { return AppPreferences(defaults_).textCaptureEnabled(); }

void StorageSettingsViewModel::setTextCaptureEnabled(bool enabled) {
    AppPreferences(defaults_).setTextCaptureEnabled(enabled);
}

bool StorageSettingsViewModel::imageCaptureEnabled() const { return AppPreferences(defaults_).imageCaptureEnabled(); }

void StorageSettingsViewModel::setImageCaptureEnabled(bool enabled) {
    AppPreferences(defaults_).setImageCaptureEnabled(enabled);
}

int StorageSettingsViewModel::maxItemSizeInMB() const {
    return static_cast<int>(AppPreferences(defaults_).maxItemSizeInMB());
}

void StorageSettingsViewModel::setMaxItemSizeInMB(int megabytes) {
    AppPreferences(defaults_).setMaxItemSizeInMB(std::clamp(megabytes, minimumItemSizeInMB, maximumItemSizeInMB));
}

ClipboardAutoCleanupPolicy StorageSettingsViewModel::retention(ClipboardContentType type) const {
    const AppPreferences preferences(defaults_);
    return type == ClipboardContentType::text ? preferences.textAutoCleanupPolicy() : preferences.imageAutoCleanupPolicy();
}

void StorageSettingsViewModel::setRetention(ClipboardContentType type, ClipboardAutoCleanupPolicy policy) {
    if (retention(type) == policy) return;
    AppPreferences preferences(defaults_);
    if (type == ClipboardContentType::text) {
        preferences.setTextAutoCleanupPolicy(policy);
    } else {
        preferences.setImageAutoCleanupPolicy(policy);
    }
    if (services_.applyRetention) services_.applyRetention(type);
}

QString StorageSettingsViewModel::dataDirectoryPath() const { return dataDirectory_.dataDirectoryPath(); }

bool StorageSettingsViewModel::isLocationFixedByEnvironment() const { return dataDirectory_.isUsingStorageOverride(); }

bool StorageSettingsViewModel::isUsingCustomLocation() const {
    return dataDirectory_.activeCustomDirectoryPath().has_value();
}

void StorageSettingsViewModel::revealDataDirectory() {
    QString error;
    if (services_.workspace && services_.workspace->revealFile(dataDirectory_.revealTargetPath(), &error)) {
        setOutcome(std::nullopt);
        return;
    }
    if (error.isEmpty()) error = localizer_.text(TextKey::settingsNoFileManager);
    setOutcome(Outcome{true, std::nullopt, TextKey::settingsRevealFailed, {error}});
}

void StorageSettingsViewModel::changeLocation(const DataDirectoryDialogs& dialogs) { runLocationFlow(dialogs, false); }

void StorageSettingsViewModel::resetLocation(const DataDirectoryDialogs& dialogs) { runLocationFlow(dialogs, true); }

void StorageSettingsViewModel::runLocationFlow(const DataDirectoryDialogs& dialogs, bool isReset) {
    if (!canChangeLocation()) return;
    busy_ = true;
    Q_EMIT changed();
    // Set when the stores were closed for the copy: they must be opened again whatever happens.
    auto released = std::make_shared<bool>(false);
    QPointer<StorageSettingsViewModel> self(this);
    auto beforeMigration = [self, released] {
        if (!self) return;
        *released = true;
        self->copying_ = true;
        if (self->services_.releaseStorage) self->services_.releaseStorage();
        Q_EMIT self->changed();
    };
    auto completion = [self, released, isReset](DataDirectoryFlowResult result) {
        if (!self) return;
        self->busy_ = false;
        self->copying_ = false;
        if ((*released || result.changed) && self->services_.reopenStorage) self->services_.reopenStorage();
        if (result.error) {
            Logger::error(QStringLiteral("Storage location not changed: ") + result.error->description, category);
            self->setOutcome(Outcome{true, isReset ? TextKey::failedToResetLocation : TextKey::failedToChangeLocation,
                                     TextKey::settingsFailureReason, {result.error->description}, true});
        } else if (result.changed) {
            const QString path = self->dataDirectory_.dataDirectoryPath();
            Logger::info(QStringLiteral("Storage location changed to ") + path, category);
            self->setOutcome(
                Outcome{false, isReset ? TextKey::storageLocationResetTitle : TextKey::storageLocationChangedTitle,
                        isReset ? TextKey::storageLocationResetMessage : TextKey::storageLocationChangedMessage, {path}});
        } else {
            Q_EMIT self->changed(); // cancelled: the buttons come back
        }
    };
    if (isReset) {
        dataDirectory_.resetLocation(dialogs, localizer_, beforeMigration, completion);
    } else {
        dataDirectory_.changeLocation(dialogs, localizer_, beforeMigration, completion);
    }
}

void StorageSettingsViewModel::clearHistory(const std::function<bool(const QString&, const QString&)>& confirm) {
    if (busy_) return;
    if (!confirm(localizer_.text(TextKey::clearAllHistoryTitle), localizer_.text(TextKey::clearAllHistoryMessage))) {
        return;
    }
    const std::optional<QString> error = services_.clearHistory
                                             ? services_.clearHistory()
                                             : std::optional<QString>(QStringLiteral("The history is not open."));
    if (error) {
        Logger::error(QStringLiteral("Failed to clear clipboard history: ") + *error, category);
        setOutcome(Outcome{true, TextKey::settingsClearHistoryFailedTitle, TextKey::settingsFailureReason, {*error}});
        return;
    }
    setOutcome(Outcome{false, TextKey::clipboardHistoryClearedTitle, TextKey::clipboardHistoryClearedMessage,
                       {dataDirectoryPath()}});
}

std::optional<StorageSettingsViewModel::Message> StorageSettingsViewModel::message() const {
    if (!outcome_) return std::nullopt;
    Message message{outcome_->isError, outcome_->title ? localizer_.text(*outcome_->title) : QString(),
                    localizer_.text(outcome_->text, outcome_->arguments)};
    if (outcome_->withPermissionsHint) {
        message.text += QLatin1Char('\n') + localizer_.text(TextKey::checkFolderPermissionsHint);
    }
    return message;
}

void StorageSettingsViewModel::setOutcome(std::optional<Outcome> outcome) {
    outcome_ = std::move(outcome);
    Q_EMIT changed();
}

} // namespace quellpad
