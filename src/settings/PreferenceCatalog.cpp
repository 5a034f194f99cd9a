#include "settings/PreferenceCatalog.h"

#include "settings/PreferenceKeys.h"

namespace quellpad {

QString preferenceTypeName(PreferenceType type) {
    switch (type) {
    case PreferenceType::boolean: return QStringLiteral("boolean");
    case PreferenceType::integer: return QStringLiteral("integer");
    case PreferenceType::floatingPoint: return QStringLiteral("double");
    case PreferenceType::string: return QStringLiteral("string");
    case PreferenceType::stringArray: return QStringLiteral("stringArray");
    case PreferenceType::dictionary: return QStringLiteral("dictionary");
    case PreferenceType::json: return QStringLiteral("json");
    case PreferenceType::bytes: return QStringLiteral("bytes");
    }
    return {};
}

const std::vector<PreferenceDescriptor>& preferenceCatalog() {
    using namespace PreferenceKeys;
    using T = PreferenceType;
    static const std::vector<PreferenceDescriptor> catalog{
        {appLanguage, T::string},
        {didCompleteOnboarding, T::boolean},
        {didPresentInitialSettingsWindow, T::boolean},
        {menuBarShowIcon, T::boolean},
        {menuBarStatusItemHiddenBySystem, T::boolean},
        {accessibilityPermissionPromptRequested, T::boolean},
        {directPasteReturnKeyAutoPasteEnabled, T::boolean},
        {textCaptureEnabled, T::boolean},
        {imageCaptureEnabled, T::boolean},
        {maxItemSizeInMB, T::integer},
        {imageOCREnabled, T::boolean},
        {ocrLanguageMode, T::string},
        {ocrSpecifiedLanguage, T::string},
        {ignoredAppBundleIdentifiers, T::stringArray},
        {ignoredAppDefaultsVersion, T::integer},
        {ignoredAppDefaultsApplied, T::boolean},
        {ignoredAppDefaultOptOut, T::stringArray},
        {textAutoCleanupPolicy, T::string},
        {imageAutoCleanupPolicy, T::string},
        {customDataDirectory, T::string},
        {customDataDirectoryBookmark, T::bytes},
        {searchPinyinIndexEnabled, T::boolean},
        {enabledSystemClassifications, T::stringArray},
        {enabledMainContentTypes, T::stringArray},
        {classificationUserRules, T::json},
        {directClipboardPresentationMode, T::string},
        {floatingClipboardListStyle, T::string},
        {clipboardPanelPosition, T::dictionary},
        {clipboardHistoryHotkey, T::json},
        {registeredHotkeys, T::json},
        {directPasteTerminalApplications, T::stringArray},
    };
    return catalog;
}

std::optional<PreferenceDescriptor> preferenceDescriptor(const QString& key) {
    for (const PreferenceDescriptor& descriptor : preferenceCatalog()) {
        if (descriptor.key == key) return descriptor;
    }
    return std::nullopt;
}

} // namespace quellpad
