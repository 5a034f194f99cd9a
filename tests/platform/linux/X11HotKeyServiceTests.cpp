// The X11 hot-key backend: the portable key table without a display, and real grabs
// on the test display pressed with xdotool (which goes through XTest, like a keyboard).
#include <gtest/gtest.h>

#include <vector>

#include "platform/linux/X11HotKeyService.h"
#include "support/GtkEntryWindow.h"
#include "support/TestSupport.h"
#include "support/X11TestSupport.h"

#include <X11/keysym.h>

using namespace quellpad;

namespace {

constexpr HotKeyChord superShiftV{9, 0x120000};
constexpr HotKeyChord controlAltSpace{49, 0xC0000};

struct Press {
    std::uint32_t id;
    std::uint32_t timestamp;
};

bool pressKeys(const QString& keys) {
    bool ok = false;
    test::runTool(QStringLiteral("xdotool"), {QStringLiteral("key"), keys}, &ok);
    return ok;
}

// Presses a lock key now and again when the scope ends, so a failing test leaves it off.
class ToggledLock {
public:
    explicit ToggledLock(QString key) : key_(std::move(key)) { pressKeys(key_); }
    ~ToggledLock() { pressKeys(key_); }

private:
    QString key_;
};

#define QUELLPAD_REQUIRE_XDOTOOL()                                                                 \
    do {                                                                                           \
        QUELLPAD_REQUIRE_X11();                                                                    \
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())                   \
            GTEST_SKIP() << "xdotool is not installed";                                           \
    } while (false)

} // namespace

TEST(HotKeyKeyTable, MapsThePortableKeyCodesToTheKeysOfTheSameName) {
    const std::vector<std::pair<std::uint16_t, unsigned long>> expected{
        {0, XK_a},       {1, XK_s},      {6, XK_z},      {8, XK_c},          {9, XK_v},         {11, XK_b},
        {12, XK_q},      {16, XK_y},     {17, XK_t},     {31, XK_o},         {45, XK_n},        {46, XK_m},
        {18, XK_1},      {19, XK_2},     {20, XK_3},     {21, XK_4},         {23, XK_5},        {22, XK_6},
        {26, XK_7},      {28, XK_8},     {25, XK_9},     {29, XK_0},         {36, XK_Return},   {48, XK_Tab},
        {49, XK_space},  {53, XK_Escape}, {51, XK_BackSpace}, {27, XK_minus}, {24, XK_equal},   {41, XK_semicolon},
        {122, XK_F1},    {120, XK_F2},   {99, XK_F3},    {118, XK_F4},       {96, XK_F5},       {97, XK_F6},
        {98, XK_F7},     {100, XK_F8},   {101, XK_F9},   {109, XK_F10},      {103, XK_F11},     {111, XK_F12},
        {123, XK_Left},  {124, XK_Right}, {125, XK_Down}, {126, XK_Up},
    };
    for (const auto& [keyCode, keysym] : expected) {
        EXPECT_EQ(X11HotKeyService::keysymForKeyCode(keyCode), std::optional<unsigned long>(keysym))
            << "key code " << keyCode;
    }
    // 10 is the ISO section key, 52 and 200+ are not keys of the ANSI layout.
    for (const std::uint16_t keyCode : {10, 52, 127, 200, 0xFFFF}) {
        EXPECT_FALSE(X11HotKeyService::keysymForKeyCode(keyCode).has_value()) << "key code " << keyCode;
    }
    std::map<unsigned long, std::uint16_t> seen;
    for (std::uint16_t keyCode = 0; keyCode < 256; ++keyCode) {
        if (const auto keysym = X11HotKeyService::keysymForKeyCode(keyCode)) {
            const auto [it, inserted] = seen.emplace(*keysym, keyCode);
            EXPECT_TRUE(inserted) << "key codes " << it->second << " and " << keyCode << " share a keysym";
        }
    }
}

TEST(HotKeyKeyTable, MapsCommandToSuperAndOptionToAlt) {
    EXPECT_EQ(X11HotKeyService::modifierMaskForFlags(0x120000), unsigned(ShiftMask | Mod4Mask));
    EXPECT_EQ(X11HotKeyService::modifierMaskForFlags(0x40000), unsigned(ControlMask));
    EXPECT_EQ(X11HotKeyService::modifierMaskForFlags(0x80000), unsigned(Mod1Mask));
    EXPECT_EQ(X11HotKeyService::modifierMaskForFlags(0x1E0000), unsigned(ControlMask | Mod1Mask | ShiftMask | Mod4Mask));
    // Caps Lock (0x10000) and the function-key bit (0x800000) are not part of a chord.
    EXPECT_EQ(X11HotKeyService::modifierMaskForFlags(0x810000), 0u);
}

