#include "app/AppDelegate.h"

#include <QCoreApplication>

#include "Core/Utilities/Logger.h"
#include "app/AppCommandServer.h"
#include "app/SingleInstanceGuard.h"
#include "capture/ClipboardMonitorProtocol.h"
#include "history/DataDirectoryManager.h"

namespace quellpad {

namespace {
const QString category = QStringLiteral("AppDelegate");
}

AppDelegate::AppDelegate(DefaultsStore& defaults, NotificationCenter& notifications, SingleInstanceGuard& instanceGuard,
                         std::function<AppPlatformServices()> platform, DistributionChannel channel)
    : defaults_(defaults),
      notifications_(notifications),
      instanceGuard_(instanceGuard),
      platform_(std::move(platform)),
      channel_(channel) {}

AppDelegate::~AppDelegate() {
    applicationWillTerminate();
}

AppDelegate::LaunchOutcome AppDelegate::applicationDidFinishLaunching() {
    Logger::info(QStringLiteral("Application did finish launching"), category);
    if (qEnvironmentVariableIsSet("XCTestConfigurationFilePath")) {
        Logger::info(QStringLiteral("Skipping normal startup while running tests"), category);
        return LaunchOutcome::skippedForTests;
    }
    if (!instanceGuard_.tryAcquire()) {
        Logger::info(QStringLiteral("Another instance is already running, terminating..."), category);
        return LaunchOutcome::anotherInstanceRunning;
    }
    Logger::info(QStringLiteral("Single instance check passed"), category);
    dataDirectory_ = std::make_unique<DataDirectoryManager>(defaults_);
    assembler_ = std::make_unique<AppAssembler>(defaults_, notifications_, *dataDirectory_, platform_(), channel_);
    commandServer_ = std::make_unique<AppCommandServer>(
        AppCommandServer::defaultSocketPath(), [this](const QString& command) { return handleCommand(command); });
    commandServer_->listen();
    return LaunchOutcome::running;
}

QJsonObject AppDelegate::handleCommand(const QString& command) {
    if (!assembler_) {
        return {{QStringLiteral("ok"), false}, {QStringLiteral("error"), QStringLiteral("not running")}};
    }
    const std::shared_ptr<ClipboardMonitorProtocol> monitor = assembler_->clipboardMonitor();
    if (command == QStringLiteral("pause")) {
        Logger::info(QStringLiteral("Pause recording requested"), QStringLiteral("AppCoordinator"));
        monitor->pauseTemporarily();
    } else if (command == QStringLiteral("resume")) {
        Logger::info(QStringLiteral("Resume recording requested"), QStringLiteral("AppCoordinator"));
        monitor->resumeFromTemporaryPause();
    } else if (command != QStringLiteral("status")) {
        return {{QStringLiteral("ok"), false}, {QStringLiteral("error"), QStringLiteral("unknown command")}};
    }
    const std::optional<QString> notCapturing = assembler_->notCapturingReason();
    QJsonObject reply{{QStringLiteral("ok"), true},
            {QStringLiteral("paused"), monitor->isTemporarilyPaused()},
            {QStringLiteral("capturing"), !notCapturing && !monitor->isTemporarilyPaused()},
            {QStringLiteral("searchIndex"), assembler_->hasSearchIndex()},
            {QStringLiteral("dataDirectory"), dataDirectory_->dataDirectoryPath()},
            {QStringLiteral("pid"), static_cast<double>(QCoreApplication::applicationPid())}};
    if (notCapturing) {
        reply.insert(QStringLiteral("notCapturingReason"), *notCapturing);
    }
    return reply;
}

void AppDelegate::applicationWillTerminate() {
    if (terminated_) {
        return;
    }
    terminated_ = true;
    commandServer_.reset();
    if (assembler_) {
        assembler_->shutdownClipboardServices();
        // Dropping the services drains their queues, so pending index writes land.
        assembler_.reset();
        Logger::info(QStringLiteral("Application will terminate"), category);
    }
}

} // namespace quellpad
