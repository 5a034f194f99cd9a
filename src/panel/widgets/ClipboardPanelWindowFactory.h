// Builds the centered panel's widgets for a controller: the window and the save dialog,
// attached to the controller (setWindow, setSavePanelPresenter). The returned object
// owns them and detaches them from the controller when destroyed, so it must go
// before the controller does.
#pragma once

#include <memory>

#include <QObject>

namespace quellpad {

class ClipboardPanelController;
class DefaultsStore;
class Localizer;

std::unique_ptr<QObject> makeClipboardPanelWindow(ClipboardPanelController& controller, DefaultsStore& defaults,
                                                  const Localizer& localizer);

} // namespace quellpad
