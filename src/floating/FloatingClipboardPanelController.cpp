#include "floating/FloatingClipboardPanelController.h"

#include "Core/Utilities/Logger.h"
#include "floating/DesktopCoordinateSpace.h"
#include "floating/FloatingClipboardPositionCalculator.h"
#include "panel/ClipboardPanelController.h"
#include "panel/ClipboardPanelViewModel.h"
#include "platform/OneShotTimer.h"
#include "platform/Screens.h"
#include "settings/AppPreferences.h"

namespace quellpad {

namespace {

const QString category = QStringLiteral("FloatingClipboardPanelController");

QString pointText(const QPointF& point) {
    return QStringLiteral("x=%1, y=%2").arg(qRound(point.x())).arg(qRound(point.y()));
}

} // namespace

FloatingClipboardPanelController::FloatingClipboardPanelController(ClipboardPanelController& actions,
                                                                   FloatingClipboardPanelServices services,
                                                                   QObject* parent)
    : QObject(parent), actions_(actions), services_(std::move(services)) {
    actions_.setWindow(this);
    ClipboardPanelViewModel& model = actions_.viewModel();
    auto follow = [this] {
        if (isWindowVisible() && (isAutomaticPreviewArmed_ || (window_ && window_->isPreviewVisible()))) {
            schedulePreview();
        }
    };
    connect(&model, &ClipboardPanelViewModel::selectedIndexChanged, this, follow);
    connect(&model, &ClipboardPanelViewModel::clipboardItemsChanged, this, follow);
    // Results of a new search bring the bubble back for their first row.
    connect(&model, &ClipboardPanelViewModel::searchTextChanged, this, [this] { isAutomaticPreviewArmed_ = true; });
}

FloatingClipboardPanelController::~FloatingClipboardPanelController() {
    actions_.setWindow(nullptr);
}

ClipboardResultListRowStyle FloatingClipboardPanelController::rowStyle() const {
    return AppPreferences(services_.defaults).floatingListStyle(services_.channel) == FloatingClipboardListStyle::compact
               ? ClipboardResultListRowStyle::compact
               : ClipboardResultListRowStyle::standard;
}

void FloatingClipboardPanelController::show() {
    actions_.show();
}

void FloatingClipboardPanelController::hide() {
    actions_.dismiss();
}

bool FloatingClipboardPanelController::isWindowVisible() const {
    return pendingShow_ || (window_ && window_->isPanelVisible());
}

void FloatingClipboardPanelController::showWindow() {
    pendingShow_.reset();
    cancelPreview();
    if (window_) window_->setRowStyle(rowStyle());
    Logger::info(QStringLiteral("[FloatingPanel] Scheduling deferred anchor resolution before showing floating panel"),
                 category);
    // The shortcut's key event finishes first; caret detection may then block briefly.
    pendingShow_ = services_.timers.schedule(0, [this] {
        pendingShow_.reset();
        presentAtAnchor();
    });
}

void FloatingClipboardPanelController::presentAtAnchor() {
    const FloatingAnchorTarget target = services_.target ? services_.target() : FloatingAnchorTarget{};
    const FloatingClipboardAnchor anchor = services_.anchorResolver.resolveAnchor(target);
    const std::vector<ScreenFrame> screens = services_.screens.screens();
    const FloatingClipboardPositionCalculator calculator(screens);
    QPointF origin;
    if (anchor.kind == FloatingClipboardAnchor::Kind::caret) {
        origin = calculator.originForCaretRect(anchor.caret);
        Logger::info(QStringLiteral("[FloatingPanel] Showing with caret anchor ") + pointText(anchor.caret.topLeft()) +
                         QStringLiteral(" origin ") + pointText(origin),
                     category);
    } else {
        origin = calculator.originForMouseAnchor(anchor.mouse);
        Logger::info(QStringLiteral("[FloatingPanel] Showing with mouse anchor ") + pointText(anchor.mouse) +
                         QStringLiteral(" origin ") + pointText(origin),
                     category);
    }
    const QRectF frame =
        DesktopCoordinateSpace(screens).toDesktop(QRectF(origin, FloatingClipboardPositionCalculator::panelSize));
    isAutomaticPreviewArmed_ = true;
    if (window_) window_->showPanelAt(frame);
    Q_EMIT panelPresented(anchor, frame);
    if (!actions_.viewModel().clipboardItems().empty()) schedulePreview();
}

void FloatingClipboardPanelController::hideWindow() {
    pendingShow_.reset();
    cancelPreview();
    isAutomaticPreviewArmed_ = false;
    if (window_) window_->hidePanel();
}

bool FloatingClipboardPanelController::handleKey(ClipboardPanelKeyCommand command) {
    using C = ClipboardPanelKeyCommand;
    if (command == C::selectNext || command == C::selectPrevious || command == C::pageDown || command == C::pageUp) {
        isAutomaticPreviewArmed_ = true;
    }
    return actions_.handleKey(command);
}

void FloatingClipboardPanelController::focusLeft() {
    if (window_ && window_->isPanelVisible()) {
        Logger::info(QStringLiteral("[FloatingPanel] Focus moved elsewhere; hiding"), category);
        actions_.dismiss();
    }
}

void FloatingClipboardPanelController::togglePreview() {
    if (window_ && window_->isPreviewVisible()) {
        cancelPreview();
        isAutomaticPreviewArmed_ = false;
        return;
    }
    pendingPreview_.reset();
    presentPreview();
}

void FloatingClipboardPanelController::schedulePreview() {
    // A newer selection replaces the pending one: only the last of rapid moves shows.
    pendingPreview_ = services_.timers.schedule(automaticPreviewDelaySeconds, [this] {
        pendingPreview_.reset();
        presentPreview();
    });
}

void FloatingClipboardPanelController::presentPreview() {
    if (!window_ || !window_->isPanelVisible()) return;
    const std::optional<QRectF> row = window_->selectedRowFrame();
    const std::vector<ScreenFrame> screens = services_.screens.screens();
    const DesktopCoordinateSpace space(screens);
    std::optional<FloatingClipboardPreviewPlacement> placement;
    if (row && actions_.contentMode() == ClipboardResultListContentMode::history) {
        placement = FloatingClipboardPreviewPlacement::compute(FloatingClipboardPositionCalculator(screens),
                                                               space.toYUp(window_->panelFrame()), space.toYUp(*row),
                                                               window_->preferredPreviewSize());
    }
    if (!placement) {
        const bool wasVisible = window_->isPreviewVisible();
        window_->hidePreview();
        if (wasVisible) Q_EMIT previewChanged(false);
        return;
    }
    isAutomaticPreviewArmed_ = false;
    window_->showPreview(space.toDesktop(placement->frame), placement->arrowSide, placement->arrowCenterY);
    Q_EMIT previewChanged(true);
}

void FloatingClipboardPanelController::cancelPreview() {
    pendingPreview_.reset();
    if (window_ && window_->isPreviewVisible()) {
        window_->hidePreview();
        Q_EMIT previewChanged(false);
    }
}

void FloatingClipboardPanelController::clearSearchField() {
    if (window_) window_->clearSearchField();
}

void FloatingClipboardPanelController::setSearchFieldText(const QString& text, qsizetype cursor) {
    if (window_) window_->setSearchFieldText(text, cursor);
}

std::optional<QString> FloatingClipboardPanelController::detailFormattedText(const QString& itemId) const {
    return window_ ? window_->previewFormattedText(itemId) : std::nullopt;
}

bool FloatingClipboardPanelController::isDetailFormattingEnabled() const {
    return window_ && window_->isPreviewFormattingEnabled();
}

void FloatingClipboardPanelController::setDetailFormattingEnabled(bool enabled) {
    if (window_) window_->setPreviewFormattingEnabled(enabled);
}

QString FloatingClipboardPanelController::searchFieldSelectedText() const {
    return window_ ? window_->searchFieldSelectedText() : QString();
}

void FloatingClipboardPanelController::openActionsMenuForSelectedRow() {
    if (window_) window_->openActionsMenuForSelectedRow();
}

} // namespace quellpad
