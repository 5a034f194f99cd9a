#include "search/ClipboardSearchFilter.h"

#include "search/ClipboardSearchText.h"

namespace quellpad {

ClipboardSearchIndexQuery ClipboardSearchIndexQuery::fromText(const QString& combinedText) {
    ClipboardSearchIndexQuery query;
    query.tokens = combinedText.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    query.normalizedText = ClipboardSearchText::normalizeSearchText(combinedText);
    query.compactText = ClipboardSearchText::compactSearchText(query.normalizedText);
    return query;
}

} // namespace quellpad
