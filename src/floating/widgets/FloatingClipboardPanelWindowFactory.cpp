#include "floating/widgets/FloatingClipboardPanelWindowFactory.h"

#include "floating/widgets/FloatingClipboardPanelWindow.h"

namespace quellpad {

namespace {

// A top-level widget cannot have a plain QObject parent: this owns it.
class FloatingClipboardPanelWidgets final : public QObject {
public:
    explicit FloatingClipboardPanelWidgets(std::unique_ptr<FloatingClipboardPanelWindow> window)
        : window_(std::move(window)) {
        setObjectName(QStringLiteral("FloatingClipboardPanelWidgets"));
    }

private:
    std::unique_ptr<FloatingClipboardPanelWindow> window_;
};

} // namespace

std::unique_ptr<QObject> makeFloatingClipboardPanelWindow(FloatingClipboardPanelController& floating,
                                                          ClipboardPanelController& actions, DefaultsStore& defaults,
                                                          const Localizer& localizer, bool translucent) {
    return std::make_unique<FloatingClipboardPanelWidgets>(
        std::make_unique<FloatingClipboardPanelWindow>(floating, actions, defaults, localizer, translucent));
}

} // namespace quellpad
