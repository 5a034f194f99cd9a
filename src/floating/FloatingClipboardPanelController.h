// The floating panel: opens beside the caret (or the pointer) rather than centred, and
// shows a preview bubble beside the list instead of a detail pane. The items' actions
// and keys are the centered panel's (a ClipboardPanelController drives them); this
// class stands between that controller and the widgets as its window, and adds what
// differs: the anchor is resolved in a deferred step after the shortcut's key event
// has finished, the panel is placed from it, and the bubble follows the selection
// 0.08 s after it settles. Hiding cancels every pending step. Main thread only.
#pragma once

#include <functional>
#include <memory>
#include <optional>

#include <QObject>
#include <QRectF>

#include "floating/ClipboardFloatingAnchorResolver.h"
#include "floating/FloatingClipboardPanelWindowing.h"
#include "panel/ClipboardPanelKeyMap.h"
#include "panel/ClipboardPanelPresenting.h"
#include "panel/ClipboardPanelWindowing.h"
#include "settings/DistributionChannel.h"

namespace quellpad {

class ClipboardPanelController;
class DefaultsStore;
class OneShotTimerScheduler;
class ScheduledTimer;
class Screens;

struct FloatingClipboardPanelServices {
    const Screens& screens;
    OneShotTimerScheduler& timers;
    DefaultsStore& defaults;
    DistributionChannel channel = DistributionChannel::unknown;
    const ClipboardFloatingAnchorResolver& anchorResolver;
    // The application the panel opens over (the remembered window), for the caret rules.
    std::function<FloatingAnchorTarget()> target;
};

class FloatingClipboardPanelController final : public QObject,
                                               public ClipboardPanelPresenting,
                                               public ClipboardPanelWindowing {
    Q_OBJECT
public:
    static constexpr double automaticPreviewDelaySeconds = 0.08;

    // Becomes actions' window.
    FloatingClipboardPanelController(ClipboardPanelController& actions, FloatingClipboardPanelServices services,
                                     QObject* parent = nullptr);
    ~FloatingClipboardPanelController() override;

    void setWindow(FloatingClipboardPanelWindowing* window) { window_ = window; }
    ClipboardPanelController& actions() const { return actions_; }

    // ClipboardPanelPresenting: visible from the moment showing is scheduled.
    bool isVisible() const override { return isWindowVisible(); }
    void show() override;
    void hide() override;

    // A key in the panel; navigation keys let the bubble follow the selection.
    bool handleKey(ClipboardPanelKeyCommand command);
    // The widgets lost the focus to another window (a click elsewhere).
    void focusLeft();
    // The bubble, on demand: shown for the selected row, or hidden when it shows.
    void togglePreview();

    bool isShowPending() const { return static_cast<bool>(pendingShow_); }
    bool isPreviewPending() const { return static_cast<bool>(pendingPreview_); }
    ClipboardResultListRowStyle rowStyle() const;

    // ClipboardPanelWindowing, as the actions controller sees the floating widgets.
    bool isWindowVisible() const override;
    void showWindow() override;
    void hideWindow() override;
    void clearSearchField() override;
    void setSearchFieldText(const QString& text, qsizetype cursor) override;
    std::optional<QString> detailFormattedText(const QString& itemId) const override;
    bool isDetailFormattingEnabled() const override;
    void setDetailFormattingEnabled(bool enabled) override;
    QString searchFieldSelectedText() const override;
    void openActionsMenuForSelectedRow() override;

Q_SIGNALS:
    // The panel was placed and shown (tests and the benchmark wait for it).
    void panelPresented(const FloatingClipboardAnchor& anchor, const QRectF& frame);
    void previewChanged(bool visible);

private:
    void presentAtAnchor();
    void schedulePreview();
    void presentPreview();
    void cancelPreview();

    ClipboardPanelController& actions_;
    FloatingClipboardPanelServices services_;
    FloatingClipboardPanelWindowing* window_ = nullptr;
    std::unique_ptr<ScheduledTimer> pendingShow_;
    std::unique_ptr<ScheduledTimer> pendingPreview_;
    // The bubble follows the next selection: after opening, after typing, after a key.
    bool isAutomaticPreviewArmed_ = false;
};

} // namespace quellpad
