// The accessibility bus of the test session (at-spi2-core, activated through the
// session bus). It is one per session, so the test holds the display lock and puts the
// switch back as it found it.
#include <gtest/gtest.h>

#include <QFile>

#include "platform/linux/LinuxAccessibilityService.h"
#include "support/GtkEntryWindow.h"

using namespace quellpad;

namespace {

// The IsEnabled switch as dbus-send sees it: an independent reader and writer.
std::optional<bool> switchFromOutside() {
    bool ok = false;
    const QString reply = test::runTool(
        QStringLiteral("dbus-send"),
        {QStringLiteral("--session"), QStringLiteral("--print-reply"), QStringLiteral("--dest=org.a11y.Bus"),
         QStringLiteral("/org/a11y/bus"), QStringLiteral("org.freedesktop.DBus.Properties.Get"),
         QStringLiteral("string:org.a11y.Status"), QStringLiteral("string:IsEnabled")},
        &ok);
    if (!ok) {
        return std::nullopt;
    }
    return reply.contains(QStringLiteral("boolean true"));
}

bool setSwitchFromOutside(bool enabled) {
    bool ok = false;
    test::runTool(QStringLiteral("dbus-send"),
                  {QStringLiteral("--session"), QStringLiteral("--print-reply"), QStringLiteral("--dest=org.a11y.Bus"),
                   QStringLiteral("/org/a11y/bus"), QStringLiteral("org.freedesktop.DBus.Properties.Set"),
                   QStringLiteral("string:org.a11y.Status"), QStringLiteral("string:IsEnabled"),
                   enabled ? QStringLiteral("variant:boolean:true") : QStringLiteral("variant:boolean:false")},
                  &ok);
    return ok;
}

} // namespace

TEST(LinuxAccessibilityServiceOnDisplay, ReadsAndEnablesTheSessionsAccessibilityBus) {
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS") ||
        !QFile::exists(QStringLiteral("/usr/share/dbus-1/services/org.a11y.Bus.service"))) {
        GTEST_SKIP() << "needs a session bus and at-spi2-core";
    }
    const std::optional<bool> original = switchFromOutside();
    ASSERT_TRUE(original.has_value()) << "dbus-send cannot read the switch";

    LinuxAccessibilityService service;
    ASSERT_TRUE(service.isReachable());
    ASSERT_TRUE(setSwitchFromOutside(false));
    EXPECT_FALSE(service.isEnabled());

    EXPECT_TRUE(service.requestEnabled());
    EXPECT_TRUE(service.isEnabled());
    EXPECT_EQ(switchFromOutside(), std::optional<bool>(true));

    setSwitchFromOutside(*original);
}
