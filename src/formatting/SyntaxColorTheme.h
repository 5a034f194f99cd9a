// Colours of the formatted views. A highlighter marks text with colour roles; the
// theme says which colour each role has, and the view resolves the colour for the
// current appearance (light or dark) to a Qt colour.
#pragma once

#include <QColor>

namespace quellpad {

// The eight roles, in theme order.
enum class SyntaxColorRole { keyword, property, string, number, comment, punctuation, bracket, text };
inline constexpr int syntaxColorRoleCount = 8;

enum class SyntaxAppearance { light, dark };

// Either a fixed sRGB pair (light, dark) or one of the system's named colours.
struct SyntaxColor {
    enum class Kind { rgb, label, secondaryLabel, systemBlue, systemGreen, systemOrange, systemGray, systemPurple, systemRed };

    struct Components {
        double red = 0;
        double green = 0;
        double blue = 0;
        bool operator==(const Components&) const = default;
    };

    Kind kind = Kind::label;
    Components light; // used by Kind::rgb
    Components dark;  // used by Kind::rgb

    static SyntaxColor rgb(Components lightValue, Components darkValue) { return {Kind::rgb, lightValue, darkValue}; }
    static SyntaxColor named(Kind kind) { return {kind, {}, {}}; }

    // The concrete colour for an appearance. Named colours use the system palette's
    // usual values; a view may map them to its own palette instead.
    QColor resolved(SyntaxAppearance appearance) const;

    bool operator==(const SyntaxColor&) const = default;
};

struct SyntaxColorTheme {
    SyntaxColor keyword;
    SyntaxColor property;
    SyntaxColor string;
    SyntaxColor number;
    SyntaxColor comment;
    SyntaxColor punctuation;
    SyntaxColor bracket;
    SyntaxColor text;

    const SyntaxColor& color(SyntaxColorRole role) const;

    // Soft colours for JSON and JSON Lines; built once, thread-safe.
    static const SyntaxColorTheme& soft();
    // The system's named colours, for SQL; built once, thread-safe.
    static const SyntaxColorTheme& system();

    bool operator==(const SyntaxColorTheme&) const = default;
};

// An appearance name ("dark", "vibrantDark", "light", "vibrantLight", or none) as the
// desktop reports it: the dark ones resolve to dark, everything else to light.
SyntaxAppearance syntaxAppearance(const QString& bestMatchingAppearanceName);

} // namespace quellpad
