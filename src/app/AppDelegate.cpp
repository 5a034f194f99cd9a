#include "app/AppDelegate.h"

#include "Core/Utilities/Logger.h"
#include "app/SingleInstanceGuard.h"
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
    return LaunchOutcome::running;
}

void AppDelegate::applicationWillTerminate() {
    if (terminated_) {
        return;
    }
    terminated_ = true;
    if (assembler_) {
        assembler_->shutdownClipboardServices();
        // Dropping the services drains their queues, so pending index writes land.
        assembler_.reset();
        Logger::info(QStringLiteral("Application will terminate"), category);
    }
}

} // namespace quellpad
