#include "settings/AppPreferences.h"

#include <QVariantMap>

#include "settings/PreferenceKeys.h"
#include "platform/DefaultsStore.h"

namespace quellpad {

namespace K = PreferenceKeys;

bool AppPreferences::boolean(const QString& key, bool defaultValue) const {
    return defaults_.boolValue(key).value_or(defaultValue);
}

bool AppPreferences::didCompleteOnboarding() const {
    if (std::optional<bool> completed = defaults_.boolValue(K::didCompleteOnboarding)) {
        return *completed;
    }
    return boolean(K::didPresentInitialSettingsWindow, false);
}

void AppPreferences::markOnboardingCompleted() {
    defaults_.set(K::didCompleteOnboarding, true);
    defaults_.set(K::didPresentInitialSettingsWindow, true);
}

bool AppPreferences::menuBarShowIcon() const { return boolean(K::menuBarShowIcon, true); }

void AppPreferences::setMenuBarShowIcon(bool shows) {
    defaults_.set(K::menuBarShowIcon, shows);
    if (!shows && menuBarStatusItemHiddenBySystem()) {
        defaults_.set(K::menuBarStatusItemHiddenBySystem, false);
    }
}

bool AppPreferences::menuBarStatusItemHiddenBySystem() const { return boolean(K::menuBarStatusItemHiddenBySystem, false); }
void AppPreferences::setMenuBarStatusItemHiddenBySystem(bool hidden) { defaults_.set(K::menuBarStatusItemHiddenBySystem, hidden); }

bool AppPreferences::accessibilityPermissionPromptRequested() const { return boolean(K::accessibilityPermissionPromptRequested, false); }
void AppPreferences::setAccessibilityPermissionPromptRequested(bool requested) { defaults_.set(K::accessibilityPermissionPromptRequested, requested); }
bool AppPreferences::directPasteReturnKeyAutoPasteEnabled() const { return boolean(K::directPasteReturnKeyAutoPasteEnabled, false); }
void AppPreferences::setDirectPasteReturnKeyAutoPasteEnabled(bool enabled) { defaults_.set(K::directPasteReturnKeyAutoPasteEnabled, enabled); }

bool AppPreferences::textCaptureEnabled() const { return boolean(K::textCaptureEnabled, true); }
void AppPreferences::setTextCaptureEnabled(bool enabled) { defaults_.set(K::textCaptureEnabled, enabled); }
bool AppPreferences::imageCaptureEnabled() const { return boolean(K::imageCaptureEnabled, true); }
void AppPreferences::setImageCaptureEnabled(bool enabled) { defaults_.set(K::imageCaptureEnabled, enabled); }

qint64 AppPreferences::maxItemSizeInMB() const {
    const std::optional<qint64> stored = defaults_.integerValue(K::maxItemSizeInMB);
    if (!stored) {
        return 10;
    }
    if (*stored < 2) {
        return 1;
    }
    return *stored > 500 ? 500 : *stored;
}

void AppPreferences::setMaxItemSizeInMB(qint64 megabytes) { defaults_.set(K::maxItemSizeInMB, megabytes); }

bool AppPreferences::imageOCREnabled() const { return boolean(K::imageOCREnabled, true); }
void AppPreferences::setImageOCREnabled(bool enabled) { defaults_.set(K::imageOCREnabled, enabled); }

ClipboardOCRConfiguration AppPreferences::ocrConfiguration() const {
    ClipboardOCRConfiguration configuration;
    const QString mode = defaults_.stringValue(K::ocrLanguageMode).value_or(QString());
    configuration.mode = mode == QStringLiteral("automatic") ? ClipboardOCRLanguageMode::automatic
                                                              : ClipboardOCRLanguageMode::specified;
    const QString language = defaults_.stringValue(K::ocrSpecifiedLanguage).value_or(QString());
    configuration.language =
        caseFromRawValue(clipboardOCRLanguageCases, language).value_or(ClipboardOCRLanguage::englishUS);
    return configuration;
}

void AppPreferences::setOCRConfiguration(const ClipboardOCRConfiguration& configuration) {
    defaults_.set(K::ocrLanguageMode, rawValue(configuration.mode));
    defaults_.set(K::ocrSpecifiedLanguage, rawValue(configuration.language));
}

QStringList AppPreferences::ignoredAppBundleIdentifiers() const {
    return defaults_.stringArrayValue(K::ignoredAppBundleIdentifiers).value_or(QStringList());
}
void AppPreferences::setIgnoredAppBundleIdentifiers(const QStringList& identifiers) {
    defaults_.set(K::ignoredAppBundleIdentifiers, identifiers);
}
qint64 AppPreferences::ignoredAppDefaultsVersion() const {
    return defaults_.integerValue(K::ignoredAppDefaultsVersion).value_or(0);
}
void AppPreferences::setIgnoredAppDefaultsVersion(qint64 version) { defaults_.set(K::ignoredAppDefaultsVersion, version); }
bool AppPreferences::ignoredAppDefaultsApplied() const { return boolean(K::ignoredAppDefaultsApplied, false); }
void AppPreferences::setIgnoredAppDefaultsApplied(bool applied) { defaults_.set(K::ignoredAppDefaultsApplied, applied); }
QStringList AppPreferences::ignoredAppDefaultOptOut() const {
    return defaults_.stringArrayValue(K::ignoredAppDefaultOptOut).value_or(QStringList());
}
void AppPreferences::setIgnoredAppDefaultOptOut(const QStringList& identifiers) {
    defaults_.set(K::ignoredAppDefaultOptOut, identifiers);
}

namespace {

ClipboardAutoCleanupPolicy readPolicy(const DefaultsStore& defaults, const QString& key) {
    const QString raw = defaults.stringValue(key).value_or(QString());
    return caseFromRawValue(clipboardAutoCleanupPolicyCases, raw).value_or(ClipboardAutoCleanupPolicy::never);
}

} // namespace

ClipboardAutoCleanupPolicy AppPreferences::textAutoCleanupPolicy() const { return readPolicy(defaults_, K::textAutoCleanupPolicy); }
void AppPreferences::setTextAutoCleanupPolicy(ClipboardAutoCleanupPolicy policy) { defaults_.set(K::textAutoCleanupPolicy, rawValue(policy)); }
ClipboardAutoCleanupPolicy AppPreferences::imageAutoCleanupPolicy() const { return readPolicy(defaults_, K::imageAutoCleanupPolicy); }
void AppPreferences::setImageAutoCleanupPolicy(ClipboardAutoCleanupPolicy policy) { defaults_.set(K::imageAutoCleanupPolicy, rawValue(policy)); }

bool AppPreferences::searchPinyinIndexEnabled() const { return boolean(K::searchPinyinIndexEnabled, false); }
void AppPreferences::setSearchPinyinIndexEnabled(bool enabled) { defaults_.set(K::searchPinyinIndexEnabled, enabled); }

DirectClipboardPresentationMode AppPreferences::presentationMode(DistributionChannel channel) const {
    if (channel != DistributionChannel::direct) {
        return DirectClipboardPresentationMode::centered;
    }
    const QString raw = defaults_.stringValue(K::directClipboardPresentationMode).value_or(QString());
    return caseFromRawValue(directClipboardPresentationModeCases, raw).value_or(DirectClipboardPresentationMode::centered);
}

void AppPreferences::setPresentationMode(DirectClipboardPresentationMode mode) {
    defaults_.set(K::directClipboardPresentationMode, rawValueOf(directClipboardPresentationModeCases, mode));
}

FloatingClipboardListStyle AppPreferences::floatingListStyle(DistributionChannel channel) const {
    if (channel != DistributionChannel::direct) {
        return FloatingClipboardListStyle::standard;
    }
    const QString raw = defaults_.stringValue(K::floatingClipboardListStyle).value_or(QString());
    return caseFromRawValue(floatingClipboardListStyleCases, raw).value_or(FloatingClipboardListStyle::standard);
}

void AppPreferences::setFloatingListStyle(FloatingClipboardListStyle style) {
    defaults_.set(K::floatingClipboardListStyle, rawValueOf(floatingClipboardListStyleCases, style));
}

std::optional<QPointF> AppPreferences::clipboardPanelPosition() const {
    const std::optional<QVariantMap> stored = defaults_.dictionaryValue(K::clipboardPanelPosition);
    if (!stored) {
        return std::nullopt;
    }
    auto number = [&](const QString& name) -> std::optional<double> {
        const QVariant value = stored->value(name);
        const int type = value.metaType().id();
        if (type == QMetaType::Double || type == QMetaType::LongLong) {
            return value.toDouble();
        }
        return std::nullopt;
    };
    const std::optional<double> x = number(QStringLiteral("x"));
    const std::optional<double> y = number(QStringLiteral("y"));
    if (!x || !y) {
        return std::nullopt;
    }
    return QPointF(*x, *y);
}

void AppPreferences::setClipboardPanelPosition(std::optional<QPointF> origin) {
    if (!origin) {
        defaults_.remove(K::clipboardPanelPosition);
        return;
    }
    defaults_.set(K::clipboardPanelPosition, QVariantMap{{QStringLiteral("x"), origin->x()}, {QStringLiteral("y"), origin->y()}});
}

std::optional<QByteArray> AppPreferences::clipboardHistoryHotkeyData() const {
    return defaults_.bytesValue(K::clipboardHistoryHotkey);
}

void AppPreferences::setClipboardHistoryHotkeyData(std::optional<QByteArray> data) {
    if (data) {
        defaults_.set(K::clipboardHistoryHotkey, *data);
    } else {
        defaults_.remove(K::clipboardHistoryHotkey);
    }
}

} // namespace quellpad
