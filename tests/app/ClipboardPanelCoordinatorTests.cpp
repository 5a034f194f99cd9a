// The panel shortcut's life (start, fallbacks, change, suspend) and the panel's pick
// pasting back into the remembered window, over fakes.
#include <gtest/gtest.h>

#include <QtConcurrent>

#include "app/AccessibilityPermissionManager.h"
#include "app/ClipboardPanelCoordinator.h"
#include "app/LoggingClipboardPanel.h"
#include "history/ClipboardHistoryManagerProtocol.h"
#include "hotkey/HotkeyManager.h"
#include "panel/ClipboardDirectPaste.h"
#include "platform/fake/FakeHotKeyService.h"
#include "platform/fake/FakeKeySynthesizer.h"
#include "platform/fake/FakePasteboard.h"
#include "platform/fake/FakeWindowActivation.h"
#include "platform/fake/InMemoryDefaultsStore.h"
#include "platform/fake/ManualTimerScheduler.h"
#include "settings/PreferenceKeys.h"
#include "support/TestSupport.h"

namespace quellpad {
namespace {

using namespace ModifierFlag;
const KeyCombo superShiftV = KeyCombo::defaultClipboardHotkey();
const KeyCombo ctrlAltSpace{49, control | option};
const ActiveWindow editor{0x400001, QStringLiteral("org.gnome.TextEditor"), 4242};

class FakeHistoryManager final : public ClipboardHistoryManagerProtocol {
public:
    QFuture<std::vector<ClipboardHistoryIndexSnapshot>> getHistorySnapshots(const QString&, std::optional<int>) override {
        return QtFuture::makeReadyFuture(std::vector<ClipboardHistoryIndexSnapshot>{});
    }
    QFuture<std::optional<ClipboardHistoryContentSnapshot>> getContentSnapshotById(const QString& id) override {
        const auto found = items.find(id);
        return QtFuture::makeReadyFuture(found == items.end() ? std::optional<ClipboardHistoryContentSnapshot>()
                                                              : std::optional(found->second));
    }
    void deleteItem(const QString&) override {}
    void clearAll() override {}
    void recordUsage(const QString& id) override { used.push_back(id); }
    void performWithoutCapture(const std::function<void()>& body) override {
        ++suspendedWrites;
        body();
    }

    std::map<QString, ClipboardHistoryContentSnapshot> items;
    std::vector<QString> used;
    int suspendedWrites = 0;
};

class ClipboardPanelCoordinatorTest : public ::testing::Test {
protected:
    FakeHotKeyService service;
    InMemoryDefaultsStore defaults;
    HotkeyManager hotkeys{service, defaults};
    LoggingClipboardPanel panel;
    ManualTimerScheduler timers;
    FakeWindowActivation windows;
    FakeKeySynthesizer keys;
    ClipboardDirectPaste directPaste{windows, keys, timers, defaults, DistributionChannel::direct, 99};
    std::unique_ptr<ClipboardPanelCoordinator> coordinator =
        std::make_unique<ClipboardPanelCoordinator>(&hotkeys, defaults, panel, &directPaste);

