// The active top-level window on X11 and giving the focus back to it: through the
// window manager (_NET_ACTIVE_WINDOW) where one advertises it, else directly with
// XRaiseWindow + XSetInputFocus. Uses its own connection; call from one thread.
#pragma once

#include <memory>

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "platform/WindowActivation.h"
#include "platform/linux/DesktopEntryIndex.h"

typedef struct _XDisplay Display;

namespace quellpad {

class X11WindowActivation final : public WindowActivation {
public:
    // nullptr, with the reason in error, when the display cannot be opened.
    // applicationDirectories: as for DesktopEntryIndex.
    static std::unique_ptr<X11WindowActivation> open(QString* error = nullptr, const QByteArray& displayName = {},
                                                     QStringList applicationDirectories = {});
    ~X11WindowActivation() override;

    std::optional<ActiveWindow> activeWindow() override;
    bool requestActivation(const ActiveWindow& window, std::uint32_t timestamp) override;
    bool isActive(const ActiveWindow& window) override;

    // True when an EWMH window manager runs and handles _NET_ACTIVE_WINDOW requests.
    bool windowManagerActivates();

private:
    // The window under that id is still the one remembered (same process or application).
    bool stillTheSameWindow(const ActiveWindow& window);
    X11WindowActivation(Display* display, QStringList applicationDirectories);
    std::optional<unsigned long> activeTopLevel();
    unsigned long topLevelOf(unsigned long window);

    Display* display_;
    DesktopEntryIndex desktopEntries_;
};

} // namespace quellpad
