#include "app/FloatingPanelAssembly.h"

#include <algorithm>

#include "app/AccessibilityPermissionManager.h"
#include "floating/ClipboardFloatingAnchorResolver.h"
#include "floating/ClipboardPanelPresentationSelector.h"
#include "floating/FloatingClipboardPanelController.h"
#include "floating/TextCaretPositionDetector.h"
#include "panel/ClipboardDirectPaste.h"
#include "panel/ClipboardPanelViewModel.h"
#include "platform/QtScreens.h"

namespace quellpad {

namespace {
// QUELLPAD_CARET_DETECTION_BUDGET_MS (50 to 5000) gives slow or heavily loaded machines,
// such as a CI runner building in parallel, more time before the pointer fallback.
std::chrono::milliseconds caretDetectionBudget() {
    bool ok = false;
    const int milliseconds = qEnvironmentVariableIntValue("QUELLPAD_CARET_DETECTION_BUDGET_MS", &ok);
    if (!ok) return TextCaretPositionDetector::defaultBudget;
    return std::chrono::milliseconds(std::clamp(milliseconds, 50, 5000));
}
} // namespace

namespace {

QString statusName(AccessibilityPermissionStatus status) {
    switch (status) {
    case AccessibilityPermissionStatus::authorized: return QStringLiteral("authorized");
    case AccessibilityPermissionStatus::denied: return QStringLiteral("denied");
    case AccessibilityPermissionStatus::notDetermined: return QStringLiteral("notDetermined");
    case AccessibilityPermissionStatus::unknown: break;
    }
    return QStringLiteral("unknown");
}

} // namespace

FloatingPanelAssembly::FloatingPanelAssembly(ClipboardPanelControllerServices services,
                                             std::shared_ptr<ClipboardHistoryManagerProtocol> history,
                                             std::shared_ptr<ClipboardSearchServiceProtocol> search,
                                             OneShotTimerScheduler& timers, AccessibilityService* accessibility,
                                             const AccessibilityPermissionManager& permission,
                                             ClipboardPanelPresenting& centered,
                                             const FloatingClipboardPanelWindowFactory& factory,
                                             bool windowsPlaceable)
    : screens_(std::make_unique<QtScreens>()) {
    if (accessibility) {
        detector_ = std::make_unique<TextCaretPositionDetector>(*accessibility, *screens_, TextCaretPositionDetector::TextWidthMeasurer{},
                                                                caretDetectionBudget());
    }
    resolver_ = std::make_unique<ClipboardFloatingAnchorResolver>(
        [&permission] { return statusName(permission.status()); }, detector_.get(), *screens_);
    viewModel_ = std::make_unique<ClipboardPanelViewModel>(std::move(history), std::move(search), services.defaults,
                                                           timers, services.localizer);
    DefaultsStore& defaults = services.defaults;
    const DistributionChannel channel = services.channel;
    ClipboardDirectPaste* directPaste = services.directPaste;
    actions_ = std::make_unique<ClipboardPanelController>(*viewModel_, std::move(services));
    auto target = [directPaste] {
        FloatingAnchorTarget result;
        if (const auto window = directPaste ? directPaste->rememberedWindow() : std::nullopt) {
            result.applicationId = window->applicationId;
            result.processIdentifier = window->processIdentifier;
        }
        return result;
    };
    floating_ = std::make_unique<FloatingClipboardPanelController>(
        *actions_, FloatingClipboardPanelServices{*screens_, timers, defaults, channel, *resolver_, target});
    widgets_ = factory(*floating_, *actions_);
    selector_ = std::make_unique<ClipboardPanelPresentationSelector>(centered, floating_.get(), defaults, channel,
                                                                     windowsPlaceable);
}

FloatingPanelAssembly::~FloatingPanelAssembly() {
    selector_.reset();
    widgets_.reset(); // before the controllers they hold
    floating_.reset();
    actions_.reset();
}

ClipboardPanelPresenting& FloatingPanelAssembly::presenting() const {
    return *selector_;
}

void FloatingPanelAssembly::setServices(std::shared_ptr<ClipboardHistoryManagerProtocol> history,
                                        std::shared_ptr<ClipboardSearchServiceProtocol> search) {
    actions_->dismiss();
    viewModel_->setServices(std::move(history), std::move(search));
}

void FloatingPanelAssembly::dismiss() {
    actions_->dismiss();
}

} // namespace quellpad
