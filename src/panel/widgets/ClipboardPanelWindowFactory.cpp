#include "panel/widgets/ClipboardPanelWindowFactory.h"

#include "panel/ClipboardPanelController.h"
#include "panel/widgets/ClipboardFileSavePanel.h"
#include "panel/widgets/ClipboardPanelWindow.h"

namespace quellpad {

namespace {

// Owns the window (a top-level widget cannot have a plain QObject parent) and the
// save dialog presenter.
class ClipboardPanelWidgets final : public QObject {
public:
    ClipboardPanelWidgets(ClipboardPanelController& controller, DefaultsStore& defaults, const Localizer& localizer)
        : controller_(controller), window_(std::make_unique<ClipboardPanelWindow>(controller, defaults, localizer)),
          savePanel_(new ClipboardFileSavePanel(localizer, this)) {
        setObjectName(QStringLiteral("ClipboardPanelWidgets"));
        controller_.setWindow(window_.get());
        controller_.setSavePanelPresenter(savePanel_);
    }
    ~ClipboardPanelWidgets() override {
        controller_.setWindow(nullptr);
        controller_.setSavePanelPresenter(nullptr);
    }

private:
    ClipboardPanelController& controller_;
    std::unique_ptr<ClipboardPanelWindow> window_;
    ClipboardFileSavePanel* savePanel_;
};

} // namespace

std::unique_ptr<QObject> makeClipboardPanelWindow(ClipboardPanelController& controller, DefaultsStore& defaults,
                                                  const Localizer& localizer) {
    return std::make_unique<ClipboardPanelWidgets>(controller, defaults, localizer);
}

} // namespace quellpad