    std::optional<KeyCombo> stored() const {
        const auto bytes = defaults.bytesValue(PreferenceKeys::clipboardHistoryHotkey);
        return bytes ? KeyCombo::fromJson(*bytes) : std::nullopt;
    }
};

TEST_F(ClipboardPanelCoordinatorTest, StartRegistersTheStoredShortcutOrStoresTheDefault) {
    coordinator->start();
    EXPECT_EQ(coordinator->registeredClipboardHotkey(), superShiftV);
    EXPECT_EQ(stored(), superShiftV);

    coordinator.reset();
    EXPECT_TRUE(service.grabs.empty());
    defaults.set(PreferenceKeys::clipboardHistoryHotkey, ctrlAltSpace.toJson());
    coordinator = std::make_unique<ClipboardPanelCoordinator>(&hotkeys, defaults, panel, &directPaste);
    coordinator->start();
    EXPECT_EQ(coordinator->registeredClipboardHotkey(), ctrlAltSpace);
    EXPECT_TRUE(service.isGrabbed(ctrlAltSpace.chord()));
}

TEST_F(ClipboardPanelCoordinatorTest, AStoredShortcutThatDoesNotDecodeIsReplacedByTheDefault) {
    defaults.set(PreferenceKeys::clipboardHistoryHotkey, QByteArray("{\"keyCode\":"));
    test::LogCapture logs;
    coordinator->start();
    EXPECT_TRUE(logs.contains(LogLevel::error, QStringLiteral("ClipboardPanelCoordinator"),
                              QStringLiteral("Failed to load clipboard hotkey: ")));
    EXPECT_EQ(coordinator->registeredClipboardHotkey(), superShiftV);
    EXPECT_EQ(stored(), superShiftV);
}

TEST_F(ClipboardPanelCoordinatorTest, ATakenStoredShortcutStaysStoredWhileTheDefaultServesThisSession) {
    defaults.set(PreferenceKeys::clipboardHistoryHotkey, ctrlAltSpace.toJson());
    service.markTaken(ctrlAltSpace.chord());
    coordinator->start();
    EXPECT_EQ(coordinator->registeredClipboardHotkey(), superShiftV);
    EXPECT_EQ(stored(), ctrlAltSpace);

    // Both taken: both lines are logged and nothing is registered; the app carries on.
    coordinator.reset();
    service.markTaken(superShiftV.chord());
    test::LogCapture logs;
    coordinator = std::make_unique<ClipboardPanelCoordinator>(&hotkeys, defaults, panel, &directPaste);
    coordinator->start();
    EXPECT_FALSE(coordinator->registeredClipboardHotkey());
    EXPECT_TRUE(logs.contains(LogLevel::error, QStringLiteral("HotkeyManager"), QStringLiteral("Failed to register hotkey ⌃⌥Space: 10")));
    EXPECT_TRUE(logs.contains(LogLevel::error, QStringLiteral("ClipboardPanelCoordinator"),
                              QStringLiteral("Failed to register default clipboard hotkey")));
    EXPECT_EQ(stored(), ctrlAltSpace);
}

TEST_F(ClipboardPanelCoordinatorTest, ChangingTheShortcutKeepsTheOldOneUntilTheNewOneIsRegistered) {
    coordinator->start();
    service.markTaken(ctrlAltSpace.chord());
    EXPECT_FALSE(coordinator->changeHotkey(ctrlAltSpace));
    EXPECT_TRUE(service.isGrabbed(superShiftV.chord()));
    EXPECT_EQ(stored(), superShiftV);

    service.release(ctrlAltSpace.chord());
    EXPECT_TRUE(coordinator->changeHotkey(ctrlAltSpace));
    EXPECT_FALSE(service.isGrabbed(superShiftV.chord()));
    EXPECT_TRUE(service.isGrabbed(ctrlAltSpace.chord()));
    EXPECT_EQ(stored(), ctrlAltSpace);

    EXPECT_FALSE(coordinator->changeHotkey({8, command})); // Super+C is refused
    EXPECT_EQ(stored(), ctrlAltSpace);

    coordinator->deleteHotkey();
    EXPECT_TRUE(service.grabs.empty());
    EXPECT_FALSE(stored());
}

TEST_F(ClipboardPanelCoordinatorTest, SuspendedShortcutNeitherFiresNorComesBackUntilResumed) {
    coordinator->start();
    coordinator->suspendHotkey();
    EXPECT_FALSE(service.press(superShiftV.chord()));
    coordinator->reregisterAfterServiceRebuild();
    EXPECT_TRUE(service.grabs.empty());
    coordinator->resumeHotkey();
    EXPECT_TRUE(service.isGrabbed(superShiftV.chord()));
}

TEST_F(ClipboardPanelCoordinatorTest, TheShortcutTogglesThePanelAndRemembersTheWindowBelowIt) {
    coordinator->start();
    windows.active = editor;
    service.press(superShiftV.chord());
    test::drainEvents();
    EXPECT_TRUE(panel.isVisible());
    EXPECT_EQ(directPaste.rememberedWindow(), editor);

    service.press(superShiftV.chord());
    test::drainEvents();
    EXPECT_FALSE(panel.isVisible());
}

class PasteItemTest : public ClipboardPanelCoordinatorTest {
protected:
    FakeHistoryManager history;
    FakePasteboard pasteboard;
    std::optional<QString> result;

