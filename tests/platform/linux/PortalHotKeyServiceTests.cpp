// The GlobalShortcuts portal client against a stand-in portal on the test session bus
// (tests/support/fake_portal.py), under a bus name of its own so parallel runs never meet.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include "platform/linux/PortalHotKeyService.h"
#include "support/TestSupport.h"

namespace quellpad {
namespace {

using test::processEventsUntil;

constexpr std::uint16_t keyV = 9;
constexpr std::uint16_t keyF5 = 96;
constexpr std::uint64_t control = 0x40000, option = 0x80000, shift = 0x20000, command = 0x100000;

bool canRunFakePortal() {
    QProcess probe;
    probe.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QStringLiteral("import dbus, gi")});
    return probe.waitForFinished(10000) && probe.exitCode() == 0;
}

class PortalHotKeyServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS") || !QDBusConnection::sessionBus().isConnected() ||
            !canRunFakePortal()) {
            GTEST_SKIP() << "needs a session bus and python3-dbus (scripts/test.sh provides them)";
        }
        serviceName = QStringLiteral("org.quellpad.TestPortal.p%1").arg(QCoreApplication::applicationPid());
    }
    void TearDown() override {
        if (portal.state() != QProcess::NotRunning) {
            portal.terminate();
            portal.waitForFinished(5000);
        }
    }

    void startPortal() {
        portal.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        portal.start(QStringLiteral("/usr/bin/python3"),
                     {QStringLiteral(QUELLPAD_TEST_SUPPORT_SOURCE_DIR "/fake_portal.py"), serviceName});
        ASSERT_TRUE(processEventsUntil([&] {
            return QDBusConnection::sessionBus().interface()->isServiceRegistered(serviceName).value();
        }));
    }
    QJsonObject bound() const {
        const QDBusMessage reply = QDBusConnection::sessionBus().call(QDBusMessage::createMethodCall(
            serviceName, QStringLiteral("/org/freedesktop/portal/desktop"), QStringLiteral("org.quellpad.FakePortal"),
            QStringLiteral("Bound")));
        return QJsonDocument::fromJson(reply.arguments().value(0).toString().toUtf8()).object();
    }
    // The shortcuts of the newest session, once it has some.
    QJsonArray newestShortcuts() const {
        const QJsonArray sessions = bound().value(QStringLiteral("sessions")).toArray();
        return sessions.isEmpty() ? QJsonArray()
                                  : sessions.last().toObject().value(QStringLiteral("shortcuts")).toArray();
    }
    void activate(const QString& shortcutId) const {
        QDBusMessage call = QDBusMessage::createMethodCall(serviceName, QStringLiteral("/org/freedesktop/portal/desktop"),
                                                           QStringLiteral("org.quellpad.FakePortal"),
                                                           QStringLiteral("Activate"));
        call << shortcutId;
        QDBusConnection::sessionBus().call(call);
    }

    QString serviceName;
    QProcess portal;
};

TEST_F(PortalHotKeyServiceTest, WithoutThePortalNothingOpens) {
    QString error;
    EXPECT_FALSE(PortalHotKeyService::open(&error, QDBusConnection::sessionBus(), serviceName));
    EXPECT_TRUE(error.contains(QStringLiteral("GlobalShortcuts"))) << error.toStdString();
}

TEST_F(PortalHotKeyServiceTest, BindsThePanelShortcutWithItsTriggerAndActsOnActivation) {
    startPortal();
    QString error;
    std::unique_ptr<PortalHotKeyService> service =
        PortalHotKeyService::open(&error, QDBusConnection::sessionBus(), serviceName);
    ASSERT_TRUE(service) << error.toStdString();
    std::vector<std::uint32_t> pressed;
    service->setPressHandler([&](std::uint32_t id, std::uint32_t) { pressed.push_back(id); });

    EXPECT_FALSE(service->registerHotKey(3, {0xffff, command}).succeeded()) << "a key without a name";
    ASSERT_TRUE(service->registerHotKey(7, {keyV, command | shift}).succeeded());
    ASSERT_TRUE(processEventsUntil([&] { return !newestShortcuts().isEmpty(); })) << QJsonDocument(bound()).toJson().toStdString();
    QJsonArray shortcuts = newestShortcuts();
    ASSERT_EQ(shortcuts.size(), 1);
    EXPECT_EQ(shortcuts[0].toObject().value(QStringLiteral("id")).toString(), QStringLiteral("open-clipboard-history"));
    EXPECT_EQ(shortcuts[0].toObject().value(QStringLiteral("description")).toString(),
              QStringLiteral("Open clipboard history"));
    EXPECT_EQ(shortcuts[0].toObject().value(QStringLiteral("preferred_trigger")).toString(), QStringLiteral("SHIFT+LOGO+v"));

    activate(QStringLiteral("open-clipboard-history"));
    EXPECT_TRUE(processEventsUntil([&] { return pressed == std::vector<std::uint32_t>{7}; }));
    activate(QStringLiteral("someone-elses-shortcut"));

    // A changed shortcut: the old session is closed, a new one binds the new trigger.
    const QString firstSession = service->sessionHandle();
    service->unregisterHotKey(7);
    ASSERT_TRUE(service->registerHotKey(8, {keyF5, control | option}).succeeded());
    ASSERT_TRUE(processEventsUntil([&] {
        return !service->sessionHandle().isEmpty() && service->sessionHandle() != firstSession &&
               !newestShortcuts().isEmpty();
    }));
    shortcuts = newestShortcuts();
    ASSERT_EQ(shortcuts.size(), 1);
    EXPECT_EQ(shortcuts[0].toObject().value(QStringLiteral("id")).toString(), QStringLiteral("open-clipboard-history"));
    EXPECT_EQ(shortcuts[0].toObject().value(QStringLiteral("preferred_trigger")).toString(), QStringLiteral("CTRL+ALT+F5"));
    EXPECT_TRUE(bound().value(QStringLiteral("closed")).toArray().contains(firstSession));

    activate(QStringLiteral("open-clipboard-history"));
    EXPECT_TRUE(processEventsUntil([&] { return pressed == std::vector<std::uint32_t>{7, 8}; }))
        << pressed.size();
}

} // namespace
} // namespace quellpad
