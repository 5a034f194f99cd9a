// The tray item of the real app as a desktop's tray host sees it: over D-Bus
// (StatusNotifierItem with a dbusmenu menu) when a StatusNotifierWatcher is on the
// session bus, and recorded as hidden by the system when none is, the shortcut then
// being the way in.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>

#include "support/AppProcess.h"
#include "support/GtkEntryWindow.h"
#include "support/TestSupport.h"

namespace quellpad {
namespace {

const QString watcherName = QStringLiteral("org.kde.StatusNotifierWatcher");

bool watcherRegistered() {
    return QDBusConnection::sessionBus().interface()->isServiceRegistered(watcherName).value();
}

// The stand-in tray host (tests/support/sni_watcher.py): owns the watcher name and
// reports the items that register.
class FakeTrayHost {
public:
    ~FakeTrayHost() {
        if (process_.state() != QProcess::NotRunning) {
            process_.terminate();
            if (!process_.waitForFinished(5000)) process_.kill();
            process_.waitForFinished(2000);
        }
    }
    bool start() {
        process_.start(QStringLiteral("/usr/bin/python3"),
                       {QStringLiteral(QUELLPAD_TEST_SUPPORT_SOURCE_DIR "/sni_watcher.py")});
        return nextLine().has_value() && lines_.last() == QStringLiteral("ready");
    }
    // The service and object path of the first item that registers.
    std::optional<std::pair<QString, QString>> waitForItem() {
        while (const std::optional<QString> line = nextLine(15000)) {
            const QStringList parts = line->split(u' ');
            if (parts.size() == 3 && parts[0] == QStringLiteral("item")) return std::pair{parts[1], parts[2]};
        }
        return std::nullopt;
    }
    QString transcript() const { return lines_.join(u'\n') + QString::fromUtf8(process_.readAllStandardError()); }

private:
    std::optional<QString> nextLine(int timeoutMs = 10000) {
        QDeadlineTimer deadline(timeoutMs);
        while (!process_.canReadLine()) {
            if (process_.state() == QProcess::NotRunning || deadline.hasExpired()) return std::nullopt;
            process_.waitForReadyRead(100);
        }
        lines_ << QString::fromUtf8(process_.readLine()).trimmed();
        return lines_.last();
    }
    mutable QProcess process_;
    QStringList lines_;
};

QString menuTool(const QStringList& arguments, bool* ok = nullptr) {
    return test::runTool(QStringLiteral("/usr/bin/python3"),
                         QStringList{QStringLiteral(QUELLPAD_TEST_SUPPORT_SOURCE_DIR "/dbusmenu.py")} + arguments, ok);
}

class TrayEndToEndTest : public ::testing::Test {
protected:
    test::CliHarness cli;
    test::AppProcess app{cli};
    std::vector<std::unique_ptr<QProcess>> clipboardOwners;

    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("DISPLAY") || !QDBusConnection::sessionBus().isConnected() ||
            !test::canRunGtkEntryWindow() || QStandardPaths::findExecutable(QStringLiteral("xclip")).isEmpty()) {
            GTEST_SKIP() << "needs an X display, a session bus, python3-gi, xdotool and xclip (scripts/test.sh provides them)";
        }
        if (watcherRegistered()) GTEST_SKIP() << "a real tray host owns " << watcherName.toStdString();
    }
    void TearDown() override {
        app.stop();
        for (auto& owner : clipboardOwners) {
            owner->kill();
            owner->waitForFinished(2000);
        }
    }
    void copy(const QByteArray& text) {
        auto owner = std::make_unique<QProcess>();
        owner->start(QStringLiteral("xclip"), {QStringLiteral("-quiet"), QStringLiteral("-selection"), QStringLiteral("clipboard")});
        ASSERT_TRUE(owner->waitForStarted(5000));
        owner->write(text);
        owner->closeWriteChannel();
        owner->waitForBytesWritten(1000);
        clipboardOwners.push_back(std::move(owner));
    }
    // The stored value, or "unset" (the default applies).
    QString config(const QString& key) const {
        const test::CliResult result = cli.spawn({QStringLiteral("config"), QStringLiteral("get"), key});
        return result.exitCode == 0 ? QString::fromUtf8(result.out).trimmed() : QStringLiteral("unset");
    }
};

// The visible entries: labels, and "-" for separators.
QStringList menuLabels(const QString& service, const QString& path) {
    QStringList labels;
    for (const QJsonValue& value : QJsonDocument::fromJson(menuTool({QStringLiteral("layout"), service, path}).toUtf8()).array()) {
        const QJsonObject entry = value.toObject();
        if (!entry.value(QStringLiteral("visible")).toBool()) continue;
        labels << (entry.value(QStringLiteral("type")).toString() == QStringLiteral("separator")
                       ? QStringLiteral("-")
                       : entry.value(QStringLiteral("label")).toString());
    }
    return labels;
}

