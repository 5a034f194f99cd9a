#include "capture/SystemClipboardCopyIntentMonitor.h"

namespace quellpad {

SystemClipboardCopyIntentMonitor::SystemClipboardCopyIntentMonitor(std::shared_ptr<GlobalKeyMonitor> keyMonitor)
    : keyMonitor_(std::move(keyMonitor)) {}

SystemClipboardCopyIntentMonitor::~SystemClipboardCopyIntentMonitor() { stop(); }

bool SystemClipboardCopyIntentMonitor::isCopyShortcut(const GlobalKeyDownEvent& event) {
    if (event.charactersIgnoringModifiers.isEmpty() || event.isRepeat) {
        return false;
    }
    if (!event.control || event.alt || event.super) {
        return false;
    }
    const QString characters = event.charactersIgnoringModifiers.toLower();
    return characters == QStringLiteral("c") || characters == QStringLiteral("x");
}

bool SystemClipboardCopyIntentMonitor::start(std::function<void()> handler) {
    stop();
    if (!keyMonitor_) {
        return false;
    }
    installed_ = keyMonitor_->start([handler = std::move(handler)](const GlobalKeyDownEvent& event) {
        if (isCopyShortcut(event)) {
            handler();
        }
    });
    return installed_;
}

void SystemClipboardCopyIntentMonitor::stop() {
    if (installed_ && keyMonitor_) {
        keyMonitor_->stop();
    }
    installed_ = false;
}

} // namespace quellpad
