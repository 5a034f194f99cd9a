#include "app/AppAssembler.h"

#include "Core/Utilities/Logger.h"
#include "app/ClipboardServiceBuilder.h"
#include "capture/ClipboardIgnoredAppsSettings.h"
#include "capture/ClipboardImageTextRecognizing.h"
#include "capture/ClipboardMonitor.h"
#include "capture/EmptyClipboardMonitor.h"
#include "classification/LocalClipboardClassificationService.h"
#include "history/ClipboardHistoryAutoCleanupRunner.h"
#include "history/ClipboardHistoryManager.h"
#include "history/ClipboardHistoryRepository.h"
#include "history/EmptyClipboardHistoryRepository.h"
#include "platform/Clock.h"
#include "platform/Pasteboard.h"
#include "search/EmptyClipboardSearchService.h"
#include "search/SQLiteClipboardSearchIndexStore.h"

namespace quellpad {

AppAssembler::AppAssembler(DefaultsStore& defaults, NotificationCenter& notifications,
                           DataDirectoryManager& dataDirectory, AppPlatformServices platform, DistributionChannel channel)
    : defaults_(defaults),
      notifications_(notifications),
      dataDirectory_(dataDirectory),
      platform_(std::move(platform)),
      channel_(channel),
      emptyMonitor_(std::make_shared<EmptyClipboardMonitor>()),
      ignoredApps_(std::make_shared<ClipboardIgnoredAppsSettings>(defaults, platform_.applicationRegistry)) {
    installEmptyServices();
    rebuildClipboardServices();
}

AppAssembler::~AppAssembler() {
    stopMonitor();
    // The manager and the search service hold the repository; drop them first so its
    // queues drain while the index store is still open.
    searchService_.reset();
    manager_.reset();
    monitor_.reset();
    repository_.reset();
    indexStore_.reset();
}

std::shared_ptr<ClipboardMonitorProtocol> AppAssembler::clipboardMonitor() const {
    if (monitor_) {
        return monitor_;
    }
    return emptyMonitor_;
}

void AppAssembler::installEmptyServices() {
    monitor_.reset();
    repository_ = std::make_shared<EmptyClipboardHistoryRepository>();
    manager_ = std::make_shared<EmptyClipboardHistoryManager>();
    searchService_ = std::make_shared<EmptyClipboardSearchService>();
    indexStore_.reset();
}

void AppAssembler::stopMonitor() {
    if (monitor_) {
        monitor_->stopMonitoring();
    }
}

void AppAssembler::rebuildClipboardServices() {
    buildServices();
    if (servicesChanged_) servicesChanged_();
}

void AppAssembler::buildServices() {
    stopMonitor();
    // Release the previous build before opening the stores again at the (new) location.
    installEmptyServices();

    indexStore_ = ClipboardServiceBuilder::openSearchIndexStore(dataDirectory_, defaults_);
    QString openError;
    std::shared_ptr<ClipboardHistoryRepository> repository = ClipboardServiceBuilder::openRepository(
        dataDirectory_, indexStore_, defaults_, notifications_, platform_.clock, &openError);
    if (!repository) {
        installEmptyServices();
        historyOpenError_ = openError;
        return;
    }
    historyOpenError_.reset();

    ignoredApps_->applyDefaultIgnoredApps();
    auto classifier = std::make_shared<LocalClipboardClassificationService>();
    auto cleanupRunner = std::make_shared<ClipboardHistoryAutoCleanupRunner>(repository, defaults_, 3600.0);
    ClipboardMonitorDependencies dependencies{
        repository,
        cleanupRunner,
        platform_.pasteboard,
        platform_.workspace,
        platform_.imageCodec,
        defaults_,
        *platform_.clock,
        platform_.timerScheduler,
        platform_.makeImageTextRecognizer ? platform_.makeImageTextRecognizer() : nullptr,
        [classifier, &defaults = defaults_](const QString& text) {
            return storedClassification(classifier->classify(text, defaults));
        },
        [ignoredApps = ignoredApps_](const QString& bundleIdentifier) { return ignoredApps->isIgnored(bundleIdentifier); },
        channel_,
        platform_.keyMonitor ? std::make_shared<SystemClipboardCopyIntentMonitor>(platform_.keyMonitor) : nullptr,
        platform_.isAccessibilityTrusted,
    };
    repository_ = repository;
    monitor_ = std::make_shared<ClipboardMonitor>(std::move(dependencies));
    manager_ = std::make_shared<ClipboardHistoryManager>(repository_, monitor_);
    monitor_->clearTemporaryPauseState();
    monitor_->startMonitoring(true);
    searchService_ = ClipboardServiceBuilder::makeSearchService(repository, indexStore_, defaults_,
                                                                ClipboardServiceBuilder::SearchIndexRecovery::automatic);
}

std::optional<QString> AppAssembler::notCapturingReason() const {
    if (!platform_.pasteboard.isConnected()) {
        return QStringLiteral("The connection to the clipboard was lost (the display server went away)");
    }
    if (historyOpenError_) {
        return QStringLiteral("The clipboard history could not be opened: ") + *historyOpenError_;
    }
    if (auto repository = std::dynamic_pointer_cast<ClipboardHistoryRepository>(repository_)) {
        if (std::optional<ClipboardHistoryWriteError> error = repository->lastWriteError()) {
            return QStringLiteral("The last copy could not be stored: ") + error->description;
        }
    }
    return std::nullopt;
}

std::optional<QString> AppAssembler::clearAllHistory() {
    if (historyOpenError_) {
        return QStringLiteral("The clipboard history could not be opened: ") + *historyOpenError_;
    }
    const auto repository = std::dynamic_pointer_cast<ClipboardHistoryRepository>(repository_);
    if (!repository) {
        return QStringLiteral("The clipboard history is not open.");
    }
    repository->clearAll();
    if (std::optional<ClipboardHistoryWriteError> error = repository->lastWriteError()) {
        return error->description;
    }
    return std::nullopt;
}

void AppAssembler::shutdownClipboardServices() {
    stopMonitor();
}

void AppAssembler::resetClipboardServicesToEmpty() {
    stopMonitor();
    installEmptyServices();
    if (servicesChanged_) servicesChanged_();
}

} // namespace quellpad
