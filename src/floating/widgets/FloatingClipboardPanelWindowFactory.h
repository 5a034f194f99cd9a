// Builds the floating panel's widgets for its controllers and attaches them. The
// returned object owns them and detaches them when destroyed, so it must go before
// the controllers do. translucent: a compositor runs (rounded, see-through corners).
#pragma once

#include <memory>

#include <QObject>

namespace quellpad {

class ClipboardPanelController;
class DefaultsStore;
class FloatingClipboardPanelController;
class Localizer;

std::unique_ptr<QObject> makeFloatingClipboardPanelWindow(FloatingClipboardPanelController& floating,
                                                          ClipboardPanelController& actions, DefaultsStore& defaults,
                                                          const Localizer& localizer, bool translucent);

} // namespace quellpad
