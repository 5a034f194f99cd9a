// Typed accessors for every per-user setting, each with the reader's own default.
// Values are read at the moment of use, so changes take effect without notification.
// Reading rules: a Boolean or integer that is missing or of another type gives the
// default (a string "1" is not a Boolean); enumerations match their raw values exactly.
#pragma once

#include <optional>

#include <QByteArray>
#include <QPointF>
#include <QString>
#include <QStringList>

#include "settings/DistributionChannel.h"
#include "settings/PanelPresentation.h"
#include "settings/ClipboardOCRConfiguration.h"
#include "settings/ClipboardAutoCleanupPolicy.h"

namespace quellpad {

class DefaultsStore;

class AppPreferences {
public:
    explicit AppPreferences(DefaultsStore& defaults) : defaults_(defaults) {}

    DefaultsStore& defaults() const { return defaults_; }

    // Onboarding: "DidCompleteOnboarding", falling back to "DidPresentInitialSettingsWindow".
    bool didCompleteOnboarding() const;
    void markOnboardingCompleted();

    bool menuBarShowIcon() const;
    // Writing false also resets "MenuBarStatusItemHiddenBySystem" when it was true.
    void setMenuBarShowIcon(bool shows);
    bool menuBarStatusItemHiddenBySystem() const;
    void setMenuBarStatusItemHiddenBySystem(bool hidden);

    bool accessibilityPermissionPromptRequested() const;
    void setAccessibilityPermissionPromptRequested(bool requested);
    bool directPasteReturnKeyAutoPasteEnabled() const;
    void setDirectPasteReturnKeyAutoPasteEnabled(bool enabled);

    bool textCaptureEnabled() const;
    void setTextCaptureEnabled(bool enabled);
    bool imageCaptureEnabled() const;
    void setImageCaptureEnabled(bool enabled);
    // Megabytes, clamped to 1...500; 10 when absent or not an integer.
    qint64 maxItemSizeInMB() const;
    void setMaxItemSizeInMB(qint64 megabytes);
    qint64 maxItemSizeInBytes() const { return maxItemSizeInMB() * 1'048'576; }
    bool imageOCREnabled() const;
    void setImageOCREnabled(bool enabled);
    ClipboardOCRConfiguration ocrConfiguration() const;
    void setOCRConfiguration(const ClipboardOCRConfiguration& configuration);

    QStringList ignoredAppBundleIdentifiers() const;
    void setIgnoredAppBundleIdentifiers(const QStringList& identifiers);
    qint64 ignoredAppDefaultsVersion() const;
    void setIgnoredAppDefaultsVersion(qint64 version);
    bool ignoredAppDefaultsApplied() const;
    void setIgnoredAppDefaultsApplied(bool applied);
    QStringList ignoredAppDefaultOptOut() const;
    void setIgnoredAppDefaultOptOut(const QStringList& identifiers);

    ClipboardAutoCleanupPolicy textAutoCleanupPolicy() const;
    void setTextAutoCleanupPolicy(ClipboardAutoCleanupPolicy policy);
    ClipboardAutoCleanupPolicy imageAutoCleanupPolicy() const;
    void setImageAutoCleanupPolicy(ClipboardAutoCleanupPolicy policy);

    bool searchPinyinIndexEnabled() const;
    void setSearchPinyinIndexEnabled(bool enabled);

    // Outside the `direct` channel these are always centered / standard.
    DirectClipboardPresentationMode presentationMode(DistributionChannel channel) const;
    void setPresentationMode(DirectClipboardPresentationMode mode);
    FloatingClipboardListStyle floatingListStyle(DistributionChannel channel) const;
    void setFloatingListStyle(FloatingClipboardListStyle style);

    // The centered panel's saved frame origin, when {"x": number, "y": number} is stored.
    std::optional<QPointF> clipboardPanelPosition() const;
    void setClipboardPanelPosition(std::optional<QPointF> origin);

    std::optional<QByteArray> clipboardHistoryHotkeyData() const;
    void setClipboardHistoryHotkeyData(std::optional<QByteArray> data);

private:
    bool boolean(const QString& key, bool defaultValue) const;

    DefaultsStore& defaults_;
};

} // namespace quellpad
