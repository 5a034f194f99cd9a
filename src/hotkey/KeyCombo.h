// The panel shortcut as it is stored: a virtual key code of the ANSI layout and the
// four modifier bits, portable between platforms. JSON form:
// {"keyCode": 9, "modifierFlags": 1179648}.
#pragma once

#include <cstdint>
#include <optional>

#include <QByteArray>
#include <QtCore/qnamespace.h>
#include <QString>

#include "platform/HotKeyService.h"

namespace quellpad {

namespace ModifierFlag {
inline constexpr std::uint64_t control = 0x40000;
inline constexpr std::uint64_t option = 0x80000; // Alt on Linux
inline constexpr std::uint64_t shift = 0x20000;
inline constexpr std::uint64_t command = 0x100000; // Super on Linux
inline constexpr std::uint64_t all = control | option | shift | command;
} // namespace ModifierFlag

namespace KeyCode {
inline constexpr std::uint16_t v = 9;
inline constexpr std::uint16_t escape = 53;
} // namespace KeyCode

struct KeyCombo {
    std::uint16_t keyCode = 0;
    std::uint64_t modifierFlags = 0;

    bool operator==(const KeyCombo&) const = default;

    // Super+Shift+V.
    static KeyCombo defaultClipboardHotkey() { return {KeyCode::v, ModifierFlag::command | ModifierFlag::shift}; }

    HotKeyChord chord() const { return {keyCode, modifierFlags}; }

    // The modifier symbols in the order Control, Option, Shift, Command, then the key
    // name; the symbols alone when the key has no name. Used in log lines.
    QString displayText() const;
    // "Ctrl+Alt+Shift+Super+V": how a Linux desktop names it, for the settings.
    QString desktopText() const;

    QByteArray toJson() const;
    // nullopt with the reason in error when bytes are not a key combination.
    static std::optional<KeyCombo> fromJson(const QByteArray& bytes, QString* error = nullptr);
};

// The name of a key code ("V", "F5", "Space"); empty for codes without a name.
QString keyName(std::uint16_t keyCode);
bool isFunctionKey(std::uint16_t keyCode);
bool isLetterDigitOrSpace(std::uint16_t keyCode);

// Why a combination cannot be the panel shortcut; nullopt when it can. Refused: the
// standard editing shortcuts with Command or Control alone (Z, X, C, V, Q, W, Tab,
// Space), a key without modifiers unless it is F1-F12, and a letter, digit or Space
// with only Shift or only Alt (those would swallow ordinary typing).
// The ANSI key code of a key Qt reports (letters, digits with or without Shift on a US
// layout, F1-F12, Space, Return, Tab, punctuation, navigation keys); nullopt for
// modifier keys and keys without a code.
std::optional<std::uint16_t> keyCodeFromQtKey(int qtKey);
// The four modifier bits of Qt's modifiers (Meta is Super on X11).
std::uint64_t modifierFlagsFromQt(Qt::KeyboardModifiers modifiers);

enum class KeyComboRefusal { reservedShortcut, noModifier, swallowsTyping };
std::optional<KeyComboRefusal> refusalOf(const KeyCombo& combo);

} // namespace quellpad
