#include "search/ClipboardSearchQueryParser.h"

#include "Core/Utilities/Logger.h"
#include "Core/Utilities/ClipboardSearchText.h"
#include "search/ClipboardSearchVocabulary.h"

namespace quellpad {

namespace {

const QString logCategory = QStringLiteral("SearchQueryParser");

std::optional<ClipboardSearchFilterKind> filterKind(const QString& key) {
    return caseFromRawValue(clipboardSearchFilterKindCases, key);
}

// Swift-style list text: ["a", "b"].
QString describe(const QStringList& list) {
    QStringList quoted;
    for (const QString& item : list) {
        quoted.push_back(QLatin1Char('"') + item + QLatin1Char('"'));
    }
    return QLatin1Char('[') + quoted.join(QStringLiteral(", ")) + QLatin1Char(']');
}

} // namespace

const QStringList& ClipboardSearchQueryParser::dateKeywords() {
    static const QStringList keywords{QStringLiteral("today"), QStringLiteral("yesterday"), QStringLiteral("week"),
                                      QStringLiteral("month")};
    return keywords;
}

QStringList ClipboardSearchQueryParser::keyVariants(const QString& key) {
    const QString normalized = ClipboardSearchText::normalizeSearchText(key);
    if (normalized.isEmpty()) {
        return {};
    }
    const QStringList words = normalized.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QStringList variants{normalized};
    for (const QString& joined : {words.join(QString()), words.join(QLatin1Char('-')), words.join(QLatin1Char('_'))}) {
        if (!variants.contains(joined)) {
            variants.push_back(joined);
        }
    }
    return variants;
}

void ClipboardSearchQueryParser::addKeyVariants(KeyTable& table, const QString& key, const QString& label) {
    for (const QString& variant : keyVariants(key)) {
        table.try_emplace(variant, label);
    }
}

const ClipboardSearchQueryParser::KeyTable& ClipboardSearchQueryParser::aliasTable() {
    static const KeyTable table = [] {
        KeyTable built;
        for (const ClipboardSearchVocabulary::Name& name : ClipboardSearchVocabulary::systemClassifications()) {
            addKeyVariants(built, name.displayName, name.displayName);
            addKeyVariants(built, name.identifier, name.displayName);
        }
        const std::pair<const char*, const char*> extras[] = {
            {"pr", "GitHub PR"},   {"pullrequest", "GitHub PR"}, {"pull-request", "GitHub PR"},
            {"issue", "GitHub Issue"}, {"ip", "IP"},             {"path", "File Path"},
            {"filepath", "File Path"}, {"base64", "Base64"},     {"curl", "Curl"},
            {"jsonlines", "JSON Lines"}, {"md", "Markdown"},
        };
        for (const auto& [key, label] : extras) {
            built[QString::fromLatin1(key)] = QString::fromLatin1(label);
        }
        return built;
    }();
    return table;
}

std::optional<ClipboardContentType> ClipboardSearchQueryParser::mainContentType(const QString& value) {
    const QString normalized = ClipboardSearchText::normalizeSearchText(value);
    if (normalized.isEmpty()) {
        return std::nullopt;
    }
    const ClipboardContentType types[] = {ClipboardContentType::text, ClipboardContentType::image};
    for (ClipboardContentType type : types) {
        const auto& name = ClipboardSearchVocabulary::mainContentTypes()[type == ClipboardContentType::text ? 0 : 1];
        const bool isWord = type == ClipboardContentType::text
                                ? normalized == QLatin1String("text")
                                : (normalized == QLatin1String("image") || normalized == QLatin1String("img"));
        if (isWord || normalized == ClipboardSearchText::normalizeSearchText(name.displayName) ||
            normalized == name.identifier) {
            return type;
        }
    }
    return std::nullopt;
}

std::optional<QString> ClipboardSearchQueryParser::classificationLabel(const QString& value) const {
    const QString normalized = ClipboardSearchText::normalizeSearchText(value);
    if (normalized.isEmpty()) {
        return std::nullopt;
    }
    const KeyTable& aliases = aliasTable();
    if (auto found = aliases.find(normalized); found != aliases.end()) {
        return found->second;
    }
    KeyTable userTable;
    for (const ClipboardSearchVocabulary::UserLabel& label : ClipboardSearchVocabulary::userLabels(defaults_)) {
        addKeyVariants(userTable, label.label, label.label);
    }
    if (auto found = userTable.find(normalized); found != userTable.end()) {
        return found->second;
    }
    return std::nullopt;
}

std::optional<ClipboardSearchFilter> ClipboardSearchQueryParser::makeFilter(ClipboardSearchFilterKind kind,
                                                                            const QString& value,
                                                                            const QString& sourceToken) const {
    if (value.isEmpty()) {
        return std::nullopt;
    }
    QString accepted;
    switch (kind) {
    case ClipboardSearchFilterKind::type:
        if (std::optional<ClipboardContentType> type = mainContentType(value)) {
            accepted = *type == ClipboardContentType::image ? QStringLiteral("Image") : QStringLiteral("Text");
        } else if (std::optional<QString> label = classificationLabel(value)) {
            accepted = *label;
        } else {
            accepted = value;
        }
        break;
    case ClipboardSearchFilterKind::app:
        accepted = value;
        break;
    case ClipboardSearchFilterKind::after:
    case ClipboardSearchFilterKind::before:
        accepted = value.toLower();
        if (!dateKeywords().contains(accepted)) {
            return std::nullopt;
        }
        break;
    }
    return ClipboardSearchFilter{kind, accepted, false, sourceToken};
}

ClipboardParsedSearchQuery ClipboardSearchQueryParser::parse(const QString& text) const {
    const QString normalized = ClipboardSearchText::normalizeSearchText(text);
    const QStringList tokens = normalized.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    Logger::debug(QStringLiteral("QueryParser.parse: input='") + text + QStringLiteral("' normalized='") + normalized +
                      QStringLiteral("' tokens=") + describe(tokens),
                  logCategory);

    ClipboardParsedSearchQuery query;
    auto addFilter = [&](const ClipboardSearchFilter& filter) { query.explicitFilters.push_back(filter); };
    const QChar colon = QLatin1Char(':');
    for (qsizetype i = 0; i < tokens.size();) {
        const QString& token = tokens[i];
        const bool hasNext = i + 1 < tokens.size();
        if (token == QStringLiteral(":") && hasNext) {
            if (auto filter = makeFilter(ClipboardSearchFilterKind::type, tokens[i + 1],
                                         token + QLatin1Char(' ') + tokens[i + 1])) {
                addFilter(*filter);
            }
            i += 2;
            continue;
        }
        if (token.startsWith(colon) && token.size() >= 2) {
            if (auto filter = makeFilter(ClipboardSearchFilterKind::type, token.mid(1), token)) {
                addFilter(*filter);
            }
            i += 1;
            continue;
        }
        if (token.endsWith(colon) && hasNext) {
            if (auto kind = filterKind(token.chopped(1))) {
                if (auto filter = makeFilter(*kind, tokens[i + 1], token + QLatin1Char(' ') + tokens[i + 1])) {
                    addFilter(*filter);
                    i += 2;
                    continue;
                }
            }
        }
        const qsizetype colonIndex = token.indexOf(colon);
        if (colonIndex >= 0) {
            if (auto kind = filterKind(token.left(colonIndex))) {
                if (auto filter = makeFilter(*kind, token.mid(colonIndex + 1), token)) {
                    addFilter(*filter);
                    i += 1;
                    continue;
                }
            }
        }
        query.textTokens.push_back(token);
        i += 1;
    }
    for (const QString& token : query.textTokens) {
        Logger::debug(QStringLiteral("QueryParser: token='") + token + QStringLiteral("' -> text token"), logCategory);
    }
    for (const ClipboardSearchFilter& filter : query.explicitFilters) {
        Logger::debug(QStringLiteral("QueryParser: token='") + filter.sourceToken +
                          QStringLiteral("' -> explicit filter: ") + rawValue(filter.kind) + QLatin1Char(':') +
                          filter.value,
                      logCategory);
    }
    Logger::debug(QStringLiteral("QueryParser.parse result: textTokens=") + describe(query.textTokens) +
                      QStringLiteral(", explicitFilters=") + QString::number(query.explicitFilters.size()) +
                      QStringLiteral(", implicitFilters=") + QString::number(query.implicitFilters.size()) +
                      QStringLiteral(", hasFilters=") +
                      (query.hasFilters() ? QStringLiteral("true") : QStringLiteral("false")),
                  logCategory);
    return query;
}

} // namespace quellpad
