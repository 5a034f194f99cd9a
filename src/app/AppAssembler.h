// The composition root: builds every long-lived clipboard service over the platform
// services it is given, rebuilds them when the data directory moves, and installs
// the Empty services wherever storage cannot be opened. Main thread only.
#pragma once

#include <functional>
#include <memory>
#include <optional>

#include <QString>
#include <QStringList>

#include "settings/DistributionChannel.h"

namespace quellpad {

class ApplicationRegistry;
class Clock;
class ClipboardClassificationServiceProtocol;
class ClipboardHistoryManagerProtocol;
class ClipboardHistoryRepositoryProtocol;
class ClipboardIgnoredAppsSettings;
class ClipboardImageTextRecognizing;
class ClipboardMonitor;
class ClipboardMonitorProtocol;
class ClipboardSearchServiceProtocol;
class DataDirectoryManager;
class DefaultsStore;
class GlobalKeyMonitor;
class HotKeyService;
class KeySynthesizer;
class WindowActivation;
class AccessibilityService;
class ImageCodec;
class NotificationCenter;
class OneShotTimerScheduler;
class Pasteboard;
class SQLiteClipboardSearchIndexStore;
class Workspace;

// What the platform gives the clipboard services. References must outlive the assembler.
struct AppPlatformServices {
    Pasteboard& pasteboard;
    Workspace& workspace;
    ImageCodec& imageCodec;
    OneShotTimerScheduler& timerScheduler;
    std::shared_ptr<Clock> clock;
    // Builds the image text recognizer; absent: images are stored without recognition.
    std::function<std::shared_ptr<ClipboardImageTextRecognizing>()> makeImageTextRecognizer;
    // Global key observer for copy shortcuts; absent: polling alone.
    std::shared_ptr<GlobalKeyMonitor> keyMonitor = nullptr;
    // Whether the accessibility features may be used; absent counts as not trusted.
    std::function<bool()> isAccessibilityTrusted = nullptr;
    // Where the password managers of the default ignore list are looked for; absent: none are.
    std::shared_ptr<ApplicationRegistry> applicationRegistry = nullptr;
    // The panel shortcut; absent: no global shortcut (`quellpad toggle` still works).
    HotKeyService* hotKeys = nullptr;
    // Direct paste; either absent: items are only put on the clipboard.
    KeySynthesizer* keySynthesizer = nullptr;
    WindowActivation* windowActivation = nullptr;
    // The accessibility bus; absent counts as not enabled.
    AccessibilityService* accessibility = nullptr;
    // What `status` reports: the session type ("x11", "wayland") and the clipboard
    // backend in use ("x11", "ext-data-control", "wlr-data-control"; empty: "none").
    QString session = {};
    QString captureBackend = {};
    // The recognition languages (raw values such as "en-US") whose data is installed.
    std::function<QStringList()> installedRecognitionLanguages = nullptr;
    // The shortcut backend ("x11", "portal"; empty: "toggle-command", a desktop shortcut
    // running `quellpad toggle`) and the paste keystroke's ("x11", "virtual-keyboard", "kwin-fake-input";
    // empty: "none").
    QString shortcutBackend = {};
    QString pasteBackend = {};
    // False where the compositor does not say which window is active (Wayland without a
    // window list): the ignore list then applies only to XWayland windows.
    bool knowsActiveApplication = true;
};

class AppAssembler {
public:
    // Installs the Empty services, then runs the service build.
    AppAssembler(DefaultsStore& defaults, NotificationCenter& notifications, DataDirectoryManager& dataDirectory,
                 AppPlatformServices platform, DistributionChannel channel);
    ~AppAssembler();

    AppAssembler(const AppAssembler&) = delete;
    AppAssembler& operator=(const AppAssembler&) = delete;

    // (Re)builds index store, repository, classifier, cleanup runner, monitor, history
    // manager and search service at the current data directory, and starts monitoring.
    void rebuildClipboardServices();
    // Called after every (re)build or reset, so that holders of the services (the panel's
    // view model) take the new ones.
    void setServicesChangedHandler(std::function<void()> handler) { servicesChanged_ = std::move(handler); }
    // Stops capture; services stay installed.
    void shutdownClipboardServices();
    // Stops capture and installs the Empty services.
    void resetClipboardServicesToEmpty();

    std::shared_ptr<ClipboardHistoryRepositoryProtocol> clipboardHistoryRepository() const { return repository_; }
    std::shared_ptr<ClipboardMonitorProtocol> clipboardMonitor() const;
    std::shared_ptr<ClipboardHistoryManagerProtocol> clipboardHistoryManager() const { return manager_; }
    std::shared_ptr<ClipboardSearchServiceProtocol> clipboardSearchService() const { return searchService_; }
    // The concrete monitor while capture runs (null with the Empty services).
    std::shared_ptr<ClipboardMonitor> activeClipboardMonitor() const { return monitor_; }
    bool hasSearchIndex() const { return indexStore_ != nullptr; }
    // The ignore list the capture reads; the settings window edits the same one.
    ClipboardIgnoredAppsSettings& ignoredApps() const { return *ignoredApps_; }
    const AppPlatformServices& platform() const { return platform_; }
    // Why copies are not being stored although capture runs: the history could not be
    // opened, or the last write failed. nullopt when the last copy was stored.
    std::optional<QString> notCapturingReason() const;
    // Deletes every item and empties the index; why nothing was deleted, nullopt when done.
    std::optional<QString> clearAllHistory();

private:
    void buildServices();
    void installEmptyServices();
    void stopMonitor();

    DefaultsStore& defaults_;
    NotificationCenter& notifications_;
    DataDirectoryManager& dataDirectory_;
    AppPlatformServices platform_;
    DistributionChannel channel_;

    std::shared_ptr<SQLiteClipboardSearchIndexStore> indexStore_;
    std::shared_ptr<ClipboardHistoryRepositoryProtocol> repository_;
    std::optional<QString> historyOpenError_; // set while the Empty repository stands in
    std::shared_ptr<ClipboardMonitor> monitor_;
    std::shared_ptr<ClipboardMonitorProtocol> emptyMonitor_;
    std::shared_ptr<ClipboardHistoryManagerProtocol> manager_;
    std::shared_ptr<ClipboardSearchServiceProtocol> searchService_;
    // One per process: it keeps the default list and the merge-running flag across rebuilds.
    std::shared_ptr<ClipboardIgnoredAppsSettings> ignoredApps_;
    std::function<void()> servicesChanged_;
};

} // namespace quellpad
