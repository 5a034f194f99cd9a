#include "formatting/SyntaxColorTheme.h"

#include <QString>

namespace quellpad {

namespace {

QColor fromComponents(const SyntaxColor::Components& c) { return QColor::fromRgbF(c.red, c.green, c.blue, 1.0); }

} // namespace

QColor SyntaxColor::resolved(SyntaxAppearance appearance) const {
    const bool dark = appearance == SyntaxAppearance::dark;
    switch (kind) {
    case Kind::rgb: return fromComponents(dark ? this->dark : light);
    case Kind::label: return dark ? QColor(255, 255, 255, 217) : QColor(0, 0, 0, 217);
    case Kind::secondaryLabel: return dark ? QColor(235, 235, 245, 153) : QColor(60, 60, 67, 153);
    case Kind::systemBlue: return dark ? QColor(10, 132, 255) : QColor(0, 122, 255);
    case Kind::systemGreen: return dark ? QColor(48, 209, 88) : QColor(52, 199, 89);
    case Kind::systemOrange: return dark ? QColor(255, 159, 10) : QColor(255, 149, 0);
    case Kind::systemGray: return dark ? QColor(152, 152, 157) : QColor(142, 142, 147);
    case Kind::systemPurple: return dark ? QColor(191, 90, 242) : QColor(175, 82, 222);
    case Kind::systemRed: return dark ? QColor(255, 69, 58) : QColor(255, 59, 48);
    }
    return {};
}

const SyntaxColor& SyntaxColorTheme::color(SyntaxColorRole role) const {
    switch (role) {
    case SyntaxColorRole::keyword: return keyword;
    case SyntaxColorRole::property: return property;
    case SyntaxColorRole::string: return string;
    case SyntaxColorRole::number: return number;
    case SyntaxColorRole::comment: return comment;
    case SyntaxColorRole::punctuation: return punctuation;
    case SyntaxColorRole::bracket: return bracket;
    case SyntaxColorRole::text: return text;
    }
    return text;
}

const SyntaxColorTheme& SyntaxColorTheme::soft() {
    using K = SyntaxColor::Kind;
    static const SyntaxColorTheme theme{
        SyntaxColor::rgb({0.25, 0.43, 0.67}, {0.55, 0.72, 0.9}),
        SyntaxColor::rgb({0.31, 0.39, 0.56}, {0.69, 0.75, 0.87}),
        SyntaxColor::named(K::label),
        SyntaxColor::rgb({0.67, 0.46, 0.21}, {0.87, 0.7, 0.5}),
        SyntaxColor::named(K::secondaryLabel),
        SyntaxColor::rgb({0.47, 0.44, 0.53}, {0.7, 0.68, 0.76}),
        SyntaxColor::rgb({0.5, 0.39, 0.38}, {0.79, 0.67, 0.65}),
        SyntaxColor::named(K::label),
    };
    return theme;
}

const SyntaxColorTheme& SyntaxColorTheme::system() {
    using K = SyntaxColor::Kind;
    static const SyntaxColorTheme theme{
        SyntaxColor::named(K::systemBlue),   SyntaxColor::named(K::systemBlue),  SyntaxColor::named(K::systemGreen),
        SyntaxColor::named(K::systemOrange), SyntaxColor::named(K::systemGray),  SyntaxColor::named(K::systemPurple),
        SyntaxColor::named(K::systemRed),    SyntaxColor::named(K::label),
    };
    return theme;
}

SyntaxAppearance syntaxAppearance(const QString& bestMatchingAppearanceName) {
    return bestMatchingAppearanceName == QLatin1String("dark") || bestMatchingAppearanceName == QLatin1String("vibrantDark")
               ? SyntaxAppearance::dark
               : SyntaxAppearance::light;
}

} // namespace quellpad
