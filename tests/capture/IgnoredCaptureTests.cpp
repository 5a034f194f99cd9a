// Capture with the ignore list wired in as the composition root wires it, over fakes,
// and the real app under X: copies made while an ignored application is active are
// never stored.
#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include "capture/ClipboardIgnoredAppsSettings.h"
#include "capture/MonitorFixture.h"
#include "platform/fake/FakeApplicationRegistry.h"
#include "support/TestSupport.h"
#include "support/X11TestSupport.h"

namespace quellpad {
namespace {

class IgnoredCaptureTest : public ::testing::Test, public test::MonitorFixture {
protected:
    std::shared_ptr<FakeApplicationRegistry> registry = std::make_shared<FakeApplicationRegistry>();
    std::shared_ptr<ClipboardIgnoredAppsSettings> settings =
        std::make_shared<ClipboardIgnoredAppsSettings>(defaults, registry);

    void SetUp() override {
        makeMonitor({}, [settings = settings](const QString& id) { return settings->isIgnored(id); });
        monitor->startMonitoring(false);
    }
};

TEST_F(IgnoredCaptureTest, CopiesFromIgnoredApplicationsAreDroppedAndOthersKept) {
    registry->install(QStringLiteral("KeePassXC"), QStringLiteral("org.keepassxc.KeePassXC"));
    settings->applyDefaultIgnoredApps().waitForFinished();
    ASSERT_TRUE(settings->addIgnoredApp(QStringLiteral("org.example.Vault")));

    const struct {
        std::optional<QString> frontmost;
        bool stored;
    } rows[] = {
        {QStringLiteral("org.keepassxc.KeePassXC"), false},
        {QStringLiteral("org.example.Vault"), false},
        {QStringLiteral("org.example.vault"), true},
        {QStringLiteral("org.example.Editor"), true},
        {std::nullopt, true},
    };
    int copy = 0;
    for (const auto& row : rows) {
        workspace.setFrontmostBundleIdentifier(row.frontmost);
        const size_t before = repository->inserts.size();
        copyAndPoll(QStringLiteral("secret %1").arg(++copy));
        EXPECT_EQ(repository->inserts.size(), before + (row.stored ? 1 : 0))
            << row.frontmost.value_or(QStringLiteral("<none>")).toStdString();
    }

    // Removing an entry takes effect at the next poll.
    workspace.setFrontmostBundleIdentifier(QStringLiteral("org.example.Vault"));
    ASSERT_TRUE(settings->removeIgnoredApp(QStringLiteral("org.example.Vault")));
    const size_t before = repository->inserts.size();
    copyAndPoll(QStringLiteral("no longer ignored"));
    EXPECT_EQ(repository->inserts.size(), before + 1);
}

// The real app on the test display: the password manager found among the desktop
// entries is merged into the list at start-up, and copies while its window is active
// are not stored.
class IgnoredAppEndToEndTest : public ::testing::Test {
protected:
    QTemporaryDir home;
    std::unique_ptr<QProcess> app;
    Display* display = nullptr;
    Window window = 0;

    void SetUp() override {
        QUELLPAD_REQUIRE_X11();
        QDir().mkpath(home.filePath(QStringLiteral("run")));
        QFile::setPermissions(home.filePath(QStringLiteral("run")),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QDir().mkpath(home.filePath(QStringLiteral("system/applications")));
        test::writeFile(home.filePath(QStringLiteral("system/applications/org.keepassxc.KeePassXC.desktop")),
                        "[Desktop Entry]\nType=Application\nName=KeePassXC\n");
        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr);
        window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 10, 10, 0, 0, 0);
        ASSERT_TRUE(test::mapAndWaitUntilViewable(display, window));
    }

    void TearDown() override {
        if (app && app->state() != QProcess::NotRunning) {
            app->terminate();
            if (!app->waitForFinished(10000)) {
                app->kill();
                app->waitForFinished(2000);
            }
        }
        if (display != nullptr) {
            XDeleteProperty(display, DefaultRootWindow(display), XInternAtom(display, "_NET_ACTIVE_WINDOW", False));
            XDestroyWindow(display, window);
            XCloseDisplay(display);
        }
    }

