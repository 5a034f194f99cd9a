#include "search/ClipboardSearchFilter.h"

#include "Core/Utilities/ClipboardSearchText.h"

namespace quellpad {

ClipboardSearchIndexQuery ClipboardSearchIndexQuery::fromText(const QString& combinedText) {
    ClipboardSearchIndexQuery query;
    query.tokens = combinedText.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    query.normalizedText = ClipboardSearchText::normalizeSearchText(combinedText);
    query.compactText = ClipboardSearchText::compactSearchText(query.normalizedText);
    return query;
}

QString ClipboardSearchIndexQuery::matchExpression() const {
    QStringList terms;
    for (const QString& token : tokens) {
        QString escaped = token;
        escaped.replace(QLatin1Char('"'), QStringLiteral("\"\""));
        const QStringList pieces = escaped.contains(QLatin1Char('/'))
                                       ? escaped.split(QLatin1Char('/'), Qt::SkipEmptyParts)
                                       : QStringList{escaped};
        for (const QString& piece : pieces) {
            if (!piece.isEmpty()) {
                terms.push_back(QLatin1Char('"') + piece + QStringLiteral("\"*"));
            }
        }
    }
    return terms.join(QStringLiteral(" AND "));
}

} // namespace quellpad
