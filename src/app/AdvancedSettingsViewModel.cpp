#include "app/AdvancedSettingsViewModel.h"

#include <QPointer>

#include "Core/Utilities/Logger.h"
#include "Core/Utilities/MainThread.h"
#include "localization/Localizer.h"
#include "platform/DefaultsStore.h"
#include "search/ClipboardSearchServiceProtocol.h"
#include "settings/AppPreferences.h"
#include "settings/PreferenceKeys.h"

namespace quellpad {

namespace {
const QString category = QStringLiteral("AdvancedSettings");
}

AdvancedSettingsViewModel::AdvancedSettingsViewModel(DefaultsStore& defaults, const Localizer& localizer,
                                                     Services services, QObject* parent)
    : QObject(parent), defaults_(defaults), localizer_(localizer), services_(std::move(services)) {
    connect(&defaults_, &DefaultsStore::changed, this, &AdvancedSettingsViewModel::changed);
}

bool AdvancedSettingsViewModel::pinyinIndexEnabled() const {
    return AppPreferences(defaults_).searchPinyinIndexEnabled();
}

void AdvancedSettingsViewModel::setPinyinIndexEnabled(bool enabled) {
    if (enabled == pinyinIndexEnabled()) return;
    AppPreferences(defaults_).setSearchPinyinIndexEnabled(enabled);
    if (rebuilding_) {
        // The running rebuild may have read the switch before it changed.
        rebuildAgain_ = true;
        return;
    }
    rebuildIndex();
}

void AdvancedSettingsViewModel::rebuildIndex() {
    if (rebuilding_) return;
    const std::shared_ptr<ClipboardSearchServiceProtocol> service =
        services_.searchService ? services_.searchService() : nullptr;
    rebuildIndexed_.reset();
    rebuildError_.reset();
    if (!service) {
        finishRebuild(std::nullopt, ClipboardSearchServiceError().description());
        return;
    }
    rebuilding_ = true;
    rebuildDone_ = 0;
    rebuildTotal_ = -1;
    const int generation = ++rebuildGeneration_;
    QPointer<AdvancedSettingsViewModel> self(this);
    service->setRebuildProgressHandler([self, generation](qint64 done, qint64 total) {
        MainThread::post([self, generation, done, total] {
            if (!self || !self->rebuilding_ || self->rebuildGeneration_ != generation) return;
            self->rebuildDone_ = done;
            self->rebuildTotal_ = total;
            Q_EMIT self->changed();
        });
    });
    Logger::info(QStringLiteral("Search index rebuild requested in the settings"), category);
    Q_EMIT changed();
    // Weakly: a service that keeps the rebuild's promise would otherwise own its own continuation.
    std::weak_ptr<ClipboardSearchServiceProtocol> weakService = service;
    MainThread::whenFinished(service->rebuildIndex(), this,
                             [this, weakService](QFuture<ClipboardSearchRebuildResult> finished) {
                                 if (const auto current = weakService.lock()) current->setRebuildProgressHandler(nullptr);
                                 try {
                                     finishRebuild(finished.result().indexedCount, std::nullopt);
                                 } catch (const ClipboardSearchServiceError& error) {
                                     finishRebuild(std::nullopt, error.description());
                                 } catch (const std::exception& error) {
                                     finishRebuild(std::nullopt, QString::fromUtf8(error.what()));
                                 }
                             });
}

void AdvancedSettingsViewModel::finishRebuild(std::optional<int> indexed, std::optional<QString> error) {
    rebuilding_ = false;
    rebuildIndexed_ = indexed;
    rebuildError_ = std::move(error);
    if (rebuildError_) {
        Logger::error(QStringLiteral("Search index rebuild from the settings failed: ") + *rebuildError_, category);
    }
    Q_EMIT changed();
    if (rebuildAgain_) {
        rebuildAgain_ = false;
        rebuildIndex();
    }
}

QString AdvancedSettingsViewModel::rebuildStatusLine() const {
    if (rebuilding_) {
        if (rebuildTotal_ < 0) return localizer_.text(TextKey::settingsRebuildStarting);
        return localizer_.text(TextKey::settingsRebuildProgress,
                               {QString::number(rebuildDone_), QString::number(rebuildTotal_)});
    }
    if (rebuildError_) return localizer_.text(TextKey::settingsRebuildFailed, {*rebuildError_});
    if (rebuildIndexed_) return localizer_.text(TextKey::settingsRebuildFinished, {QString::number(*rebuildIndexed_)});
    return {};
}

bool AdvancedSettingsViewModel::imageOCREnabled() const { return AppPreferences(defaults_).imageOCREnabled(); }

void AdvancedSettingsViewModel::setImageOCREnabled(bool enabled) { AppPreferences(defaults_).setImageOCREnabled(enabled); }

ClipboardOCRConfiguration AdvancedSettingsViewModel::ocrConfiguration() const {
    return AppPreferences(defaults_).ocrConfiguration();
}

void AdvancedSettingsViewModel::setOCRLanguageMode(ClipboardOCRLanguageMode mode) {
    ClipboardOCRConfiguration configuration = ocrConfiguration();
    configuration.mode = mode;
    AppPreferences(defaults_).setOCRConfiguration(configuration);
}

void AdvancedSettingsViewModel::setOCRLanguage(ClipboardOCRLanguage language) {
    ClipboardOCRConfiguration configuration = ocrConfiguration();
    configuration.language = language;
    AppPreferences(defaults_).setOCRConfiguration(configuration);
}

QList<ClipboardOCRLanguage> AdvancedSettingsViewModel::ocrLanguages() {
    QList<ClipboardOCRLanguage> languages;
    for (const auto& languageCase : clipboardOCRLanguageCases) languages.append(languageCase.value);
    return languages;
}

TextKey AdvancedSettingsViewModel::displayNameKey(ClipboardOCRLanguage language) {
    switch (language) {
    case ClipboardOCRLanguage::englishUS: return TextKey::ocrLanguageEnglish;
    case ClipboardOCRLanguage::simplifiedChinese: return TextKey::ocrLanguageSimplifiedChinese;
    case ClipboardOCRLanguage::traditionalChinese: return TextKey::ocrLanguageTraditionalChinese;
    case ClipboardOCRLanguage::japanese: return TextKey::ocrLanguageJapanese;
    case ClipboardOCRLanguage::korean: return TextKey::ocrLanguageKorean;
    }
    return TextKey::ocrLanguageEnglish;
}

bool AdvancedSettingsViewModel::isRecognitionLanguageInstalled(ClipboardOCRLanguage language) const {
    return services_.installedRecognitionLanguages &&
           services_.installedRecognitionLanguages().contains(rawValue(language));
}

QString AdvancedSettingsViewModel::recognitionNotice() const {
    const QStringList installed =
        services_.installedRecognitionLanguages ? services_.installedRecognitionLanguages() : QStringList();
    if (installed.isEmpty()) return localizer_.text(TextKey::settingsOcrNoLanguages);
    const ClipboardOCRConfiguration configuration = ocrConfiguration();
    if (configuration.mode == ClipboardOCRLanguageMode::specified && !installed.contains(rawValue(configuration.language))) {
        return localizer_.text(TextKey::settingsOcrLanguageMissing, {localizer_.text(displayNameKey(configuration.language))});
    }
    return {};
}

AccessibilityPermissionStatus AdvancedSettingsViewModel::accessibilityStatus() const {
    return services_.accessibility ? services_.accessibility->status() : AccessibilityPermissionStatus::unknown;
}

QString AdvancedSettingsViewModel::accessibilityStatusLine() const {
    switch (accessibilityStatus()) {
    case AccessibilityPermissionStatus::authorized: return localizer_.text(TextKey::settingsAccessibilityAvailable);
    case AccessibilityPermissionStatus::denied: return localizer_.text(TextKey::settingsAccessibilityStillUnavailable);
    case AccessibilityPermissionStatus::notDetermined: return localizer_.text(TextKey::settingsAccessibilityUnavailable);
    case AccessibilityPermissionStatus::unknown: return localizer_.text(TextKey::settingsAccessibilityUnknown);
    }
    return {};
}

bool AdvancedSettingsViewModel::canRequestAccessibility() const {
    const AccessibilityPermissionStatus status = accessibilityStatus();
    return status == AccessibilityPermissionStatus::denied || status == AccessibilityPermissionStatus::notDetermined;
}

void AdvancedSettingsViewModel::requestAccessibility() {
    if (!canRequestAccessibility()) return;
    // Stores the request (a defaults change), so the page re-reads the state after it.
    services_.accessibility->requestPermission();
    Q_EMIT changed();
}

bool AdvancedSettingsViewModel::hasSavedPanelPosition() const {
    // A malformed value counts too: resetting removes it as well.
    return defaults_.object(PreferenceKeys::clipboardPanelPosition).isValid();
}

void AdvancedSettingsViewModel::resetPanelPosition() { AppPreferences(defaults_).setClipboardPanelPosition(std::nullopt); }

} // namespace quellpad
