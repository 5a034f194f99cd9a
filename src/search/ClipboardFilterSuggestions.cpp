#include "search/ClipboardFilterSuggestions.h"

#include <algorithm>
#include <functional>
#include <set>

#include "Core/Utilities/TextUtilities.h"
#include "search/ClipboardSearchQueryParser.h"
#include "Core/Utilities/ClipboardSearchText.h"
#include "search/ClipboardSearchVocabulary.h"

namespace quellpad {

namespace {

bool isPartialWordCharacter(QChar c) {
    const char16_t u = c.unicode();
    return (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z') || (u >= u'0' && u <= u'9') || u == u'.' ||
           u == u'_' || u == u'-';
}

QString withoutSeparators(QString key) {
    key.remove(QLatin1Char('-'));
    key.remove(QLatin1Char('_'));
    return key;
}

void addKeys(QStringList& keys, const QStringList& more) {
    for (const QString& key : more) {
        if (!key.isEmpty() && !keys.contains(key)) {
            keys.push_back(key);
        }
    }
}

QStringList extraKeys(const QString& identifier) {
    static const std::vector<std::pair<QString, QStringList>> extras{
        {QStringLiteral("curlCommand"), {QStringLiteral("curl")}},
        {QStringLiteral("ipAddress"), {QStringLiteral("ip")}},
        {QStringLiteral("filePath"), {QStringLiteral("path"), QStringLiteral("filepath")}},
        {QStringLiteral("markdown"), {QStringLiteral("md")}},
        {QStringLiteral("githubIssue"), {QStringLiteral("issue")}},
        {QStringLiteral("jsonLines"), {QStringLiteral("jsonlines")}},
        {QStringLiteral("githubPullRequest"),
         {QStringLiteral("pr"), QStringLiteral("pullrequest"), QStringLiteral("pull-request")}},
        {QStringLiteral("base64"), {QStringLiteral("base64")}},
        {QStringLiteral("text"), {QStringLiteral("text")}},
        {QStringLiteral("image"), {QStringLiteral("image"), QStringLiteral("img")}},
    };
    for (const auto& [id, keys] : extras) {
        if (id == identifier) {
            return keys;
        }
    }
    return {};
}

} // namespace

std::optional<ClipboardFilterSuggestionContext> ClipboardFilterSuggestions::suggestionContext(const QString& text,
                                                                                            qsizetype cursor) {
    if (cursor <= 0) {
        return std::nullopt;
    }
    const QStringView before = QStringView(text).first(std::min(cursor, text.size()));
    qsizetype wordStart = before.size();
    while (wordStart > 0 && isPartialWordCharacter(before[wordStart - 1])) {
        --wordStart;
    }
    qsizetype colon = wordStart;
    while (colon > 0 && TextUtilities::isWhitespace(before[colon - 1].unicode())) {
        --colon;
    }
    if (colon == 0 || before[colon - 1] != QLatin1Char(':')) {
        return std::nullopt;
    }
    --colon;
    if (colon > 0) {
        // The colon follows white space (a surrogate pair is never white space).
        if (!TextUtilities::isWhitespace(before[colon - 1].unicode())) {
            return std::nullopt;
        }
    }
    return ClipboardFilterSuggestionContext{colon, before.size() - colon, before.sliced(wordStart).toString(), text};
}

std::vector<ClipboardFilterCandidate> ClipboardFilterSuggestions::candidates() const {
    using Parser = ClipboardSearchQueryParser;
    std::vector<ClipboardFilterCandidate> result;
    const std::vector<QString> enabledTypes = ClipboardSearchVocabulary::enabledMainContentTypes(defaults_);
    for (const ClipboardSearchVocabulary::Name& type : ClipboardSearchVocabulary::mainContentTypes()) {
        if (std::find(enabledTypes.begin(), enabledTypes.end(), type.identifier) == enabledTypes.end()) {
            continue;
        }
        ClipboardFilterCandidate candidate{type.displayName, {}, ClipboardFilterSuggestionSource::system};
        addKeys(candidate.keys, Parser::keyVariants(type.displayName));
        addKeys(candidate.keys, Parser::keyVariants(type.identifier));
        addKeys(candidate.keys, extraKeys(type.identifier));
        result.push_back(std::move(candidate));
    }
    for (const ClipboardSearchVocabulary::Name& classification : ClipboardSearchVocabulary::systemClassifications()) {
        ClipboardFilterCandidate candidate{classification.displayName, {}, ClipboardFilterSuggestionSource::system};
        addKeys(candidate.keys, Parser::keyVariants(classification.displayName));
        addKeys(candidate.keys, Parser::keyVariants(classification.identifier));
        addKeys(candidate.keys, extraKeys(classification.identifier));
        result.push_back(std::move(candidate));
    }
    // Two rules with the same label offer it once.
    std::set<QString> labels;
    for (const ClipboardSearchVocabulary::UserLabel& label : ClipboardSearchVocabulary::userLabels(defaults_)) {
        if (!labels.insert(label.label).second) {
            continue;
        }
        ClipboardFilterCandidate candidate{label.label, {}, ClipboardFilterSuggestionSource::user};
        addKeys(candidate.keys, Parser::keyVariants(label.label));
        result.push_back(std::move(candidate));
    }
    return result;
}

QString ClipboardFilterSuggestions::insertToken(const QString& displayName) {
    return QLatin1Char(':') + displayName.split(QLatin1Char(' '), Qt::SkipEmptyParts).join(QLatin1Char('-'));
}

std::vector<RankedFilterSuggestion> ClipboardFilterSuggestions::filterSuggestions(
    const ClipboardFilterSuggestionContext& context) const {
    const QString prefix = ClipboardSearchText::normalizeSearchText(context.prefix);
    const QString compactPrefix = withoutSeparators(prefix);
    std::vector<RankedFilterSuggestion> ranked;
    int order = 0;
    for (const ClipboardFilterCandidate& candidate : candidates()) {
        const int position = order++;
        std::optional<int> rank;
        QString matchText;
        if (prefix.isEmpty()) {
            rank = 0;
            matchText = candidate.keys.value(0);
        }
        using Test = std::function<bool(const QString& key)>;
        const Test tests[] = {
            [&](const QString& key) { return key == prefix; },
            [&](const QString& key) { return key.startsWith(prefix); },
            [&](const QString& key) { return withoutSeparators(key).startsWith(compactPrefix); },
            [&](const QString& key) { return key.contains(prefix); },
            [&](const QString& key) { return withoutSeparators(key).contains(compactPrefix); },
        };
        for (int level = 0; !rank && level < 5; ++level) {
            for (const QString& key : candidate.keys) {
                if (tests[level](key)) {
                    rank = level;
                    matchText = key;
                    break;
                }
            }
        }
        if (!rank) {
            continue;
        }
        ranked.push_back({{candidate.displayName, insertToken(candidate.displayName), matchText, candidate.source},
                          *rank,
                          position});
    }
    std::stable_sort(ranked.begin(), ranked.end(), [](const RankedFilterSuggestion& a, const RankedFilterSuggestion& b) {
        return a.rank != b.rank ? a.rank < b.rank : a.order < b.order;
    });
    return ranked;
}

std::pair<QString, qsizetype> ClipboardFilterSuggestions::apply(const ClipboardFilterSuggestionContext& context,
                                                                const ClipboardFilterSuggestion& suggestion) {
    QString text = context.sourceText;
    text.replace(context.replacementStart, context.replacementLength, suggestion.insertToken);
    return {text, context.replacementStart + suggestion.insertToken.size()};
}

} // namespace quellpad
