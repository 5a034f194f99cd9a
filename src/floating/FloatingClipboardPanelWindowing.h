// What the floating panel's controller needs from its widgets: the panel window and the
// preview bubble. Frames are in desktop coordinates (the root window's: y down), the
// ones Qt's global geometry uses on X11. The widgets implement it; tests use a fake.
#pragma once

#include <functional>
#include <memory>
#include <optional>

#include <QObject>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include "floating/FloatingClipboardPreviewPlacement.h"
#include "panel/ClipboardResultListTypes.h"

namespace quellpad {

class ClipboardPanelController;
class FloatingClipboardPanelController;

class FloatingClipboardPanelWindowing {
public:
    virtual ~FloatingClipboardPanelWindowing() = default;

    virtual bool isPanelVisible() const = 0;
    // Shows the borderless panel with this frame, on top, with the search field focused.
    virtual void showPanelAt(const QRectF& frame) = 0;
    virtual void hidePanel() = 0;
    virtual QRectF panelFrame() const = 0;
    virtual void setRowStyle(ClipboardResultListRowStyle style) = 0;
    // The selected row's frame; nullopt when no row is selected or it is scrolled away.
    virtual std::optional<QRectF> selectedRowFrame() const = 0;

    // The bubble shows the selected item; it never takes the focus.
    virtual QSizeF preferredPreviewSize() const = 0;
    virtual void showPreview(const QRectF& frame, FloatingClipboardPreviewArrowSide side, double arrowCenterY) = 0;
    virtual void hidePreview() = 0;
    virtual bool isPreviewVisible() const = 0;

    // As ClipboardPanelWindowing: the search field and the bubble's formatting.
    virtual void clearSearchField() = 0;
    virtual void setSearchFieldText(const QString& text, qsizetype cursor) = 0;
    virtual QString searchFieldSelectedText() const = 0;
    virtual std::optional<QString> previewFormattedText(const QString& itemId) const = 0;
    virtual bool isPreviewFormattingEnabled() const = 0;
    virtual void setPreviewFormattingEnabled(bool enabled) = 0;
    virtual void openActionsMenuForSelectedRow() = 0;
};

// Builds the floating panel's widgets for its controller and attaches them
// (setWindow); the returned object owns them and must go before the controller.
using FloatingClipboardPanelWindowFactory =
    std::function<std::unique_ptr<QObject>(FloatingClipboardPanelController& floating, ClipboardPanelController& actions)>;

} // namespace quellpad
