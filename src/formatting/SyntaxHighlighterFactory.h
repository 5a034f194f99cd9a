// Picks the formatter for an item from its primary system classification.
#pragma once

#include <memory>
#include <optional>

#include "classification/ClipboardClassificationModel.h"
#include "formatting/SyntaxHighlighting.h"

namespace quellpad {

// json, jsonLines and sql have a formatter; any other classification, or none, means
// the item is not formattable (nullptr).
std::unique_ptr<SyntaxHighlighting> makeSyntaxHighlighter(std::optional<ClipboardSystemClassification> classification);

} // namespace quellpad
