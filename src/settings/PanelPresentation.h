// How the panel is presented; both are read only in the `direct` channel.
#pragma once

#include <array>

#include "Core/Utilities/RawValueEnum.h"

namespace quellpad {

enum class DirectClipboardPresentationMode { centered, floating };

inline constexpr std::array<RawValueCase<DirectClipboardPresentationMode>, 2> directClipboardPresentationModeCases{{
    {DirectClipboardPresentationMode::centered, "centered"},
    {DirectClipboardPresentationMode::floating, "floating"},
}};

enum class FloatingClipboardListStyle { standard, compact };

inline constexpr std::array<RawValueCase<FloatingClipboardListStyle>, 2> floatingClipboardListStyleCases{{
    {FloatingClipboardListStyle::standard, "standard"},
    {FloatingClipboardListStyle::compact, "compact"},
}};

} // namespace quellpad
