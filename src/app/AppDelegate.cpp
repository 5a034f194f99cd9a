#include "app/AppDelegate.h"

#include <QCoreApplication>
#include <QSysInfo>
#include <QTimer>
#include <QUrl>

#include "Core/Utilities/Logger.h"
#include "app/AccessibilityPermissionManager.h"
#include "app/AppCommandServer.h"
#include "app/ClipboardPanelCoordinator.h"
#include "app/FloatingPanelAssembly.h"
#include "app/LoggingClipboardPanel.h"
#include "app/LaunchAtLoginManager.h"
#include "app/MenuBarManager.h"
#include "app/OnboardingViewModel.h"
#include "app/SettingsViewModel.h"
#include "app/AdvancedSettingsViewModel.h"
#include "app/AppFilterSettingsViewModel.h"
#include "app/SettingsPageModels.h"
#include "app/StorageSettingsViewModel.h"
#include "history/ClipboardHistoryAutoCleanupRunner.h"
#include "app/ClassificationViewModel.h"
#include "classification/LocalClipboardClassificationService.h"
#include "app/SingleInstanceGuard.h"
#include "capture/ClipboardMonitor.h"
#include "capture/ClipboardMonitorProtocol.h"
#include "history/ClipboardHistoryManagerProtocol.h"
#include "history/DataDirectoryManager.h"
#include "hotkey/HotkeyManager.h"
#include "localization/Localizer.h"
#include "panel/ClipboardDirectPaste.h"
#include "panel/ClipboardPanelController.h"
#include "panel/ClipboardPanelViewModel.h"
#include "panel/ClipboardPinCopyHandler.h"
#include "panel/ClipboardTemporaryFiles.h"
#include "platform/AccessibilityService.h"
#include "platform/ApplicationRegistry.h"
#include "platform/Pasteboard.h"
#include "platform/Workspace.h"
#include "settings/AppPreferences.h"