TEST_F(TrayEndToEndTest, TheMenuReadOverDBusPausesRecordingOpensClassificationAndQuits) {
    FakeTrayHost host;
    ASSERT_TRUE(host.start()) << host.transcript().toStdString();
    ASSERT_TRUE(app.start()) << app.output().toStdString();
    const auto item = host.waitForItem();
    ASSERT_TRUE(item.has_value()) << host.transcript().toStdString() << app.output().toStdString();
    const auto& [service, path] = *item;

    const QStringList recording{QStringLiteral("Clipboard History"), QStringLiteral("Show Onboarding"),
                                QStringLiteral("Pause Clipboard Recording"),
                                QStringLiteral("Classification..."), QStringLiteral("Settings..."), QStringLiteral("-"),
                                QStringLiteral("Send Feedback"), QStringLiteral("About Quellpad"), QStringLiteral("-"),
                                QStringLiteral("Quit")};
    QStringList seen;
    EXPECT_TRUE(test::pollUntil([&] { return (seen = menuLabels(service, path)) == recording; }))
        << seen.join(u'|').toStdString();
    const QString hidden = config(QStringLiteral("MenuBarStatusItemHiddenBySystem"));
    EXPECT_TRUE(hidden == QStringLiteral("false") || hidden == QStringLiteral("unset")) << hidden.toStdString();

    bool ok = false;
    menuTool({QStringLiteral("click"), service, path, QStringLiteral("Pause Clipboard Recording")}, &ok);
    ASSERT_TRUE(ok);
    ASSERT_TRUE(app.waitForStatus([](const QJsonObject& status) { return status.value(QStringLiteral("paused")).toBool(); }));
    const QString pausedTip = QStringLiteral("Copied items are not saved to Quellpad while recording is paused.");
    QString tip;
    EXPECT_TRUE(test::pollUntil([&] { return (tip = menuTool({QStringLiteral("tooltip"), service, path})).contains(pausedTip); }))
        << tip.toStdString();
    EXPECT_TRUE(test::pollUntil([&] {
        seen = menuLabels(service, path);
        return seen.value(0) == QStringLiteral("Clipboard recording paused") &&
               seen.value(1) == QStringLiteral("Resume Clipboard Recording") && !seen.contains(recording[2]);
    })) << seen.join(u'|').toStdString();

    // A copy while paused is seen but not stored, nor picked up when recording resumes;
    // the copy after resuming is the control that the monitor runs again.
    const double changes = app.clipboardChangeCount();
    copy("copied while paused");
    ASSERT_TRUE(test::pollUntil([&] { return app.clipboardChangeCount() > changes; }));
    menuTool({QStringLiteral("click"), service, path, QStringLiteral("Resume Clipboard Recording")}, &ok);
    ASSERT_TRUE(ok);
    ASSERT_TRUE(app.waitForStatus([](const QJsonObject& status) { return !status.value(QStringLiteral("paused")).toBool(); }));
    const double resumed = app.clipboardChangeCount();
    copy("copied after resuming");
    ASSERT_TRUE(app.waitUntilCopyHandled(resumed));
    const QByteArray history = cli.spawn({QStringLiteral("list"), QStringLiteral("--json")}).out;
    EXPECT_TRUE(history.contains("copied after resuming")) << history.toStdString();
    EXPECT_FALSE(history.contains("copied while paused")) << history.toStdString();

    menuTool({QStringLiteral("click"), service, path, QStringLiteral("Classification...")}, &ok);
    ASSERT_TRUE(ok);
    EXPECT_TRUE(app.waitForStatus(
        [](const QJsonObject& status) { return status.value(QStringLiteral("classificationVisible")).toBool(); }));

    menuTool({QStringLiteral("click"), service, path, QStringLiteral("Quit")}, &ok);
    ASSERT_TRUE(ok);
    ASSERT_TRUE(app.process()->waitForFinished(10000)) << "Quit did not end the app";
    EXPECT_EQ(app.process()->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(app.process()->exitCode(), 0) << app.output().toStdString();
}

TEST_F(TrayEndToEndTest, WithoutATrayHostTheIconIsHiddenBySystemAndTheShortcutStillOpensThePanel) {
    ASSERT_TRUE(app.start()) << app.output().toStdString();
    QString hidden;
    EXPECT_TRUE(test::pollUntil([&] { return (hidden = config(QStringLiteral("MenuBarStatusItemHiddenBySystem"))) == QStringLiteral("true"); }))
        << hidden.toStdString();
    const QString showIcon = config(QStringLiteral("MenuBarShowIcon"));
    EXPECT_TRUE(showIcon == QStringLiteral("true") || showIcon == QStringLiteral("unset")) // unset: shown by default
        << showIcon.toStdString() << ": the user's choice stays";
    test::runTool(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("super+shift+v")});
    EXPECT_TRUE(app.waitForStatus([](const QJsonObject& status) { return status.value(QStringLiteral("panelVisible")).toBool(); }));
}

} // namespace
} // namespace quellpad
