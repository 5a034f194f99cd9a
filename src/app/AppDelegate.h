// The application's launch and termination sequences. Owns the settings, the
// notification center, the data-directory manager and the composition root for the
// life of the process. Main thread only.
#pragma once

#include <functional>
#include <memory>
#include <optional>

#include <QJsonObject>
#include <QString>

#include "app/AppAssembler.h"
#include "app/OnboardingWindowPresenting.h"
#include "app/ClassificationWindowPresenting.h"
#include "app/SettingsWindowPresenting.h"
#include "floating/FloatingClipboardPanelWindowing.h"
#include "panel/ClipboardPanelWindowing.h"
#include "pin/PinWindowViewModel.h"
#include "pin/RecognizedTextViewModel.h"
#include "settings/DistributionChannel.h"

namespace quellpad {

class AccessibilityPermissionManager;
class MenuBarManager;
class AppCommandServer;
class ClassificationViewModel;
class ClipboardDirectPaste;
class ClipboardPanelController;
struct ClipboardPanelControllerServices;
class ClipboardPanelCoordinator;
class ClipboardPanelPresenting;
class ClipboardPanelViewModel;
class ClipboardTemporaryFiles;
class Localizer;
class HotkeyManager;
class LaunchAtLoginManaging;
class SettingsViewModel;
class StorageSettingsViewModel;
class AppFilterSettingsViewModel;
class AdvancedSettingsViewModel;
struct SettingsPageModels;
class OnboardingViewModel;
class DataDirectoryManager;
class DefaultsStore;
class FloatingPanelAssembly;
class NotificationCenter;
class SingleInstanceGuard;

class AppDelegate {
public:
    // The windows, built by the caller (the only code that may use widgets). Any may be
    // absent: without a panel window the panel is only a state the command line can
    // read; without a tray icon the shortcut and a second launch are the ways in.
    struct WindowFactories {
        ClipboardPanelWindowFactory panelWindow;
        // The floating panel's widgets (direct channel only): the shortcut opens that
        // panel when the settings choose it.
        FloatingClipboardPanelWindowFactory floatingPanelWindow;
        std::function<std::unique_ptr<QObject>(MenuBarManager&)> trayIcon;
        std::function<bool()> isTrayAvailable;
        std::function<void()> showAbout;
        // The settings window over the model the app keeps, built on first use. With it
        // the tray offers "Settings..." and a second launch opens it instead of the panel.
        std::function<std::unique_ptr<SettingsWindowPresenting>(SettingsViewModel&, const SettingsPageModels&)>
            settingsWindow;
        // A pinned item's window and an image's recognised-text window, each opened anew
        // and closed by the user; absent: the panel does not offer those actions.
        std::function<void(ClipboardContentType, const ClipboardHistoryContentSnapshot&, PinCopyHandler)> pinWindow;
        std::function<void(const QByteArray& imageData, const QString& itemId, RecognizedTextServices)>
            recognizedTextWindow;
        // False where the app cannot place its own windows (native Wayland): the floating
        // panel then gives way to the centered one. Absent: true.
        std::function<bool()> windowsPlaceable;
        // The first-run guide, built on first use. With it the app shows it at launch
        // until it is completed, the tray offers "Show Onboarding" and a second launch
        // opens it while it is not completed.
        std::function<std::unique_ptr<OnboardingWindowPresenting>(OnboardingViewModel&)> onboardingWindow;
        // The classification window, built on first use; with it the tray offers "Classification...".
        std::function<std::unique_ptr<ClassificationWindowPresenting>(ClassificationViewModel&)> classificationWindow;
    };

    // `platform` builds the platform services once the launch gets that far.
    AppDelegate(DefaultsStore& defaults, NotificationCenter& notifications, SingleInstanceGuard& instanceGuard,
                std::function<AppPlatformServices()> platform, DistributionChannel channel,
                WindowFactories windows = {});
    ~AppDelegate();

    // anotherInstanceRunning: it was asked to reopen (reopenDelivered tells whether it answered).
    enum class LaunchOutcome { running, anotherInstanceRunning };
    bool reopenDelivered() const { return reopenDelivered_; }
    LaunchOutcome applicationDidFinishLaunching();
    void applicationWillTerminate();

