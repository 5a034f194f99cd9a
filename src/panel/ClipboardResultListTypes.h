// The small closed sets the result lists of both panels share.
#pragma once

#include <array>

#include "Core/Utilities/RawValueEnum.h"

namespace quellpad {

// The panel's single tab; it exists so that the tab strip has a value to show.
enum class ClipboardPanelTab { clipboardHistory };

inline constexpr std::array<RawValueCase<ClipboardPanelTab>, 1> clipboardPanelTabCases{{
    {ClipboardPanelTab::clipboardHistory, "clipboardHistory"},
}};

// compact shows a fixed number of rows without scrolling; normal scrolls.
enum class ClipboardResultListMode { normal, compact };
inline constexpr int compactResultListRowCount = 5;

// History rows, or the filter suggestions while the user types a filter token.
enum class ClipboardResultListContentMode { history, filterSuggestions };

// Row layout; compact is the floating panel's dense style.
enum class ClipboardResultListRowStyle { standard, compact };

// Why the selection changed; a hover selection never triggers an action by itself.
enum class ClipboardResultListSelectionSource { keyboard, mouseClick, hover, programmatic };

// The list asks for the next page when its visible bottom comes this close to the last row.
inline constexpr double autoLoadMoreThresholdRows = 2.0;

} // namespace quellpad
