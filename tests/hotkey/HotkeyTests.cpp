// Key combinations, the hotkey manager over the fake hot-key service, and the recorder.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "hotkey/HotkeyManager.h"
#include "hotkey/KeyComboRecorder.h"
#include "platform/fake/FakeHotKeyService.h"
#include "platform/fake/InMemoryDefaultsStore.h"
#include "platform/fake/ManualTimerScheduler.h"
#include "settings/PreferenceKeys.h"
#include "support/TestSupport.h"

namespace quellpad {
namespace {

using namespace ModifierFlag;

constexpr std::uint16_t keyA = 0, keyZ = 6, keyC = 8, keyV = 9, keyQ = 12, keyW = 13, keyTab = 48, keySpace = 49,
                        keyF5 = 96, key1 = 18, keyReturn = 36;

TEST(KeyCombo, JsonRoundTripAndRejectedShapes) {
    const KeyCombo combo{keyV, command | shift};
    EXPECT_EQ(KeyCombo::fromJson(combo.toJson()), combo);
    EXPECT_EQ(KeyCombo::fromJson(R"({"keyCode": 9, "modifierFlags": 1179648})"), KeyCombo::defaultClipboardHotkey());
    // Bits other than the four modifiers (caps lock 0x10000, device bits) are dropped.
    EXPECT_EQ(KeyCombo::fromJson(R"({"keyCode": 9, "modifierFlags": 1245448})"), (KeyCombo{keyV, command | shift}));

    for (const char* bad : {"", "not json", "[]", R"({"keyCode": 9})", R"({"modifierFlags": 0})",
                            R"({"keyCode": -1, "modifierFlags": 0})", R"({"keyCode": 65536, "modifierFlags": 0})",
                            R"({"keyCode": "9", "modifierFlags": 0})", R"({"keyCode": 9, "modifierFlags": -5})",
                            R"({"keyCode": 9.5, "modifierFlags": 0})"}) {
        QString error;
        EXPECT_FALSE(KeyCombo::fromJson(bad, &error)) << bad;
        EXPECT_FALSE(error.isEmpty()) << bad;
    }
}

TEST(KeyCombo, DisplayTexts) {
    EXPECT_EQ((KeyCombo{keyV, command | shift}).displayText(), QStringLiteral("⇧⌘V"));
    EXPECT_EQ((KeyCombo{keySpace, control | option}).displayText(), QStringLiteral("⌃⌥Space"));
    EXPECT_EQ((KeyCombo{keyF5, 0}).displayText(), QStringLiteral("F5"));
    EXPECT_EQ((KeyCombo{keyReturn, control | option | shift | command}).displayText(), QStringLiteral("⌃⌥⇧⌘⏎"));
    EXPECT_EQ((KeyCombo{200, command}).displayText(), QStringLiteral("⌘")); // no name: symbols alone
    EXPECT_EQ((KeyCombo{keyV, command | shift}).desktopText(), QStringLiteral("Shift+Super+V"));
    EXPECT_EQ((KeyCombo{keyReturn, control}).desktopText(), QStringLiteral("Ctrl+Return"));
}

TEST(KeyCombo, QtKeysMapToTheKeyNotTheSymbolTyped) {
    // Shift+1 arrives as "!", Shift+Tab as Backtab: both are the same physical key.
    EXPECT_EQ(keyCodeFromQtKey(Qt::Key_Exclam), keyCodeFromQtKey(Qt::Key_1));
    EXPECT_EQ(keyCodeFromQtKey(Qt::Key_Backtab), keyCodeFromQtKey(Qt::Key_Tab));
    EXPECT_EQ(keyCodeFromQtKey(Qt::Key_V), keyV);
    EXPECT_EQ(keyCodeFromQtKey(Qt::Key_F5), keyF5);
    EXPECT_EQ(keyCodeFromQtKey(Qt::Key_Escape), KeyCode::escape);
    EXPECT_EQ(keyCodeFromQtKey(Qt::Key_Shift), std::nullopt) << "a modifier alone is no key";
    EXPECT_EQ(keyCodeFromQtKey(Qt::Key_Super_L), std::nullopt);
    EXPECT_EQ(modifierFlagsFromQt(Qt::MetaModifier | Qt::ShiftModifier | Qt::KeypadModifier), command | shift);
    EXPECT_EQ(modifierFlagsFromQt(Qt::ControlModifier | Qt::AltModifier), control | option);
}

TEST(KeyCombo, RefusesShortcutsThatSwallowEditingOrTyping) {
    struct Case {
        KeyCombo combo;
        std::optional<KeyComboRefusal> refusal;
    };
    const Case cases[] = {
        {{keyV, command}, KeyComboRefusal::reservedShortcut},
        {{keyQ, command}, KeyComboRefusal::reservedShortcut},
        {{keySpace, command}, KeyComboRefusal::reservedShortcut},
        {{keyZ, control}, KeyComboRefusal::reservedShortcut},
        {{keyC, control}, KeyComboRefusal::reservedShortcut},
        {{keyW, control}, KeyComboRefusal::reservedShortcut},
        {{keyTab, control}, KeyComboRefusal::reservedShortcut},
        {{keySpace, control}, KeyComboRefusal::reservedShortcut},
        {{keyA, 0}, KeyComboRefusal::noModifier},
        {{keyA, shift}, KeyComboRefusal::swallowsTyping},
        {{key1, option}, KeyComboRefusal::swallowsTyping},
        {{keySpace, shift}, KeyComboRefusal::swallowsTyping},
        {{keyV, command | shift}, std::nullopt},
        {{keyV, control | shift}, std::nullopt},
        {{keySpace, control | option}, std::nullopt},
        {{keyF5, 0}, std::nullopt},
        {{keyF5, option}, std::nullopt},
        {{keyTab, command | shift}, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(refusalOf(c.combo), c.refusal) << c.combo.desktopText().toStdString();
    }
}

class HotkeyManagerTest : public ::testing::Test {
protected:
    FakeHotKeyService service;
    InMemoryDefaultsStore defaults;
    HotkeyManager manager{service, defaults};

    std::vector<KeyCombo> saved() const {
        std::vector<KeyCombo> combos;
        const QByteArray bytes = defaults.bytesValue(PreferenceKeys::registeredHotkeys).value_or(QByteArray());
        for (const auto& entry : nlohmann::json::parse(bytes.toStdString())) {
            combos.push_back({entry.at("keyCode").get<std::uint16_t>(), entry.at("modifierFlags").get<std::uint64_t>()});
        }
        return combos;
    }
};

TEST_F(HotkeyManagerTest, PressRunsTheActionOnALaterTurnOfTheMainLoop) {
    const KeyCombo combo = KeyCombo::defaultClipboardHotkey();
    int presses = 0;
    ASSERT_TRUE(manager.registerHotkey(combo, [&] { ++presses; }));
    EXPECT_EQ(saved(), std::vector<KeyCombo>{combo});

    ASSERT_TRUE(service.press(combo.chord()));
    EXPECT_EQ(presses, 0);
    test::drainEvents();
    EXPECT_EQ(presses, 1);

    manager.unregisterHotkey(combo);
    EXPECT_FALSE(service.isGrabbed(combo.chord()));
    EXPECT_TRUE(saved().empty());
}

TEST_F(HotkeyManagerTest, RefusedCombinationsNeverReachThePlatform) {
    EXPECT_FALSE(manager.registerHotkey({keyV, command}, [] {}));
    EXPECT_FALSE(manager.registerHotkey({keyA, 0}, [] {}));
    EXPECT_EQ(service.registrationAttempts, 0);
}

TEST_F(HotkeyManagerTest, RegisteringAgainKeepsTheGrabAndTakesTheNewerActionAndId) {
    const KeyCombo combo = KeyCombo::defaultClipboardHotkey();
    QString ran;
    ASSERT_TRUE(manager.registerHotkey(combo, [&] { ran = QStringLiteral("first"); }));
    const auto firstId = manager.identifierOf(combo);
    ASSERT_TRUE(manager.registerHotkey(combo, [&] { ran = QStringLiteral("second"); }));
    EXPECT_GT(manager.identifierOf(combo), firstId);
    EXPECT_EQ(service.registrationAttempts, 1);
    EXPECT_EQ(service.grabs.size(), 1u);
    EXPECT_EQ(saved().size(), 1u);

    service.press(combo.chord());
    test::drainEvents();
    EXPECT_EQ(ran, QStringLiteral("second"));
}

TEST_F(HotkeyManagerTest, ACombinationHeldByAnotherClientFailsWithALogLine) {
    const KeyCombo combo = KeyCombo::defaultClipboardHotkey();
    service.markTaken(combo.chord());
    test::LogCapture logs;
    EXPECT_FALSE(manager.registerHotkey(combo, [] {}));
    EXPECT_FALSE(manager.isRegistered(combo));
    EXPECT_TRUE(logs.contains(LogLevel::error, QStringLiteral("HotkeyManager"), QStringLiteral("Failed to register hotkey ⇧⌘V: 10")));
}

TEST_F(HotkeyManagerTest, UnregisterAllAndDestructionReleaseEveryGrab) {
    ASSERT_TRUE(manager.registerHotkey({keyV, command | shift}, [] {}));
    ASSERT_TRUE(manager.registerHotkey({keyF5, 0}, [] {}));
    manager.unregisterAll();
    EXPECT_TRUE(service.grabs.empty());
    EXPECT_TRUE(saved().empty());

    FakeHotKeyService other;
    int presses = 0;
    {
        HotkeyManager scoped(other, defaults);
        ASSERT_TRUE(scoped.registerHotkey({keyF5, 0}, [&] { ++presses; }));
        other.press({keyF5, 0}); // queued; must not run after the manager is gone
    }
    EXPECT_TRUE(other.grabs.empty());
    test::drainEvents();
    EXPECT_EQ(presses, 0);
}

class KeyComboRecorderTest : public ::testing::Test {
protected:
    ManualTimerScheduler timers;
    std::vector<QString> events;
    std::optional<KeyCombo> recorded;
    KeyComboRecorder recorder{timers,
                              {[this] { events.push_back(QStringLiteral("start")); },
                               [this](const KeyCombo& combo) {
                                   recorded = combo;
                                   events.push_back(QStringLiteral("record"));
                               },
                               [this] { events.push_back(QStringLiteral("end")); }}};
};

TEST_F(KeyComboRecorderTest, ACombinationIsReportedHalfASecondAfterItIsPressed) {
    EXPECT_EQ(recorder.displayState().style, KeyComboRecorder::DisplayStyle::placeholder);
    EXPECT_FALSE(recorder.keyDown(keyV, command | shift)); // not recording: the key is not ours

    recorder.mouseDown();
    EXPECT_EQ(recorder.displayState().style, KeyComboRecorder::DisplayStyle::recording);
    EXPECT_TRUE(recorder.keyDown(keyA, 0));  // swallowed, but no combination
    EXPECT_TRUE(timers.pendingIntervals().empty());
    EXPECT_TRUE(recorder.keyDown(keyV, command | shift | 0x10000)); // caps lock bit masked
    EXPECT_EQ(recorder.displayState().combo, (KeyCombo{keyV, command | shift}));
    EXPECT_EQ(timers.pendingIntervals(), std::vector<double>{KeyComboRecorder::settleSeconds});
    // A second combination within the half second replaces the first.
    EXPECT_TRUE(recorder.keyDown(keyF5, 0));
    EXPECT_EQ(timers.pendingIntervals(), std::vector<double>{KeyComboRecorder::settleSeconds});

    ASSERT_TRUE(timers.fireNext());
    EXPECT_EQ(recorded, (KeyCombo{keyF5, 0}));
    EXPECT_EQ(events, (std::vector<QString>{QStringLiteral("start"), QStringLiteral("record"), QStringLiteral("end")}));
    EXPECT_FALSE(recorder.isRecording());
    EXPECT_EQ(recorder.displayState().style, KeyComboRecorder::DisplayStyle::combination);
    EXPECT_EQ(recorder.keyCombo(), (KeyCombo{keyF5, 0}));
}

TEST_F(KeyComboRecorderTest, EscapeEndsRecordingWithThePendingCombinationOrNone) {
    recorder.setKeyCombo(KeyCombo::defaultClipboardHotkey());
    recorder.mouseDown();
    EXPECT_TRUE(recorder.keyDown(KeyCode::escape, 0));
    EXPECT_FALSE(recorded);
    EXPECT_EQ(recorder.keyCombo(), KeyCombo::defaultClipboardHotkey());

    recorder.mouseDown();
    recorder.keyDown(keyV, control | option);
    recorder.keyDown(KeyCode::escape, 0);
    EXPECT_EQ(recorded, (KeyCombo{keyV, control | option}));
    EXPECT_TRUE(timers.pendingIntervals().empty()); // the settle timer was cancelled
}

} // namespace
} // namespace quellpad