TEST(X11HotKeyService, DeliversPressesWithTheirTimestampAlsoWithTheLocksOn) {
    QUELLPAD_REQUIRE_XDOTOOL();
    QString error;
    auto service = X11HotKeyService::open(&error);
    ASSERT_NE(service, nullptr) << error.toStdString();
    std::vector<Press> presses;
    service->setPressHandler([&](std::uint32_t id, std::uint32_t timestamp) { presses.push_back({id, timestamp}); });
    ASSERT_TRUE(service->registerHotKey(7, superShiftV).succeeded());
    ASSERT_TRUE(service->registerHotKey(8, controlAltSpace).succeeded());

    ASSERT_TRUE(pressKeys(QStringLiteral("super+shift+v")));
    ASSERT_TRUE(test::processEventsUntil([&] { return presses.size() == 1; }));
    EXPECT_EQ(presses[0].id, 7u);
    EXPECT_NE(presses[0].timestamp, 0u);
    {
        ToggledLock numLock(QStringLiteral("Num_Lock"));
        ASSERT_TRUE(pressKeys(QStringLiteral("super+shift+v")));
        ASSERT_TRUE(test::processEventsUntil([&] { return presses.size() == 2; })) << "missed with NumLock on";
        ToggledLock capsLock(QStringLiteral("Caps_Lock"));
        ASSERT_TRUE(pressKeys(QStringLiteral("ctrl+alt+space")));
        ASSERT_TRUE(test::processEventsUntil([&] { return presses.size() == 3; })) << "missed with both locks on";
    }
    EXPECT_EQ(presses[1].id, 7u);
    EXPECT_EQ(presses[2].id, 8u);
    EXPECT_GE(presses[2].timestamp, presses[0].timestamp);
}

TEST(X11HotKeyService, AnotherClientCannotGrabAChordUntilItIsReleased) {
    QUELLPAD_REQUIRE_XDOTOOL();
    auto first = X11HotKeyService::open();
    auto second = X11HotKeyService::open();
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    ASSERT_TRUE(first->registerHotKey(1, superShiftV).succeeded());

    const HotKeyRegistrationStatus refused = second->registerHotKey(1, superShiftV);
    EXPECT_EQ(refused.status, 10) << "BadAccess";
    EXPECT_TRUE(refused.description.contains(QStringLiteral("BadAccess"))) << refused.description.toStdString();

    // Moving a registration onto a taken chord keeps the old grab working.
    ASSERT_TRUE(second->registerHotKey(2, controlAltSpace).succeeded());
    EXPECT_EQ(second->registerHotKey(2, superShiftV).status, 10);
    std::vector<Press> presses;
    second->setPressHandler([&](std::uint32_t id, std::uint32_t timestamp) { presses.push_back({id, timestamp}); });
    ASSERT_TRUE(pressKeys(QStringLiteral("ctrl+alt+space")));
    ASSERT_TRUE(test::processEventsUntil([&] { return presses.size() == 1; }));
    EXPECT_EQ(presses[0].id, 2u);

    // Unregistering and destroying both give the chord up.
    first->unregisterHotKey(1);
    EXPECT_TRUE(second->registerHotKey(3, superShiftV).succeeded());
    second->unregisterHotKey(3);
    ASSERT_TRUE(first->registerHotKey(1, superShiftV).succeeded());
    first.reset();
    EXPECT_TRUE(second->registerHotKey(3, superShiftV).succeeded());
    ASSERT_TRUE(pressKeys(QStringLiteral("super+shift+v")));
    ASSERT_TRUE(test::processEventsUntil([&] { return presses.size() == 2; }));
    EXPECT_EQ(presses[1].id, 3u);
}

TEST(X11HotKeyService, RefusesChordsItCannotGrabAlone) {
    QUELLPAD_REQUIRE_X11();
    auto service = X11HotKeyService::open();
    ASSERT_NE(service, nullptr);
    const HotKeyRegistrationStatus unmapped = service->registerHotKey(1, {10, 0x100000});
    EXPECT_EQ(unmapped.status, X11HotKeyService::unmappedKeyStatus);
    EXPECT_TRUE(unmapped.description.contains(QStringLiteral("10")));
    ASSERT_TRUE(service->registerHotKey(1, superShiftV).succeeded());
    EXPECT_TRUE(service->registerHotKey(1, superShiftV).succeeded()) << "the same chord again is no change";
    EXPECT_EQ(service->registerHotKey(2, superShiftV).status, X11HotKeyService::duplicateChordStatus);
}
