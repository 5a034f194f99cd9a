#include "formatting/SyntaxHighlighterFactory.h"

#include "formatting/JSONLinesSyntaxHighlighter.h"
#include "formatting/JSONSyntaxHighlighter.h"
#include "formatting/SQLSyntaxHighlighter.h"

namespace quellpad {

std::unique_ptr<SyntaxHighlighting> makeSyntaxHighlighter(std::optional<ClipboardSystemClassification> classification) {
    if (!classification) {
        return nullptr;
    }
    switch (*classification) {
    case ClipboardSystemClassification::json:
        return std::make_unique<JSONSyntaxHighlighter>(SyntaxColorTheme::soft());
    case ClipboardSystemClassification::jsonLines:
        return std::make_unique<JSONLinesSyntaxHighlighter>(JSONSyntaxHighlighter(SyntaxColorTheme::soft()));
    case ClipboardSystemClassification::sql:
        return std::make_unique<SQLSyntaxHighlighter>(SyntaxColorTheme::system(),
                                                      SQLSyntaxHighlighter::defaultClausePatterns());
    default:
        return nullptr;
    }
}

} // namespace quellpad
