// The floating panel's parts, built next to the centered panel's: its own view model
// and action controller, caret detection, anchor resolution, the controller and its
// widgets, and the selector that lets the shortcut open the panel the settings choose.
// Main thread only; dropped before the services it borrows.
#pragma once

#include <memory>

#include "floating/FloatingClipboardPanelWindowing.h"
#include "panel/ClipboardPanelController.h"

namespace quellpad {

class AccessibilityPermissionManager;
class AccessibilityService;
class ClipboardFloatingAnchorResolver;
class ClipboardHistoryManagerProtocol;
class ClipboardPanelPresentationSelector;
class ClipboardPanelPresenting;
class ClipboardPanelViewModel;
class ClipboardSearchServiceProtocol;
class FloatingClipboardPanelController;
class OneShotTimerScheduler;
class QtScreens;
class TextCaretPositionDetector;

class FloatingPanelAssembly {
public:
    // accessibility may be null (no caret: the pointer anchors the panel).
    FloatingPanelAssembly(ClipboardPanelControllerServices services,
                          std::shared_ptr<ClipboardHistoryManagerProtocol> history,
                          std::shared_ptr<ClipboardSearchServiceProtocol> search, OneShotTimerScheduler& timers,
                          AccessibilityService* accessibility, const AccessibilityPermissionManager& permission,
                          ClipboardPanelPresenting& centered, const FloatingClipboardPanelWindowFactory& factory,
                          bool windowsPlaceable = true);
    ~FloatingPanelAssembly();

    // What the shortcut toggles: the floating or the centered panel.
    ClipboardPanelPresenting& presenting() const;
    FloatingClipboardPanelController& controller() const { return *floating_; }
    void setServices(std::shared_ptr<ClipboardHistoryManagerProtocol> history,
                     std::shared_ptr<ClipboardSearchServiceProtocol> search);
    void dismiss();

private:
    std::unique_ptr<QtScreens> screens_;
    std::unique_ptr<TextCaretPositionDetector> detector_;
    std::unique_ptr<ClipboardFloatingAnchorResolver> resolver_;
    std::unique_ptr<ClipboardPanelViewModel> viewModel_;
    std::unique_ptr<ClipboardPanelController> actions_;
    std::unique_ptr<FloatingClipboardPanelController> floating_;
    std::unique_ptr<QObject> widgets_;
    std::unique_ptr<ClipboardPanelPresentationSelector> selector_;
};

} // namespace quellpad
