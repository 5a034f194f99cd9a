#include "app/OnboardingViewModel.h"

#include "Core/Utilities/Logger.h"
#include "app/ShortcutSettings.h"
#include "hotkey/KeyCombo.h"
#include "localization/Localizer.h"
#include "platform/DefaultsStore.h"
#include "settings/AppPreferences.h"

namespace quellpad {

namespace {
const QString category = QStringLiteral("Onboarding");
}

OnboardingViewModel::OnboardingViewModel(DefaultsStore& defaults, const Localizer& localizer, Services services,
                                         QObject* parent)
    : QObject(parent), defaults_(defaults), localizer_(localizer), services_(std::move(services)),
      shortcut_(std::make_unique<ShortcutSettings>(defaults, localizer, services_.timers, services_.panelCoordinator)),
      pages_(pagesForDesktop()) {
    connect(shortcut_.get(), &ShortcutSettings::changed, this, &OnboardingViewModel::changed);
    // The language, and the mode changed in the settings meanwhile.
    connect(&defaults_, &DefaultsStore::changed, this, &OnboardingViewModel::changed);
}

OnboardingViewModel::~OnboardingViewModel() = default;

QList<OnboardingViewModel::Page> OnboardingViewModel::pagesForDesktop() const {
    QList<Page> pages{Page::shortcut, Page::accessibility};
    if (services_.isTrayAvailable && !services_.isTrayAvailable()) pages.append(Page::tray);
    pages.append(Page::done);
    return pages;
}

void OnboardingViewModel::next() {
    if (isLastPage()) return;
    ++current_;
    Q_EMIT changed();
}

void OnboardingViewModel::back() {
    if (current_ == 0) return;
    --current_;
    Q_EMIT changed();
}

void OnboardingViewModel::restart() {
    pages_ = pagesForDesktop();
    current_ = 0;
    Q_EMIT changed();
}

AccessibilityPermissionStatus OnboardingViewModel::accessibilityStatus() const {
    return services_.accessibility ? services_.accessibility->status() : AccessibilityPermissionStatus::unknown;
}

QString OnboardingViewModel::accessibilityText() const {
    switch (accessibilityStatus()) {
    case AccessibilityPermissionStatus::authorized: return localizer_.text(TextKey::onboardingAccessibilityAuthorized);
    case AccessibilityPermissionStatus::denied:
    case AccessibilityPermissionStatus::notDetermined: return localizer_.text(TextKey::onboardingAccessibilityOff);
    case AccessibilityPermissionStatus::unknown: break;
    }
    return localizer_.text(TextKey::settingsAccessibilityUnavailable);
}

bool OnboardingViewModel::canRequestAccessibility() const {
    return services_.accessibility && accessibilityStatus() != AccessibilityPermissionStatus::authorized;
}

void OnboardingViewModel::requestAccessibility() {
    if (!services_.accessibility) return;
    services_.accessibility->requestPermission();
    Q_EMIT changed();
}

DirectClipboardPresentationMode OnboardingViewModel::presentationMode() const {
    return AppPreferences(defaults_).presentationMode(services_.channel);
}

void OnboardingViewModel::setPresentationMode(DirectClipboardPresentationMode mode) {
    if (offersPresentationChoice()) AppPreferences(defaults_).setPresentationMode(mode);
}

QString OnboardingViewModel::openHint() const {
    const std::optional<KeyCombo> stored = shortcut_->storedShortcut();
    return localizer_.text(TextKey::onboardingDoneBody,
                           {stored ? stored->desktopText() : QStringLiteral("`quellpad toggle`")});
}

void OnboardingViewModel::finish() {
    AppPreferences preferences(defaults_);
    if (!shortcut_->storedShortcut()) {
        // Registered too when possible, so the shortcut the last page names works now.
        if (!shortcut_->resetToDefault()) {
            Logger::warning(QStringLiteral("Default clipboard hotkey not available now; stored for the next start"),
                            category);
            preferences.setClipboardHistoryHotkeyData(KeyCombo::defaultClipboardHotkey().toJson());
        }
    }
    if (!preferences.textCaptureEnabled() && !preferences.imageCaptureEnabled()) {
        preferences.setTextCaptureEnabled(true);
    }
    preferences.markOnboardingCompleted();
    Logger::info(QStringLiteral("Onboarding completed"), category);
    if (services_.finished) services_.finished();
}

} // namespace quellpad
