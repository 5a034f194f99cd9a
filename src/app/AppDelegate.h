// The application's launch and termination sequences. Owns the settings, the
// notification center, the data-directory manager and the composition root for the
// life of the process. Main thread only.
#pragma once

#include <functional>
#include <memory>
#include <optional>

#include <QJsonObject>

#include "app/AppAssembler.h"
#include "settings/DistributionChannel.h"

namespace quellpad {

class AppCommandServer;
class DataDirectoryManager;
class DefaultsStore;
class NotificationCenter;
class SingleInstanceGuard;

class AppDelegate {
public:
    // `platform` builds the platform services once the launch gets that far.
    AppDelegate(DefaultsStore& defaults, NotificationCenter& notifications, SingleInstanceGuard& instanceGuard,
                std::function<AppPlatformServices()> platform, DistributionChannel channel);
    ~AppDelegate();

    enum class LaunchOutcome { running, skippedForTests, anotherInstanceRunning };
    LaunchOutcome applicationDidFinishLaunching();
    void applicationWillTerminate();

    AppAssembler* assembler() const { return assembler_.get(); }
    DataDirectoryManager* dataDirectoryManager() const { return dataDirectory_.get(); }

    // Answers "pause", "resume" and "status" from the command line.
    QJsonObject handleCommand(const QString& command);

private:
    DefaultsStore& defaults_;
    NotificationCenter& notifications_;
    SingleInstanceGuard& instanceGuard_;
    std::function<AppPlatformServices()> platform_;
    DistributionChannel channel_;
    std::unique_ptr<DataDirectoryManager> dataDirectory_;
    std::unique_ptr<AppAssembler> assembler_;
    std::unique_ptr<AppCommandServer> commandServer_;
    bool terminated_ = false;
};

} // namespace quellpad