    void SetUp() override {
        history.items[QStringLiteral("A")] = {QStringLiteral("A"), QStringLiteral("hello"), std::nullopt,
                                              QByteArray("<b>hello</b>"), std::nullopt, std::nullopt};
        windows.active = editor;
        coordinator->togglePanel(); // the user opens the panel over the editor
        windows.active = ActiveWindow{0x500001, QStringLiteral("quellpad"), 99}; // our own panel
    }
    void paste(const QString& id) {
        coordinator->pasteItem(id, history, pasteboard, [this](const QString& error) { result = error; });
        test::drainEvents();
        while (timers.fireNext()) {
        }
    }
};

TEST_F(PasteItemTest, PastesIntoTheWindowThePanelWasOpenedOver) {
    paste(QStringLiteral("A"));
    EXPECT_EQ(result, QString());
    EXPECT_EQ(history.suspendedWrites, 1);
    EXPECT_EQ(history.used, std::vector<QString>{QStringLiteral("A")});
    ASSERT_EQ(pasteboard.content().size(), 2u);
    EXPECT_EQ(pasteboard.content()[0].second, QByteArray("hello"));
    EXPECT_FALSE(panel.isVisible());
    EXPECT_EQ(windows.active, editor);
    EXPECT_EQ(keys.posted, std::vector<PasteKeystroke>{PasteKeystroke::controlV});
}

TEST_F(PasteItemTest, AFailedClipboardWriteKeepsThePanelAndPastesNothing) {
    pasteboard.setWriteFails(true);
    paste(QStringLiteral("A"));
    EXPECT_FALSE(result->isEmpty());
    EXPECT_TRUE(panel.isVisible());
    EXPECT_TRUE(history.used.empty());
    EXPECT_TRUE(keys.posted.empty());

    paste(QStringLiteral("missing"));
    EXPECT_FALSE(result->isEmpty());
    EXPECT_TRUE(keys.posted.empty());
}

TEST_F(PasteItemTest, NothingIsTypedWhenTheWindowWasClosedOrNeverComesBack) {
    windows.closed.insert(editor.windowId);
    paste(QStringLiteral("A"));
    EXPECT_FALSE(result->isEmpty());
    EXPECT_EQ(pasteboard.content()[0].second, QByteArray("hello")); // the item is on the clipboard
    EXPECT_TRUE(keys.posted.empty());

    // The panel was dismissed; the user opens it over the editor again.
    ASSERT_FALSE(panel.isVisible());
    windows.closed.clear();
    windows.active = editor;
    coordinator->togglePanel();
    windows.active.reset();
    windows.activationTakesEffect = false;
    paste(QStringLiteral("A"));
    EXPECT_FALSE(result->isEmpty());
    EXPECT_TRUE(keys.posted.empty());
}

TEST_F(PasteItemTest, WhereNothingCanTypeTheItemIsCopiedAndThePasteIsNotReportedDone) {
    coordinator = std::make_unique<ClipboardPanelCoordinator>(&hotkeys, defaults, panel, nullptr);
    paste(QStringLiteral("A"));
    EXPECT_EQ(pasteboard.content()[0].second, QByteArray("hello"));
    EXPECT_EQ(history.used, std::vector<QString>{QStringLiteral("A")});
    ASSERT_TRUE(result);
    EXPECT_TRUE(result->contains(QStringLiteral("Ctrl+V"))) << result->toStdString();
    EXPECT_TRUE(keys.posted.empty());
}

TEST(ClipboardDirectPaste, TerminalsGetControlShiftVAndTheListCanBeReplaced) {
    ManualTimerScheduler timers;
    FakeWindowActivation windows;
    FakeKeySynthesizer keys;
    InMemoryDefaultsStore defaults;
    ClipboardDirectPaste paste(windows, keys, timers, defaults, DistributionChannel::direct, 1);
    EXPECT_EQ(paste.keystrokeFor(QStringLiteral("org.gnome.Terminal")), PasteKeystroke::controlShiftV);
    EXPECT_EQ(paste.keystrokeFor(QStringLiteral("xterm")), PasteKeystroke::controlShiftV);
    EXPECT_EQ(paste.keystrokeFor(QStringLiteral("firefox")), PasteKeystroke::controlV);
    EXPECT_EQ(paste.keystrokeFor(std::nullopt), PasteKeystroke::controlV);
    defaults.set(PreferenceKeys::directPasteTerminalApplications, QStringList{QStringLiteral("firefox")});
    EXPECT_EQ(paste.keystrokeFor(QStringLiteral("firefox")), PasteKeystroke::controlShiftV);
    EXPECT_EQ(paste.keystrokeFor(QStringLiteral("xterm")), PasteKeystroke::controlV);

    EXPECT_FALSE(paste.isWanted());
    defaults.set(PreferenceKeys::directPasteReturnKeyAutoPasteEnabled, true);
    EXPECT_TRUE(paste.isWanted());
    ClipboardDirectPaste storeBuild(windows, keys, timers, defaults, DistributionChannel::appStore, 1);
    EXPECT_FALSE(storeBuild.isWanted());
}

TEST(ClipboardDirectPaste, WaitsForTheWindowToBecomeActiveWithinADeadline) {
    ManualTimerScheduler timers;
    FakeWindowActivation windows;
    FakeKeySynthesizer keys;
    InMemoryDefaultsStore defaults;
    ClipboardDirectPaste paste(windows, keys, timers, defaults, DistributionChannel::direct, 1);
    windows.active = editor;
    paste.rememberActiveWindow(1234);
    windows.active.reset();
    windows.activationTakesEffect = false;

    std::optional<DirectPasteOutcome> outcome;
    paste.pasteIntoRememberedWindow([&](DirectPasteOutcome o) { outcome = o; });
    EXPECT_EQ(windows.lastTimestamp, 1234u);
    ASSERT_TRUE(timers.fireNext()); // 0.1 s: not active yet
    ASSERT_TRUE(timers.fireNext()); // retry
    windows.active = editor;        // the window manager got there
    ASSERT_TRUE(timers.fireNext());
    EXPECT_EQ(outcome, DirectPasteOutcome::pasted);
    EXPECT_EQ(keys.posted.size(), 1u);
    EXPECT_EQ(timers.scheduledIntervals().front(), ClipboardDirectPaste::keystrokeDelaySeconds);

    // A new panel opening supersedes a paste still waiting.
    outcome.reset();
    paste.pasteIntoRememberedWindow([&](DirectPasteOutcome o) { outcome = o; });
    paste.rememberActiveWindow();
    EXPECT_EQ(outcome, DirectPasteOutcome::superseded);
    EXPECT_FALSE(timers.fireNext());
}

TEST(AccessibilityPermissionManager, RequestStoresTheFlagFirstAndOpensSettingsLater) {
    InMemoryDefaultsStore defaults;
    ManualTimerScheduler timers;
    bool trusted = false;
    std::optional<bool> flagWhenAsked;
    std::vector<QUrl> opened;
    AccessibilityPermissionManager manager(
        defaults, timers, [&] { return trusted; },
        [&] {
            flagWhenAsked = defaults.boolValue(PreferenceKeys::accessibilityPermissionPromptRequested);
            return true;
        },
        [&](const QUrl& url) { opened.push_back(url); }, QUrl(QStringLiteral("settings://accessibility")));
    EXPECT_EQ(manager.status(), AccessibilityPermissionStatus::notDetermined);
    manager.requestPermission();
    EXPECT_EQ(flagWhenAsked, true);
    EXPECT_EQ(manager.status(), AccessibilityPermissionStatus::denied);
    EXPECT_TRUE(opened.empty());
    ASSERT_TRUE(timers.fireNext());
    EXPECT_EQ(opened.size(), 1u);
    trusted = true;
    EXPECT_EQ(manager.status(), AccessibilityPermissionStatus::authorized);

    // Without a settings page (most Linux desktops) nothing is opened.
    AccessibilityPermissionManager noPage(defaults, timers, [] { return false; }, [] { return false; },
                                          [&](const QUrl& url) { opened.push_back(url); });
    noPage.requestPermission();
    timers.fireNext();
    EXPECT_EQ(opened.size(), 1u);
}

} // namespace
} // namespace quellpad
