// Global key presses on X11 through XInput2 raw key events on the root window: every
// application's key presses are seen without grabbing any key, on a connection and
// thread of our own. Modifier state comes from the pointer query at the time of the
// press.
#pragma once

#include <atomic>
#include <mutex>
#include <thread>

#include <QByteArray>

#include "platform/GlobalKeyMonitor.h"

typedef struct _XDisplay Display;

namespace quellpad {

class X11GlobalKeyMonitor final : public GlobalKeyMonitor {
public:
    // An empty displayName means $DISPLAY.
    explicit X11GlobalKeyMonitor(QByteArray displayName = {});
    ~X11GlobalKeyMonitor() override;

    bool start(std::function<void(const GlobalKeyDownEvent&)> handler) override;
    void stop() override;

private:
    void run(Display* display, int opcode, std::function<void(const GlobalKeyDownEvent&)> handler);

    QByteArray displayName_;
    std::mutex mutex_;
    std::thread thread_;
    int wakePipe_[2] = {-1, -1};
};

} // namespace quellpad
