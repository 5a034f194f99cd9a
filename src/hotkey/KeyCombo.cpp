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
