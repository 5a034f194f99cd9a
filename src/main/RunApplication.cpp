#include "main/RunApplication.h"

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QPointer>
#include <QSocketNotifier>

#include "Core/Utilities/AppIdentity.h"
#include "Core/Utilities/Logger.h"
#include "Core/Utilities/NotificationCenter.h"
#include "app/AppDelegate.h"
#include "localization/Localizer.h"
#include "app/widgets/AboutWindow.h"
#include "app/widgets/OnboardingWindow.h"
#include "app/widgets/SettingsWindow.h"
#include "app/SettingsPageModels.h"
#include "settings/ClipboardOCRConfiguration.h"
#include "app/widgets/ClassificationWindow.h"
#include "app/widgets/TrayIcon.h"
#include "panel/widgets/ClipboardPanelWindowFactory.h"
#include "floating/widgets/FloatingClipboardPanelWindowFactory.h"
#include "pin/widgets/PinWindow.h"
#include "pin/widgets/RecognizedTextWindow.h"
#include "app/SingleInstanceGuard.h"
#include "capture/ClipboardImageTextRecognizer.h"
#include "cli/CliCommand.h"
#include "platform/Clock.h"
#include "platform/OneShotTimer.h"
#include "platform/QtImageCodec.h"
#include "platform/linux/JsonFileDefaultsStore.h"
#include "platform/linux/TesseractTextRecognitionEngine.h"
#include "platform/linux/LinuxAccessibilityService.h"
#include "platform/linux/X11CompositorProbe.h"
#include "platform/linux/X11GlobalKeyMonitor.h"
#include "platform/linux/X11HotKeyService.h"
#include "platform/linux/X11KeySynthesizer.h"
#include "platform/linux/X11WindowActivation.h"
#include "platform/linux/X11Pasteboard.h"
#include "platform/linux/WaylandPasteboard.h"
#include "platform/linux/PortalHotKeyService.h"
#include "platform/linux/WaylandKeySynthesizer.h"
#include "platform/linux/KWinFakeInputKeySynthesizer.h"
#include "platform/linux/FocusReturnActivation.h"
#include "platform/linux/WaylandToplevels.h"
#include "platform/linux/WaylandWorkspace.h"
#include "platform/linux/X11Workspace.h"
#include "platform/linux/XdgApplicationRegistry.h"

namespace quellpad {

namespace {

int signalPipe[2] = {-1, -1};

void onTerminationSignal(int signal) {
    // Only async-signal-safe work here: hand the signal to the event loop.
    const char byte = static_cast<char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

void installTerminationHandlers(QCoreApplication& app, QSocketNotifier*& notifier) {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0) {
        Logger::error(QStringLiteral("Failed to create the signal pipe; SIGTERM will end the process abruptly"),
                      QStringLiteral("AppDelegate"));
        return;
    }
    notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [] {
        char byte = 0;
        [[maybe_unused]] const ssize_t got = ::read(signalPipe[0], &byte, 1);
        Logger::info(QStringLiteral("Received termination signal ") + QString::number(byte),
                     QStringLiteral("AppDelegate"));
        QCoreApplication::quit();
    });
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
}

// Wayland first when the session is one (WAYLAND_DISPLAY set, with or without XWayland's
// DISPLAY): an X11 client there sees only copies made in XWayland windows.
std::unique_ptr<Pasteboard> openPasteboard(QString* error, QString* backendName) {
    if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        QString waylandError;
        if (std::unique_ptr<WaylandPasteboard> wayland = WaylandPasteboard::open(&waylandError)) {
            *backendName = wayland->protocolName();
            Logger::info(QStringLiteral("Clipboard capture through Wayland %1").arg(*backendName),
                         QStringLiteral("AppDelegate"));
            return wayland;
        }
        Logger::warning(QStringLiteral("Wayland clipboard capture unavailable (%1); trying X11").arg(waylandError),
                        QStringLiteral("AppDelegate"));
    }
    std::unique_ptr<X11Pasteboard> x11 = X11Pasteboard::open(error);
    if (x11) {
        *backendName = QStringLiteral("x11");
        Logger::info(QStringLiteral("Clipboard capture through X11"), QStringLiteral("AppDelegate"));
    }
    return x11;
}

} // namespace

