// How carets are looked for in one application: the strategies in the order they are
// tried and an offset applied to the answer. Keyed by the application's desktop-file
// id; a key also serves every id it is a prefix of ("jetbrains-" serves
// "jetbrains-idea-ce").
#pragma once

#include <array>
#include <optional>
#include <vector>

#include <QString>

#include "Core/Utilities/RawValueEnum.h"

namespace quellpad {

// Raw values 0..7 in declaration order, which is also the default order.
enum class CaretDetectionStrategy {
    boundsForRange,   // extents of the selected range as it is
    selectionEnd,     // the empty range at the selection's end (only with a selection)
    zeroRange,        // the empty range at the selection's start
    visibleRange,     // as zeroRange, when the element reports a visible range
    lineInfo,         // estimated from the text and the element's frame
    elementAndWindow, // estimated from the element's and its window's frames
    textMarkerRange,  // the element's own text-marker bounds
    lastLineFallback, // a caret on the element's last visible line
};

inline constexpr std::array<RawValueCase<CaretDetectionStrategy>, 8> caretDetectionStrategyCases{{
    {CaretDetectionStrategy::boundsForRange, "BoundsForRange"},
    {CaretDetectionStrategy::selectionEnd, "SelectionEnd"},
    {CaretDetectionStrategy::zeroRange, "ZeroRange"},
    {CaretDetectionStrategy::visibleRange, "VisibleRange"},
    {CaretDetectionStrategy::lineInfo, "LineInfo"},
    {CaretDetectionStrategy::elementAndWindow, "ElementAndWindow"},
    {CaretDetectionStrategy::textMarkerRange, "TextMarkerRange"},
    {CaretDetectionStrategy::lastLineFallback, "LastLineFallback"},
}};

enum class PanelOffsetMode { none, caretHeight, custom };
enum class PanelOffsetDirection { up, down };

struct AppStrategyConfig {
    QString applicationId; // "*" for the default
    QString displayName;
    std::vector<CaretDetectionStrategy> preferredStrategies;
    PanelOffsetMode offsetMode = PanelOffsetMode::none;
    PanelOffsetDirection offsetDirection = PanelOffsetDirection::down;
    std::optional<double> customOffset; // points

    // The row for applicationId: equal key, else the first key it starts with, else the default.
    static AppStrategyConfig forApplication(const std::optional<QString>& applicationId);
    static AppStrategyConfig defaultConfig();
    static const std::vector<AppStrategyConfig>& builtIn();
    // Browsers whose text fields get the frame estimate when every strategy failed.
    static bool isBrowser(const std::optional<QString>& applicationId);
};

} // namespace quellpad