    // Makes the test's window the active one, belonging to the application `id`.
    void activate(const QByteArray& id) {
        XChangeProperty(display, window, XInternAtom(display, "_GTK_APPLICATION_ID", False),
                        XInternAtom(display, "UTF8_STRING", False), 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(id.constData()), int(id.size()));
        const unsigned long active = window;
        XChangeProperty(display, DefaultRootWindow(display), XInternAtom(display, "_NET_ACTIVE_WINDOW", False), XA_WINDOW,
                        32, PropModeReplace, reinterpret_cast<const unsigned char*>(&active), 1);
        XSync(display, False);
    }

    QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.filePath(QStringLiteral("run")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data-home")));
        env.insert(QStringLiteral("XDG_DATA_DIRS"), home.filePath(QStringLiteral("system")));
        env.insert(QStringLiteral("QUELLPAD_STORAGE_DIRECTORY"), home.filePath(QStringLiteral("data")));
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        return env;
    }

    QByteArray cli(const QStringList& arguments) const {
        QProcess process;
        process.setProcessEnvironment(environment());
        process.start(QStringLiteral(QUELLPAD_CLI_PATH), arguments);
        process.waitForFinished(30000);
        return process.readAllStandardOutput();
    }

    // The app's counters from `quellpad status --json`.
    std::pair<double, double> changeCounts() const {
        const QJsonObject status = QJsonDocument::fromJson(cli({QStringLiteral("status"), QStringLiteral("--json")})).object();
        return {status.value(QStringLiteral("clipboardChangeCount")).toDouble(-1),
                status.value(QStringLiteral("handledChangeCount")).toDouble(-1)};
    }
    // Polls until the app has seen a copy made after `before` and its monitor handled it.
    bool waitUntilCopyHandled(double before) const {
        QDeadlineTimer deadline(10000);
        do {
            const auto [seen, handled] = changeCounts();
            if (seen > before && handled >= seen) return true;
            QThread::msleep(50); // the poll interval
        } while (!deadline.hasExpired());
        return false;
    }

    QStringList previews() const {
        QStringList result;
        for (const QByteArray& line : cli({QStringLiteral("list"), QStringLiteral("--json")}).split('\n')) {
            if (!line.isEmpty()) result.append(QJsonDocument::fromJson(line).object().value(QStringLiteral("preview")).toString());
        }
        return result;
    }
};

TEST_F(IgnoredAppEndToEndTest, CopiesWhileAnIgnoredApplicationIsActiveAreNotStored) {
    test::DisplayLock lock;
    activate("org.example.Editor");
    // Without the first-run guide, which would take the focus from the editor.
    cli({QStringLiteral("config"), QStringLiteral("set"), QStringLiteral("DidCompleteOnboarding"), QStringLiteral("true")});
    app = std::make_unique<QProcess>();
    app->setProcessEnvironment(environment());
    app->setProcessChannelMode(QProcess::MergedChannels);
    app->start(QStringLiteral(QUELLPAD_CLI_PATH), QStringList{});
    ASSERT_TRUE(app->waitForStarted(5000));
    QByteArray output;
    QDeadlineTimer started(15000);
    while (!output.contains("Added default ignored apps") && !started.hasExpired()) {
        app->waitForReadyRead(100);
        output += app->readAll();
    }
    ASSERT_TRUE(output.contains("Added default ignored apps: org.keepassxc.KeePassXC")) << output.toStdString();
    EXPECT_EQ(cli({QStringLiteral("ignore"), QStringLiteral("list")}), QByteArray("org.keepassxc.KeePassXC\n"));

    activate("org.keepassxc.KeePassXC");
    const double before = changeCounts().first;
    ASSERT_TRUE(test::xclipCopy("hunter2 copied in the password manager"));
    ASSERT_TRUE(waitUntilCopyHandled(before));
    activate("org.example.Editor");
    ASSERT_TRUE(test::xclipCopy("copied in the editor"));
    QDeadlineTimer stored(10000);
    while (previews().isEmpty() && !stored.hasExpired()) {
        QThread::msleep(100);
    }
    EXPECT_EQ(previews().join(QLatin1Char('|')), QStringLiteral("copied in the editor"));
}

} // namespace
} // namespace quellpad
