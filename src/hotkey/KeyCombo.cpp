#include "hotkey/KeyCombo.h"

#include <array>
#include <utility>

#include <QStringList>

#include <nlohmann/json.hpp>

namespace quellpad {

namespace {

// The names the display text uses; keys missing here have none.
constexpr std::array<std::pair<std::uint16_t, const char*>, 40> keyNames{{
    {0, "A"},    {1, "S"},    {2, "D"},    {3, "F"},    {4, "H"},     {5, "G"},    {6, "Z"},   {7, "X"},
    {8, "C"},    {9, "V"},    {11, "B"},   {12, "Q"},   {13, "W"},    {14, "E"},   {15, "R"},  {16, "Y"},
    {17, "T"},   {31, "O"},   {32, "U"},   {34, "I"},   {35, "P"},    {36, "⏎"},   {37, "L"},  {38, "J"},
    {40, "K"},   {45, "N"},   {46, "M"},   {49, "Space"}, {122, "F1"}, {120, "F2"}, {99, "F3"}, {118, "F4"},
    {96, "F5"},  {97, "F6"},  {98, "F7"},  {100, "F8"}, {101, "F9"},  {109, "F10"}, {103, "F11"}, {111, "F12"},
}};

constexpr std::array<std::uint16_t, 12> functionKeys{122, 120, 99, 118, 96, 97, 98, 100, 101, 109, 103, 111};
// ANSI codes of the digit row, 1 to 0.
constexpr std::array<std::uint16_t, 10> digitKeys{18, 19, 20, 21, 23, 22, 26, 28, 25, 29};
// Z, X, C, V, Q, W, Tab, Space.
constexpr std::array<std::uint16_t, 8> reservedKeys{6, 7, 8, 9, 12, 13, 48, 49};
constexpr std::uint16_t spaceKey = 49;

template <typename Array>
bool contains(const Array& values, std::uint16_t value) {
    for (const auto& candidate : values) {
        if (candidate == value) return true;
    }
    return false;
}

} // namespace

QString keyName(std::uint16_t keyCode) {
    for (const auto& [code, name] : keyNames) {
        if (code == keyCode) return QString::fromUtf8(name);
    }
    return {};
}

bool isFunctionKey(std::uint16_t keyCode) { return contains(functionKeys, keyCode); }

bool isLetterDigitOrSpace(std::uint16_t keyCode) {
    if (keyCode == spaceKey || contains(digitKeys, keyCode)) return true;
    const QString name = keyName(keyCode);
    return name.size() == 1 && name.at(0).isLetter();
}

QString KeyCombo::displayText() const {
    QString text;
    if (modifierFlags & ModifierFlag::control) text += QStringLiteral("⌃");
    if (modifierFlags & ModifierFlag::option) text += QStringLiteral("⌥");
    if (modifierFlags & ModifierFlag::shift) text += QStringLiteral("⇧");
    if (modifierFlags & ModifierFlag::command) text += QStringLiteral("⌘");
    return text + keyName(keyCode);
}

QString KeyCombo::desktopText() const {
    QStringList parts;
    if (modifierFlags & ModifierFlag::control) parts << QStringLiteral("Ctrl");
    if (modifierFlags & ModifierFlag::option) parts << QStringLiteral("Alt");
    if (modifierFlags & ModifierFlag::shift) parts << QStringLiteral("Shift");
    if (modifierFlags & ModifierFlag::command) parts << QStringLiteral("Super");
    QString key = keyName(keyCode);
    if (keyCode == 36) key = QStringLiteral("Return");
    if (keyCode == 48) key = QStringLiteral("Tab");
    if (keyCode == 53) key = QStringLiteral("Escape");
    parts << (key.isEmpty() ? QStringLiteral("#%1").arg(keyCode) : key);
    return parts.join(QLatin1Char('+'));
}

QByteArray KeyCombo::toJson() const {
    const nlohmann::json object{{"keyCode", keyCode}, {"modifierFlags", modifierFlags}};
    return QByteArray::fromStdString(object.dump());
}

std::optional<KeyCombo> KeyCombo::fromJson(const QByteArray& bytes, QString* error) {
    auto fail = [error](const QString& reason) {
        if (error) *error = reason;
        return std::nullopt;
    };
    const nlohmann::json parsed = nlohmann::json::parse(bytes.begin(), bytes.end(), nullptr, false);
    if (parsed.is_discarded()) return fail(QStringLiteral("the data is not valid JSON"));
    if (!parsed.is_object()) return fail(QStringLiteral("the JSON is not an object"));
    const auto keyCode = parsed.find("keyCode");
    const auto flags = parsed.find("modifierFlags");
    if (keyCode == parsed.end() || flags == parsed.end()) {
        return fail(QStringLiteral("keyCode or modifierFlags is missing"));
    }
    if (!keyCode->is_number_unsigned() || keyCode->get<std::uint64_t>() > 0xFFFF) {
        return fail(QStringLiteral("keyCode is not a 16-bit unsigned number"));
    }
    if (!flags->is_number_unsigned()) {
        return fail(QStringLiteral("modifierFlags is not an unsigned number"));
    }
    // Only the four modifier bits are meaningful; others (caps lock, device bits) are dropped.
    return KeyCombo{keyCode->get<std::uint16_t>(), flags->get<std::uint64_t>() & ModifierFlag::all};
}

std::optional<std::uint16_t> keyCodeFromQtKey(int qtKey) {
    // Qt names the shifted symbol, not the key, so both map to the key (US layout).
    static constexpr std::array<std::pair<int, std::uint16_t>, 96> codes{{
        {Qt::Key_A, 0}, {Qt::Key_B, 11}, {Qt::Key_C, 8}, {Qt::Key_D, 2}, {Qt::Key_E, 14}, {Qt::Key_F, 3},
        {Qt::Key_G, 5}, {Qt::Key_H, 4}, {Qt::Key_I, 34}, {Qt::Key_J, 38}, {Qt::Key_K, 40}, {Qt::Key_L, 37},
        {Qt::Key_M, 46}, {Qt::Key_N, 45}, {Qt::Key_O, 31}, {Qt::Key_P, 35}, {Qt::Key_Q, 12}, {Qt::Key_R, 15},
        {Qt::Key_S, 1}, {Qt::Key_T, 17}, {Qt::Key_U, 32}, {Qt::Key_V, 9}, {Qt::Key_W, 13}, {Qt::Key_X, 7},
        {Qt::Key_Y, 16}, {Qt::Key_Z, 6}, {Qt::Key_1, 18}, {Qt::Key_Exclam, 18}, {Qt::Key_2, 19}, {Qt::Key_At, 19},
        {Qt::Key_3, 20}, {Qt::Key_NumberSign, 20}, {Qt::Key_4, 21}, {Qt::Key_Dollar, 21}, {Qt::Key_5, 23}, {Qt::Key_Percent, 23},
        {Qt::Key_6, 22}, {Qt::Key_AsciiCircum, 22}, {Qt::Key_7, 26}, {Qt::Key_Ampersand, 26}, {Qt::Key_8, 28}, {Qt::Key_Asterisk, 28},
        {Qt::Key_9, 25}, {Qt::Key_ParenLeft, 25}, {Qt::Key_0, 29}, {Qt::Key_ParenRight, 29}, {Qt::Key_Minus, 27}, {Qt::Key_Underscore, 27},
        {Qt::Key_Equal, 24}, {Qt::Key_Plus, 24}, {Qt::Key_BracketLeft, 33}, {Qt::Key_BraceLeft, 33}, {Qt::Key_BracketRight, 30}, {Qt::Key_BraceRight, 30},
        {Qt::Key_Semicolon, 41}, {Qt::Key_Colon, 41}, {Qt::Key_Apostrophe, 39}, {Qt::Key_QuoteDbl, 39}, {Qt::Key_Backslash, 42}, {Qt::Key_Bar, 42},
        {Qt::Key_Comma, 43}, {Qt::Key_Less, 43}, {Qt::Key_Period, 47}, {Qt::Key_Greater, 47}, {Qt::Key_Slash, 44}, {Qt::Key_Question, 44},
        {Qt::Key_QuoteLeft, 50}, {Qt::Key_AsciiTilde, 50}, {Qt::Key_Space, 49}, {Qt::Key_Return, 36}, {Qt::Key_Enter, 36}, {Qt::Key_Tab, 48},
        {Qt::Key_Backtab, 48}, {Qt::Key_Backspace, 51}, {Qt::Key_Escape, 53}, {Qt::Key_Delete, 117}, {Qt::Key_Home, 115}, {Qt::Key_End, 119},
        {Qt::Key_PageUp, 116}, {Qt::Key_PageDown, 121}, {Qt::Key_Left, 123}, {Qt::Key_Right, 124}, {Qt::Key_Down, 125}, {Qt::Key_Up, 126},
        {Qt::Key_F1, 122}, {Qt::Key_F2, 120}, {Qt::Key_F3, 99}, {Qt::Key_F4, 118}, {Qt::Key_F5, 96}, {Qt::Key_F6, 97},
        {Qt::Key_F7, 98}, {Qt::Key_F8, 100}, {Qt::Key_F9, 101}, {Qt::Key_F10, 109}, {Qt::Key_F11, 103}, {Qt::Key_F12, 111},
    }};
    for (const auto& [key, code] : codes) {
        if (key == qtKey) return code;
    }
    return std::nullopt;
}

std::uint64_t modifierFlagsFromQt(Qt::KeyboardModifiers modifiers) {
    std::uint64_t flags = 0;
    if (modifiers & Qt::ControlModifier) flags |= ModifierFlag::control;
    if (modifiers & Qt::AltModifier) flags |= ModifierFlag::option;
    if (modifiers & Qt::ShiftModifier) flags |= ModifierFlag::shift;
    if (modifiers & Qt::MetaModifier) flags |= ModifierFlag::command;
    return flags;
}

std::optional<KeyComboRefusal> refusalOf(const KeyCombo& combo) {
    const std::uint64_t flags = combo.modifierFlags & ModifierFlag::all;
    if ((flags == ModifierFlag::command || flags == ModifierFlag::control) && contains(reservedKeys, combo.keyCode)) {
        return KeyComboRefusal::reservedShortcut;
    }
    if (flags == 0) {
        return isFunctionKey(combo.keyCode) ? std::nullopt : std::optional(KeyComboRefusal::noModifier);
    }
    if ((flags == ModifierFlag::shift || flags == ModifierFlag::option) && isLetterDigitOrSpace(combo.keyCode)) {
        return KeyComboRefusal::swallowsTyping;
    }
    return std::nullopt;
}

} // namespace quellpad
