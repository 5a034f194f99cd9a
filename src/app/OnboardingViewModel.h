// The first-run guide: the panel shortcut (recordable), whether the accessibility bus
// is on, a note when the desktop has no tray, and a last page whose button marks
// onboarding complete. Shown at launch until completed, from the tray's "Show
// Onboarding" and on a second launch while not completed.
#pragma once

#include <functional>
#include <memory>

#include <QList>
#include <QObject>
#include <QString>

#include "app/AccessibilityPermissionManager.h"
#include "app/ShortcutSettings.h"
#include "settings/DistributionChannel.h"
#include "settings/PanelPresentation.h"

namespace quellpad {

class ClipboardPanelCoordinator;
class DefaultsStore;
class Localizer;
class OneShotTimerScheduler;
class ShortcutSettings;

class OnboardingViewModel final : public QObject {
    Q_OBJECT
public:
    enum class Page { shortcut, accessibility, tray, done };
    struct Services {
        OneShotTimerScheduler& timers;
        ClipboardPanelCoordinator* panelCoordinator = nullptr;
        AccessibilityPermissionManager* accessibility = nullptr;
        // Absent: a tray is assumed.
        std::function<bool()> isTrayAvailable;
        DistributionChannel channel = DistributionChannel::direct;
        // Run after finishing (the window closes).
        std::function<void()> finished;
    };

    OnboardingViewModel(DefaultsStore& defaults, const Localizer& localizer, Services services,
                        QObject* parent = nullptr);
    ~OnboardingViewModel() override;

    const Localizer& localizer() const { return localizer_; }
    ShortcutSettings& shortcut() { return *shortcut_; }

    // The tray page only when the desktop has no tray (read when the guide starts).
    const QList<Page>& pages() const { return pages_; }
    int currentIndex() const { return current_; }
    Page currentPage() const { return pages_.at(current_); }
    bool isLastPage() const { return current_ == pages_.size() - 1; }
    void next();
    void back();
    // Back to the first page, the tray re-checked (the guide is opened again).
    void restart();

    AccessibilityPermissionStatus accessibilityStatus() const;
    QString accessibilityText() const;
    bool canRequestAccessibility() const;
    void requestAccessibility();

    bool offersPresentationChoice() const { return services_.channel == DistributionChannel::direct; }
    DirectClipboardPresentationMode presentationMode() const;
    // Written at once, in the direct channel only.
    void setPresentationMode(DirectClipboardPresentationMode mode);

    // "How to open it" on the last page: the shortcut, or `quellpad toggle` without one.
    QString openHint() const;

    // Keeps a shortcut and text capture on, marks onboarding complete, closes the guide.
    void finish();

Q_SIGNALS:
    void changed();

private:
    QList<Page> pagesForDesktop() const;

    DefaultsStore& defaults_;
    const Localizer& localizer_;
    Services services_;
    std::unique_ptr<ShortcutSettings> shortcut_;
    QList<Page> pages_;
    int current_ = 0;
};

} // namespace quellpad