int runApplication(int argc, char** argv) {
    JsonFileDefaultsStore defaults(JsonFileDefaultsStore::defaultFilePath());
    const Localizer localizer(defaults);

    // The clipboard backend: Wayland data-control where the compositor offers it, else
    // X11 (also under XWayland); check before Qt would abort.
    QString displayError;
    QString captureBackend;
    std::unique_ptr<Pasteboard> pasteboard = openPasteboard(&displayError, &captureBackend);
    if (!pasteboard) {
        printError(localizer.text(TextKey::cliNoDisplay, {displayError}));
        return 1;
    }
    // A Wayland session needs no X display (XWayland may be absent); X11 needs one.
    const bool waylandSession = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    std::unique_ptr<X11Workspace> workspace;
    if (!waylandSession && !(workspace = X11Workspace::open(&displayError))) {
        printError(localizer.text(TextKey::cliNoDisplay, {displayError}));
        return 1;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        // Native Wayland windows in a Wayland session (XWayland when Qt lacks the plugin).
        qputenv("QT_QPA_PLATFORM", qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ? "xcb" : "wayland;xcb");
    }
    QApplication app(argc, argv);
    Logger::info(QStringLiteral("Windows through Qt's %1 platform").arg(QGuiApplication::platformName()),
                 QStringLiteral("AppDelegate"));
    QCoreApplication::setApplicationName(QStringLiteral("quellpad"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUELLPAD_VERSION));
    // Names the installed desktop entry: the Wayland app id (which the window list shows
    // as ours and the shortcut portal names us by) and the desktop's window grouping.
    QGuiApplication::setDesktopFileName(AppIdentity::applicationId);
    QApplication::setQuitOnLastWindowClosed(false);
    // The pasteboard was made before the application object; move it to the main thread's loop.
    pasteboard->moveToThread(app.thread());
    defaults.moveToThread(app.thread());
    defaults.watchForExternalChanges();

    QSocketNotifier* signalNotifier = nullptr;
    installTerminationHandlers(app, signalNotifier);

    NotificationCenter notifications;
    SingleInstanceGuard instanceGuard;
    QtImageCodec imageCodec;
    QtOneShotTimerScheduler timers;
    // The desktop services are optional: without one, its feature is off (logged).
    auto openOrLog = [](auto opened, const QString& error, const char* what) {
        if (!opened) {
            Logger::warning(QStringLiteral("%1 unavailable: %2").arg(QLatin1String(what), error), QStringLiteral("AppDelegate"));
        }
        return opened;
    };
    QString desktopError;
    // On Wayland no client may grab keys: the desktop's portal binds the shortcut, else the
    // user binds `quellpad toggle` in the desktop's own settings.
    std::unique_ptr<HotKeyService> hotKeys;
    QString shortcutBackend;
    if (waylandSession) {
        if ((hotKeys = PortalHotKeyService::open(&desktopError))) {
            shortcutBackend = QStringLiteral("portal");
            Logger::info(QStringLiteral("Global shortcuts through the GlobalShortcuts portal"),
                         QStringLiteral("AppDelegate"));
        } else {
            Logger::warning(QStringLiteral("Global shortcuts unavailable: %1; bind a desktop shortcut to "
                                           "`quellpad toggle` to open the panel")
                                .arg(desktopError),
                            QStringLiteral("AppDelegate"));
        }
    } else if ((hotKeys = openOrLog(X11HotKeyService::open(&desktopError), desktopError, "Global shortcuts"))) {
        shortcutBackend = QStringLiteral("x11");
    }
    // On Wayland the X11 services would reach XWayland windows only: the window list and
    // the virtual keyboard come from the compositor, where it offers them.
    std::unique_ptr<KeySynthesizer> keySynthesizer;
    std::unique_ptr<WindowActivation> windowActivation;
    std::unique_ptr<WaylandToplevels> toplevels;
    std::unique_ptr<WaylandWorkspace> waylandWorkspace;
    std::unique_ptr<FocusReturnActivation> focusReturn;
    QString pasteBackend;
    if (waylandSession) {
        toplevels = openOrLog(WaylandToplevels::open(&desktopError, {}, {AppIdentity::applicationId,
                                                                          QStringLiteral("quellpad")}),
                              desktopError, "The Wayland window list");
        waylandWorkspace = std::make_unique<WaylandWorkspace>(AppIdentity::applicationId, toplevels.get());
        // The virtual keyboard (wlroots), else KWin's fake input, which comes without a
        // window list: there the previous window gets the focus back when the panel closes.
        QString fakeInputError;
        if ((keySynthesizer = WaylandKeySynthesizer::open(&desktopError))) {
            if (toplevels) pasteBackend = QStringLiteral("virtual-keyboard");
        } else if ((keySynthesizer = KWinFakeInputKeySynthesizer::open(&fakeInputError))) {
            pasteBackend = QStringLiteral("kwin-fake-input");
            if (!toplevels) focusReturn = std::make_unique<FocusReturnActivation>();
        } else {
            Logger::warning(QStringLiteral("Paste keystrokes unavailable: %1; %2").arg(desktopError, fakeInputError),
                            QStringLiteral("AppDelegate"));
        }
        if (pasteBackend.isEmpty()) {
            Logger::warning(QStringLiteral("No paste keystroke in this Wayland session: a chosen item goes to the "
                                           "clipboard for Ctrl+V"),
                            QStringLiteral("AppDelegate"));
            keySynthesizer.reset();
        }
    } else {
        keySynthesizer = openOrLog(X11KeySynthesizer::open(&desktopError), desktopError, "Paste keystrokes");
        windowActivation = openOrLog(X11WindowActivation::open(&desktopError), desktopError, "Window activation");
        if (keySynthesizer && windowActivation) pasteBackend = QStringLiteral("x11");
    }
    WindowActivation* activation = !waylandSession ? windowActivation.get()
                                   : toplevels  ? static_cast<WindowActivation*>(toplevels.get())
                                                : focusReturn.get();
    Workspace& activeWorkspace = waylandWorkspace ? static_cast<Workspace&>(*waylandWorkspace) : *workspace;
    LinuxAccessibilityService accessibility;
    accessibility.startFocusTracking();
    auto platform = [&] {
        // Raw key events need no permission on X11, so copy shortcuts are always observable.
        auto makeRecognizer = [&defaults] {
            return std::make_shared<ClipboardImageTextRecognizer>(std::make_unique<TesseractTextRecognitionEngine>(),
                                                                  defaults);
        };
        return AppPlatformServices{*pasteboard,
                                   activeWorkspace,
                                   imageCodec,
                                   timers,
                                   std::make_shared<SystemClock>(),
                                   makeRecognizer,
                                   std::make_shared<X11GlobalKeyMonitor>(),
                                   [] { return true; },
                                   std::make_shared<XdgApplicationRegistry>(),
                                   hotKeys.get(),
                                   keySynthesizer.get(),
                                   activation,
                                   &accessibility,
                                   waylandSession ? QStringLiteral("wayland") : QStringLiteral("x11"),
                                   captureBackend,
                                   [] {
                                       // Raw values of the languages whose Tesseract data is installed.
                                       const QStringList installed = TesseractTextRecognitionEngine().installedLanguages();
                                       QStringList languages;
                                       for (const auto& language : clipboardOCRLanguageCases) {
                                           const QString raw = rawValue(language.value);
                                           if (installed.contains(TesseractTextRecognitionEngine::tesseractLanguage(raw))) {
                                               languages.append(raw);
                                           }
                                       }
                                       return languages;
                                   },
                                   shortcutBackend,
                                   pasteBackend,
                                   !waylandSession || toplevels != nullptr};
    };
    AppDelegate::WindowFactories windows;
    windows.panelWindow = [&defaults, &localizer](ClipboardPanelController& controller) {
        return makeClipboardPanelWindow(controller, defaults, localizer);
    };
    windows.trayIcon = [](MenuBarManager& manager) -> std::unique_ptr<QObject> {
        return std::make_unique<TrayIcon>(manager);
    };
    windows.isTrayAvailable = [] { return TrayIcon::isSystemTrayAvailable(); };
    QPointer<AboutWindow> about;
    windows.showAbout = [&about, &localizer] {
        if (!about) {
            about = new AboutWindow(localizer, QStringLiteral("Quellpad"), QCoreApplication::applicationVersion(),
                                    QStringLiteral("1"));
        }
        about->show();
        about->raise();
        about->activateWindow();
    };
    windows.settingsWindow = [](SettingsViewModel& model,
                                const SettingsPageModels& pages) -> std::unique_ptr<SettingsWindowPresenting> {
        return std::make_unique<SettingsWindow>(model, pages);
    };
    windows.onboardingWindow = [](OnboardingViewModel& model) -> std::unique_ptr<OnboardingWindowPresenting> {
        return std::make_unique<OnboardingWindow>(model);
    };
    windows.classificationWindow = [](ClassificationViewModel& model) -> std::unique_ptr<ClassificationWindowPresenting> {
        return std::make_unique<ClassificationWindow>(model);
    };
    windows.floatingPanelWindow = [&defaults, &localizer](FloatingClipboardPanelController& floating,
                                                          ClipboardPanelController& actions) {
        return makeFloatingClipboardPanelWindow(floating, actions, defaults, localizer,
                                                X11CompositorProbe::isCompositorRunning());
    };
    windows.pinWindow = [&defaults, &localizer](ClipboardContentType kind, const ClipboardHistoryContentSnapshot& content,
                                                PinCopyHandler copyHandler) {
        PinWindow::open(kind, content, std::move(copyHandler), defaults, localizer);
    };
    windows.recognizedTextWindow = [&defaults, &localizer](const QByteArray& imageData, const QString& itemId,
                                                           RecognizedTextServices services) {
        // A recogniser of the window's own: the capture queue skips images when copies
        // come fast, and the one the user asked about must not be skipped.
        auto recognizer = std::make_shared<ClipboardImageTextRecognizer>(
            std::make_unique<TesseractTextRecognitionEngine>(), defaults);
        services.recognize = [recognizer](const QByteArray& image) { return recognizer->recognize(image); };
        RecognizedTextWindow::open(imageData, itemId, std::move(services), defaults, localizer);
    };
    // A Wayland client cannot put its window at the caret.
    windows.windowsPlaceable = [] { return QGuiApplication::platformName() != QStringLiteral("wayland"); };
    AppDelegate delegate(defaults, notifications, instanceGuard, platform,
                         parseDistributionChannel(QStringLiteral(QUELLPAD_DISTRIBUTION_CHANNEL)), windows);
    switch (delegate.applicationDidFinishLaunching()) {
    case AppDelegate::LaunchOutcome::anotherInstanceRunning:
        // Success when the running instance was asked to open its window.
        return delegate.reopenDelivered() ? 0 : 1;
    case AppDelegate::LaunchOutcome::running:
        break;
    }
    const int status = QCoreApplication::exec();
    delegate.applicationWillTerminate();
    return status;
}

} // namespace quellpad