    AppAssembler* assembler() const { return assembler_.get(); }
    DataDirectoryManager* dataDirectoryManager() const { return dataDirectory_.get(); }
    ClipboardPanelCoordinator* panelCoordinator() const { return panelCoordinator_.get(); }
    ClipboardPanelViewModel* panelViewModel() const { return panelViewModel_.get(); }
    ClipboardPanelController* panelController() const { return panelController_.get(); }
    FloatingPanelAssembly* floatingPanel() const { return floatingPanel_.get(); }

    // Answers "pause", "resume", "status", "toggle" and "reopen" from the command line at once;
    // "paste ID" answers through reply once the paste is done or has failed.
    void handleCommand(const QString& command, const std::function<void(const QJsonObject&)>& reply);
    QJsonObject handleCommand(const QString& command);

    MenuBarManager* menuBarManager() const { return menuBar_.get(); }
    // Opens the settings window (when there is a factory for it) at a page or the last one.
    void showSettings(std::optional<SettingsModuleIdentifier> page);
    // Opens the onboarding window (when there is a factory for it).
    void showOnboarding();
    // Opens the classification window (when there is a factory for it).
    void showClassification();

private:
    void startPanelServices();
    void startMenuBar();
    void addPinAndTextWindows(ClipboardPanelControllerServices& services);
    void sendFeedback();
    // The Storage, App Filter and Advanced pages' models over the running services.
    SettingsPageModels makeSettingsPageModels();

    DefaultsStore& defaults_;
    NotificationCenter& notifications_;
    SingleInstanceGuard& instanceGuard_;
    std::function<AppPlatformServices()> platform_;
    DistributionChannel channel_;
    WindowFactories windows_;
    std::unique_ptr<Localizer> localizer_;
    std::unique_ptr<DataDirectoryManager> dataDirectory_;
    std::unique_ptr<AppAssembler> assembler_;
    std::unique_ptr<AppCommandServer> commandServer_;
    std::unique_ptr<AccessibilityPermissionManager> accessibilityPermission_;
    std::unique_ptr<HotkeyManager> hotkeyManager_;
    std::unique_ptr<ClipboardDirectPaste> directPaste_;
    std::unique_ptr<ClipboardTemporaryFiles> temporaryFiles_;
    std::unique_ptr<ClipboardPanelViewModel> panelViewModel_;
    std::unique_ptr<ClipboardPanelController> panelController_;
    std::unique_ptr<QObject> panelWindow_; // owns the widgets
    std::unique_ptr<ClipboardPanelPresenting> loggingPanel_; // stands in without widgets
    std::unique_ptr<FloatingPanelAssembly> floatingPanel_;
    ClipboardPanelPresenting* panel_ = nullptr;
    std::unique_ptr<ClipboardPanelCoordinator> panelCoordinator_;
    std::unique_ptr<MenuBarManager> menuBar_;
    std::unique_ptr<QObject> trayIcon_;
    std::unique_ptr<LaunchAtLoginManaging> launchAtLogin_;
    std::unique_ptr<SettingsViewModel> settingsModel_;
    std::unique_ptr<StorageSettingsViewModel> storageSettingsModel_;
    std::unique_ptr<AppFilterSettingsViewModel> appFilterSettingsModel_;
    std::unique_ptr<AdvancedSettingsViewModel> advancedSettingsModel_;
    std::unique_ptr<SettingsWindowPresenting> settingsWindow_; // after the model it binds
    std::unique_ptr<OnboardingViewModel> onboardingModel_;
    std::unique_ptr<OnboardingWindowPresenting> onboardingWindow_;
    bool didRequestInitialOnboardingThisLaunch_ = false;
    std::unique_ptr<ClassificationViewModel> classificationModel_;
    std::unique_ptr<ClassificationWindowPresenting> classificationWindow_; // after the model it binds
    bool terminated_ = false;
    bool reopenDelivered_ = false;
};

} // namespace quellpad