namespace quellpad {

namespace {
const QString category = QStringLiteral("AppDelegate");
}

AppDelegate::AppDelegate(DefaultsStore& defaults, NotificationCenter& notifications, SingleInstanceGuard& instanceGuard,
                         std::function<AppPlatformServices()> platform, DistributionChannel channel,
                         WindowFactories windows)
    : defaults_(defaults),
      notifications_(notifications),
      instanceGuard_(instanceGuard),
      platform_(std::move(platform)),
      channel_(channel),
      windows_(std::move(windows)),
      localizer_(std::make_unique<Localizer>(defaults)) {}

AppDelegate::~AppDelegate() {
    applicationWillTerminate();
}

AppDelegate::LaunchOutcome AppDelegate::applicationDidFinishLaunching() {
    Logger::info(QStringLiteral("Application did finish launching"), category);
    if (!instanceGuard_.tryAcquire()) {
        Logger::info(QStringLiteral("Another instance is already running, terminating..."), category);
        // A second launch is how a user without a tray icon gets back in: the running
        // instance opens its window.
        const std::optional<QJsonObject> reply =
            AppCommandServer::send(AppCommandServer::defaultSocketPath(), QStringLiteral("reopen"));
        reopenDelivered_ = reply && reply->value(QStringLiteral("ok")).toBool();
        if (!reopenDelivered_) {
            Logger::warning(QStringLiteral("The running instance did not answer the reopen request"), category);
        }
        return LaunchOutcome::anotherInstanceRunning;
    }
    Logger::info(QStringLiteral("Single instance check passed"), category);
    dataDirectory_ = std::make_unique<DataDirectoryManager>(defaults_);
    assembler_ = std::make_unique<AppAssembler>(defaults_, notifications_, *dataDirectory_, platform_(), channel_);
    startPanelServices();
    commandServer_ = std::make_unique<AppCommandServer>(
        AppCommandServer::defaultSocketPath(),
        [this](const QString& command, const std::function<void(const QJsonObject&)>& reply) {
            handleCommand(command, reply);
        });
    commandServer_->listen();
    if (!didRequestInitialOnboardingThisLaunch_ && windows_.onboardingWindow &&
        !AppPreferences(defaults_).didCompleteOnboarding()) {
        didRequestInitialOnboardingThisLaunch_ = true;
        showOnboarding();
    }
    return LaunchOutcome::running;
}

void AppDelegate::startPanelServices() {
    const AppPlatformServices& platform = assembler_->platform();
    AccessibilityService* accessibility = platform.accessibility;
    accessibilityPermission_ = std::make_unique<AccessibilityPermissionManager>(
        defaults_, platform.timerScheduler, [accessibility] { return accessibility && accessibility->isEnabled(); },
        [accessibility] { return accessibility && accessibility->requestEnabled(); }, nullptr);
    if (platform.keySynthesizer && platform.windowActivation) {
        directPaste_ = std::make_unique<ClipboardDirectPaste>(*platform.windowActivation, *platform.keySynthesizer,
                                                              platform.timerScheduler, defaults_, channel_,
                                                              QCoreApplication::applicationPid());
    }
    temporaryFiles_ = std::make_unique<ClipboardTemporaryFiles>(platform.timerScheduler);
    panelViewModel_ = std::make_unique<ClipboardPanelViewModel>(assembler_->clipboardHistoryManager(),
                                                                assembler_->clipboardSearchService(), defaults_,
                                                                platform.timerScheduler, *localizer_);
    assembler_->setServicesChangedHandler([this] {
        if (panelController_) panelController_->dismiss();
        panelViewModel_->setServices(assembler_->clipboardHistoryManager(), assembler_->clipboardSearchService());
        if (floatingPanel_) {
            floatingPanel_->setServices(assembler_->clipboardHistoryManager(), assembler_->clipboardSearchService());
        }
    });
    AppAssembler* assembler = assembler_.get();
    ClipboardPanelControllerServices services{
        .pasteboard = platform.pasteboard,
        .workspace = platform.workspace,
        .defaults = defaults_,
        .localizer = *localizer_,
        .temporaryFiles = *temporaryFiles_,
        .channel = channel_,
        .directPaste = directPaste_.get(),
        // Synthetic keys need no accessibility bus on X11: the platform says whether they are allowed.
        .isAccessibilityTrusted = platform.isAccessibilityTrusted,
        .isRecordingPaused = [assembler] { return assembler->clipboardMonitor()->isTemporarilyPaused(); },
        .pinWindowFactory = nullptr, // set below when there are windows for them
        .presentOCRWindow = nullptr,
        .pasteKeystrokeUnavailable = directPaste_ == nullptr,
    };
    addPinAndTextWindows(services);
    const ClipboardPanelControllerServices floatingServices = services;
    panelController_ = std::make_unique<ClipboardPanelController>(*panelViewModel_, std::move(services));
    if (windows_.panelWindow) {
        panelWindow_ = windows_.panelWindow(*panelController_);
        panel_ = panelController_.get();
        if (windows_.floatingPanelWindow && channel_ == DistributionChannel::direct) {
            floatingPanel_ = std::make_unique<FloatingPanelAssembly>(
                floatingServices, assembler_->clipboardHistoryManager(), assembler_->clipboardSearchService(),
                platform.timerScheduler, platform.accessibility, *accessibilityPermission_, *panelController_,
                windows_.floatingPanelWindow, !windows_.windowsPlaceable || windows_.windowsPlaceable());
            panel_ = &floatingPanel_->presenting();
        }
    } else {
        loggingPanel_ = std::make_unique<LoggingClipboardPanel>();
        panel_ = loggingPanel_.get();
    }
    if (platform.hotKeys) {
        hotkeyManager_ = std::make_unique<HotkeyManager>(*platform.hotKeys, defaults_);
    } else {
        Logger::warning(QStringLiteral("No global shortcut service; the panel opens through `quellpad toggle`"), category);
    }
    panelCoordinator_ =
        std::make_unique<ClipboardPanelCoordinator>(hotkeyManager_.get(), defaults_, *panel_, directPaste_.get());
    panelCoordinator_->start();
    startMenuBar();
    // The first page is loaded once the event loop runs, so the first opening shows rows at once.
    QTimer::singleShot(0, panelViewModel_.get(), [model = panelViewModel_.get()] { model->loadItems(false); });
}

void AppDelegate::addPinAndTextWindows(ClipboardPanelControllerServices& services) {
    AppAssembler* assembler = assembler_.get();
    Pasteboard& pasteboard = assembler_->platform().pasteboard;
    if (windows_.pinWindow) {
        services.pinWindowFactory = [this, assembler, &pasteboard](ClipboardContentType kind,
                                                                   const ClipboardHistoryContentSnapshot& content) {
            windows_.pinWindow(
                kind, content,
                makeClipboardPinCopyHandler([assembler] { return assembler->clipboardHistoryManager(); }, pasteboard,
                                            content));
        };
    }
    if (windows_.recognizedTextWindow) {
        services.presentOCRWindow = [this, assembler, &pasteboard](const QByteArray& imageData, const QString& itemId) {
            RecognizedTextServices text{
                .fetchContent = [assembler](const QString& id) {
                    return assembler->clipboardHistoryManager()->getContentSnapshotById(id);
                },
                .recognize = nullptr, // the window's builder brings its recogniser
                .copyText = [&pasteboard](const QString& recognized) {
                    return pasteboard.write({{PasteboardTypes::plainText, recognized.toUtf8()}});
                },
            };
            windows_.recognizedTextWindow(imageData, itemId, std::move(text));
        };
    }
}

void AppDelegate::startMenuBar() {
    std::set<MenuBarAction> available{MenuBarAction::openClipboardHistoryPanel, MenuBarAction::toggleTemporaryMonitoring,
                                      MenuBarAction::sendFeedback};
    if (windows_.showAbout) available.insert(MenuBarAction::showAbout);
    if (windows_.settingsWindow) {
        available.insert(MenuBarAction::openSettings);
        available.insert(MenuBarAction::openGeneralSettings);
    }
    if (windows_.onboardingWindow) available.insert(MenuBarAction::showOnboarding);
    if (windows_.classificationWindow) available.insert(MenuBarAction::openClassification);
    MenuBarManager::Hooks hooks{
        .perform =
            [this](MenuBarAction action) {
                const QString coordinator = QStringLiteral("AppCoordinator");
                switch (action) {
                case MenuBarAction::openClipboardHistoryPanel:
                    Logger::info(QStringLiteral("Show clipboard panel requested"), coordinator);
                    panelCoordinator_->showPanel();
                    return;
                case MenuBarAction::toggleTemporaryMonitoring: {
                    const std::shared_ptr<ClipboardMonitorProtocol> monitor = assembler_->clipboardMonitor();
                    if (monitor->isTemporarilyPaused()) {
                        monitor->resumeFromTemporaryPause();
                    } else {
                        monitor->pauseTemporarily();
                    }
                    return;
                }
                case MenuBarAction::sendFeedback: sendFeedback(); return;
                case MenuBarAction::showAbout:
                    Logger::info(QStringLiteral("Show about window requested"), coordinator);
                    if (windows_.showAbout) windows_.showAbout();
                    return;
                case MenuBarAction::quit: QCoreApplication::quit(); return;
                case MenuBarAction::openSettings: showSettings(std::nullopt); return;
                case MenuBarAction::openGeneralSettings: showSettings(SettingsModuleIdentifier::general); return;
                case MenuBarAction::showOnboarding: showOnboarding(); return;
                case MenuBarAction::openClassification: showClassification(); return;
                case MenuBarAction::checkForUpdates:
                    // Never offered: a package manager updates the Linux build.
                    return;
                }
            },
        .isMonitoringPaused = [this] { return assembler_->clipboardMonitor()->isTemporarilyPaused(); },
        .isTrayAvailable = windows_.isTrayAvailable,
        .availableActions = available,
    };
    menuBar_ = std::make_unique<MenuBarManager>(defaults_, *localizer_, assembler_->platform().timerScheduler,
                                                std::move(hooks));
    if (windows_.trayIcon) trayIcon_ = windows_.trayIcon(*menuBar_);
}

void AppDelegate::showSettings(std::optional<SettingsModuleIdentifier> page) {
    if (!windows_.settingsWindow || !assembler_) return;
    Logger::info(QStringLiteral("Show settings requested"), QStringLiteral("AppCoordinator"));
    if (!settingsWindow_) {
        launchAtLogin_ = std::make_unique<XdgAutostartLaunchAtLoginManager>();
        SettingsViewModel::Services services{
            .launchAtLogin = launchAtLogin_.get(),
            .panelCoordinator = panelCoordinator_.get(),
            .timers = &assembler_->platform().timerScheduler,
            .channel = channel_,
            .windowsPlaceable = windows_.windowsPlaceable,
        };
        settingsModel_ = std::make_unique<SettingsViewModel>(defaults_, notifications_, *localizer_, std::move(services));
        settingsWindow_ = windows_.settingsWindow(*settingsModel_, makeSettingsPageModels());
    }
    settingsWindow_->present(page);
}

SettingsPageModels AppDelegate::makeSettingsPageModels() {
    const AppPlatformServices& platform = assembler_->platform();
    StorageSettingsViewModel::Services storage{
        .workspace = &platform.workspace,
        // The stores close before their files are copied and open again wherever the data is then.
        .releaseStorage = [this] { assembler_->resetClipboardServicesToEmpty(); },
        .reopenStorage = [this] { assembler_->rebuildClipboardServices(); },
        .clearHistory = [this] { return assembler_->clearAllHistory(); },
        // A one-off runner: it always runs and leaves the monitor's hourly schedule alone.
        .applyRetention =
            [this](ClipboardContentType type) {
                ClipboardHistoryAutoCleanupRunner(assembler_->clipboardHistoryRepository(), defaults_)
                    .runCleanupIfNeeded(type, true);
            },
    };
    storageSettingsModel_ =
        std::make_unique<StorageSettingsViewModel>(defaults_, *localizer_, *dataDirectory_, std::move(storage));
    std::shared_ptr<ApplicationRegistry> registry = platform.applicationRegistry;
    AppFilterSettingsViewModel::Services appFilter{
        .installedApplications =
            [registry] { return registry ? registry->installedApplicationEntries() : QList<InstalledApplication>{}; },
        .cannotTellActiveApplication = !platform.knowsActiveApplication,
    };
    appFilterSettingsModel_ = std::make_unique<AppFilterSettingsViewModel>(defaults_, assembler_->ignoredApps(),
                                                                           *localizer_, std::move(appFilter));
    AdvancedSettingsViewModel::Services advanced{
        .searchService = [this] { return assembler_->clipboardSearchService(); },
        .installedRecognitionLanguages = platform.installedRecognitionLanguages,
        .accessibility = accessibilityPermission_.get(),
    };
    advancedSettingsModel_ = std::make_unique<AdvancedSettingsViewModel>(defaults_, *localizer_, std::move(advanced));
    return SettingsPageModels{*storageSettingsModel_, *appFilterSettingsModel_, *advancedSettingsModel_};
}

void AppDelegate::showOnboarding() {
    if (!windows_.onboardingWindow || !assembler_) return;
    Logger::info(QStringLiteral("Show onboarding requested"), QStringLiteral("AppCoordinator"));
    if (!onboardingWindow_) {
        const std::function<bool()> isTrayAvailable = windows_.isTrayAvailable;
        onboardingModel_ = std::make_unique<OnboardingViewModel>(
            defaults_, *localizer_,
            OnboardingViewModel::Services{
                .timers = assembler_->platform().timerScheduler,
                .panelCoordinator = panelCoordinator_.get(),
                .accessibility = accessibilityPermission_.get(),
                .isTrayAvailable = isTrayAvailable,
                .channel = channel_,
                .finished = [this] { onboardingWindow_->dismiss(); },
            });
        onboardingWindow_ = windows_.onboardingWindow(*onboardingModel_);
    }
    onboardingWindow_->present();
}

void AppDelegate::showClassification() {
    if (!windows_.classificationWindow || !assembler_) return;
    Logger::info(QStringLiteral("Show classification requested"), QStringLiteral("AppCoordinator"));
    if (!classificationWindow_) {
        classificationModel_ = std::make_unique<ClassificationViewModel>(
            defaults_, *localizer_, std::make_shared<LocalClipboardClassificationService>());
        classificationWindow_ = windows_.classificationWindow(*classificationModel_);
    }
    classificationWindow_->present();
}

void AppDelegate::sendFeedback() {
    // "Quellpad 1.2 (1) Linux 6.1" as the subject, an empty body to write in.
    const QString subject = QStringLiteral("Quellpad %1 (%2) Linux %3")
                                .arg(QCoreApplication::applicationVersion(), QStringLiteral("1"), QSysInfo::kernelVersion());
    QUrl url(QStringLiteral("mailto:feedback@quellpad.app"));
    url.setQuery(QStringLiteral("subject=") + QString::fromLatin1(QUrl::toPercentEncoding(subject)) +
                 QStringLiteral("&body=%0A%0A"));
    QString error;
    if (!assembler_->platform().workspace.openUrl(url, &error)) {
        Logger::warning(QStringLiteral("Could not open the mail application: ") + error, QStringLiteral("AppCoordinator"));
    }
}

void AppDelegate::handleCommand(const QString& command, const std::function<void(const QJsonObject&)>& reply) {
    static const QString pastePrefix = QStringLiteral("paste ");
    if (!command.startsWith(pastePrefix) || !assembler_) {
        reply(handleCommand(command));
        return;
    }
    const QString id = command.mid(pastePrefix.size()).trimmed();
    Logger::info(QStringLiteral("Paste of item ") + id + QStringLiteral(" requested"), QStringLiteral("AppCoordinator"));
    panelCoordinator_->pasteItem(id, *assembler_->clipboardHistoryManager(), assembler_->platform().pasteboard,
                                 [reply](const QString& error) {
                                     QJsonObject answer{{QStringLiteral("ok"), true},
                                                        {QStringLiteral("pasted"), error.isEmpty()}};
                                     if (!error.isEmpty()) answer.insert(QStringLiteral("message"), error);
                                     reply(answer);
                                 });
}

QJsonObject AppDelegate::handleCommand(const QString& command) {
    if (!assembler_) {
        return {{QStringLiteral("ok"), false}, {QStringLiteral("error"), QStringLiteral("not running")}};
    }
    const std::shared_ptr<ClipboardMonitorProtocol> monitor = assembler_->clipboardMonitor();
    if (command == QStringLiteral("pause")) {
        Logger::info(QStringLiteral("Pause recording requested"), QStringLiteral("AppCoordinator"));
        monitor->pauseTemporarily();
        if (menuBar_) menuBar_->refresh();
    } else if (command == QStringLiteral("resume")) {
        Logger::info(QStringLiteral("Resume recording requested"), QStringLiteral("AppCoordinator"));
        monitor->resumeFromTemporaryPause();
        if (menuBar_) menuBar_->refresh();
    } else if (command == QStringLiteral("toggle")) {
        Logger::info(QStringLiteral("Panel toggle requested"), QStringLiteral("AppCoordinator"));
        panelCoordinator_->togglePanel();
    } else if (command == QStringLiteral("reopen")) {
        // Without a settings window the panel is the way in; until onboarding is
        // completed a second launch continues it.
        if (windows_.onboardingWindow && !AppPreferences(defaults_).didCompleteOnboarding()) {
            showOnboarding();
        } else if (windows_.settingsWindow) {
            showSettings(SettingsModuleIdentifier::general);
        } else {
            Logger::info(QStringLiteral("Show clipboard panel requested"), QStringLiteral("AppCoordinator"));
            panelCoordinator_->showPanel();
        }
    } else if (command == QStringLiteral("classification")) {
        showClassification();
    } else if (command != QStringLiteral("status")) {
        return {{QStringLiteral("ok"), false}, {QStringLiteral("error"), QStringLiteral("unknown command")}};
    }
    const std::optional<QString> notCapturing = assembler_->notCapturingReason();
    QJsonObject reply{{QStringLiteral("ok"), true},
            {QStringLiteral("paused"), monitor->isTemporarilyPaused()},
            {QStringLiteral("capturing"), !notCapturing && !monitor->isTemporarilyPaused()},
            {QStringLiteral("searchIndex"), assembler_->hasSearchIndex()},
            {QStringLiteral("panelVisible"), panel_ && panel_->isVisible()},
            {QStringLiteral("settingsVisible"), settingsWindow_ && settingsWindow_->isPresented()},
            {QStringLiteral("onboardingVisible"), onboardingWindow_ && onboardingWindow_->isPresented()},
            {QStringLiteral("classificationVisible"), classificationWindow_ && classificationWindow_->isPresented()},
            // Lets scripts and tests wait until the app has seen a copy.
            {QStringLiteral("clipboardChangeCount"), static_cast<double>(assembler_->platform().pasteboard.latestChangeCount())},
            {QStringLiteral("handledChangeCount"),
             assembler_->activeClipboardMonitor() ? static_cast<double>(assembler_->activeClipboardMonitor()->lastChangeCount())
                                                  : -1.0},
            {QStringLiteral("hotkey"), panelCoordinator_ && panelCoordinator_->registeredClipboardHotkey()
                                           ? panelCoordinator_->registeredClipboardHotkey()->desktopText()
                                           : QString()},
            {QStringLiteral("session"), assembler_->platform().session},
            {QStringLiteral("captureBackend"), assembler_->platform().captureBackend.isEmpty() ||
                                                       !assembler_->platform().pasteboard.isConnected()
                                                   ? QStringLiteral("none")
                                                   : assembler_->platform().captureBackend},
            {QStringLiteral("shortcutBackend"), assembler_->platform().shortcutBackend.isEmpty()
                                                    ? QStringLiteral("toggle-command")
                                                    : assembler_->platform().shortcutBackend},
            {QStringLiteral("pasteBackend"), directPaste_ && !assembler_->platform().pasteBackend.isEmpty()
                                                 ? assembler_->platform().pasteBackend
                                                 : QStringLiteral("none")},
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
    trayIcon_.reset();
    menuBar_.reset();
    settingsWindow_.reset();
    settingsModel_.reset();
    storageSettingsModel_.reset();
    appFilterSettingsModel_.reset();
    advancedSettingsModel_.reset();
    onboardingWindow_.reset();
    onboardingModel_.reset();
    classificationWindow_.reset();
    classificationModel_.reset();
    if (panelController_) panelController_->dismiss();
    if (floatingPanel_) floatingPanel_->dismiss();
    // Releases the shortcut's grab before the services go.
    panelCoordinator_.reset();
    hotkeyManager_.reset();
    // Widgets first: they hold the controller and the model.
    floatingPanel_.reset();
    panel_ = nullptr;
    panelWindow_.reset();
    panelController_.reset();
    if (assembler_) assembler_->setServicesChangedHandler(nullptr);
    panelViewModel_.reset();
    // Files handed to other applications go with us.
    temporaryFiles_.reset();
    if (assembler_) {
        assembler_->shutdownClipboardServices();
        // Dropping the services drains their queues, so pending index writes land.
        assembler_.reset();
        Logger::info(QStringLiteral("Application will terminate"), category);
    }
}

} // namespace quellpad
