// The one list of per-user defaults keys. Readers supply their own defaults at the
// point of reading; nothing is registered at launch.
#pragma once

#include <QString>

namespace quellpad::PreferenceKeys {

inline const QString appLanguage = QStringLiteral("AppLanguage");
inline const QString didCompleteOnboarding = QStringLiteral("DidCompleteOnboarding");
inline const QString didPresentInitialSettingsWindow = QStringLiteral("DidPresentInitialSettingsWindow");
inline const QString menuBarShowIcon = QStringLiteral("MenuBarShowIcon");
inline const QString menuBarStatusItemHiddenBySystem = QStringLiteral("MenuBarStatusItemHiddenBySystem");
inline const QString accessibilityPermissionPromptRequested = QStringLiteral("AccessibilityPermissionPromptRequested");
inline const QString directPasteReturnKeyAutoPasteEnabled = QStringLiteral("DirectPasteReturnKeyAutoPasteEnabled");
inline const QString textCaptureEnabled = QStringLiteral("ClipboardMonitorTextCaptureEnabled");
inline const QString imageCaptureEnabled = QStringLiteral("ClipboardMonitorImageCaptureEnabled");
inline const QString maxItemSizeInMB = QStringLiteral("ClipboardMonitorMaxItemSizeInMB");
inline const QString imageOCREnabled = QStringLiteral("ClipboardMonitorImageOCREnabled");
inline const QString ocrLanguageMode = QStringLiteral("ClipboardMonitorOCRLanguageMode");
inline const QString ocrSpecifiedLanguage = QStringLiteral("ClipboardMonitorOCRSpecifiedLanguage");
inline const QString ignoredAppBundleIdentifiers = QStringLiteral("ClipboardIgnoredAppBundleIdentifiers");
inline const QString ignoredAppDefaultsVersion = QStringLiteral("ClipboardIgnoredAppBundleIdentifiersDefaultsVersion");
inline const QString ignoredAppDefaultsApplied = QStringLiteral("ClipboardIgnoredAppBundleIdentifiersDefaultsApplied");
inline const QString ignoredAppDefaultOptOut = QStringLiteral("ClipboardIgnoredAppBundleIdentifiersDefaultOptOut");
inline const QString textAutoCleanupPolicy = QStringLiteral("ClipboardMonitorTextAutoCleanupPolicy");
inline const QString imageAutoCleanupPolicy = QStringLiteral("ClipboardMonitorImageAutoCleanupPolicy");
inline const QString customDataDirectory = QStringLiteral("CustomDataDirectory");
inline const QString customDataDirectoryBookmark = QStringLiteral("CustomDataDirectoryBookmark");
inline const QString searchPinyinIndexEnabled = QStringLiteral("ClipboardSearchPinyinIndexEnabled");
inline const QString enabledSystemClassifications = QStringLiteral("ClipboardClassificationEnabledSystemClassifications");
inline const QString enabledMainContentTypes = QStringLiteral("ClipboardClassificationEnabledMainContentTypes");
inline const QString classificationUserRules = QStringLiteral("ClipboardClassificationUserRules");
inline const QString directClipboardPresentationMode = QStringLiteral("DirectClipboardPresentationMode");
inline const QString floatingClipboardListStyle = QStringLiteral("FloatingClipboardListStyle");
inline const QString clipboardPanelPosition = QStringLiteral("ClipboardPanelPosition");
inline const QString clipboardHistoryHotkey = QStringLiteral("ClipboardHistoryHotkey");
inline const QString registeredHotkeys = QStringLiteral("RegisteredHotkeys");
// Linux: application ids that get Ctrl+Shift+V instead of Ctrl+V when pasting (terminals).
inline const QString directPasteTerminalApplications = QStringLiteral("DirectPasteTerminalApplications");

} // namespace quellpad::PreferenceKeys
