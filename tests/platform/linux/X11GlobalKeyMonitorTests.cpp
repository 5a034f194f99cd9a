// The XInput2 key observer against synthetic key presses (xdotool uses XTest, which
// goes through the server like a real keyboard). Skipped without an X display.
#include <gtest/gtest.h>

#include <mutex>

#include <QProcess>
#include <QStandardPaths>

#include "capture/SystemClipboardCopyIntentMonitor.h"
#include "platform/linux/X11GlobalKeyMonitor.h"
#include "support/TestSupport.h"

using namespace quellpad;

TEST(X11GlobalKeyMonitor, SeesKeyPressesOfOtherClientsWithTheirModifiers) {
    if (qEnvironmentVariableIsEmpty("DISPLAY") || QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()) {
        GTEST_SKIP() << "needs an X display and xdotool";
    }
    auto keys = std::make_shared<X11GlobalKeyMonitor>();
    std::mutex mutex;
    std::vector<GlobalKeyDownEvent> events;
    ASSERT_TRUE(keys->start([&](const GlobalKeyDownEvent& event) {
        std::lock_guard lock(mutex);
        events.push_back(event);
    }));
    auto press = [](const char* combination) {
        QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("key"), QString::fromLatin1(combination)});
    };
    auto copyShortcuts = [&] {
        std::lock_guard lock(mutex);
        return std::count_if(events.begin(), events.end(), SystemClipboardCopyIntentMonitor::isCopyShortcut);
    };
    press("ctrl+c");
    ASSERT_TRUE(test::processEventsUntil([&] { return copyShortcuts() == 1; }, 5000));
    press("ctrl+alt+c");
    press("ctrl+v");
    press("ctrl+shift+x");
    ASSERT_TRUE(test::processEventsUntil([&] { return copyShortcuts() == 2; }, 5000));
    {
        std::lock_guard lock(mutex);
        const bool sawAlt = std::any_of(events.begin(), events.end(), [](const GlobalKeyDownEvent& event) {
            return event.alt && event.control && event.charactersIgnoringModifiers == QStringLiteral("c");
        });
        EXPECT_TRUE(sawAlt);
    }
    keys->stop();
    const auto before = copyShortcuts();
    press("ctrl+c");
    test::processEventsUntil([] { return false; }, 300);
    EXPECT_EQ(copyShortcuts(), before) << "nothing is observed after stop";
}
