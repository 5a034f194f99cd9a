// Turns what the user types into the search field into text tokens and `key:value`
// filters (`type`, `app`, `after`, `before`; a leading colon stands for `type`).
// A pure function of the input, the built-in classification vocabulary and the
// user's saved classification rules.
#pragma once

#include <optional>
#include <unordered_map>
#include <vector>

#include <QString>
#include <QStringList>

#include "history/ClipboardHistoryRecords.h"
#include "search/ClipboardSearchFilter.h"

namespace quellpad {

class DefaultsStore;

struct ClipboardParsedSearchQuery {
    QStringList textTokens;
    std::vector<ClipboardSearchFilter> explicitFilters;
    std::vector<ClipboardSearchFilter> implicitFilters; // this parser never fills it

    bool hasFilters() const { return !explicitFilters.empty() || !implicitFilters.empty(); }
    bool operator==(const ClipboardParsedSearchQuery&) const = default;
};

class ClipboardSearchQueryParser {
public:
    // Relative date keywords of `after` and `before`, in order.
    static const QStringList& dateKeywords();

    // The rules are read from the defaults store on every lookup that misses the
    // built-in names, so a rule saved a moment ago is found by the next parse.
    explicit ClipboardSearchQueryParser(const DefaultsStore& defaults) : defaults_(defaults) {}

    ClipboardParsedSearchQuery parse(const QString& text) const;

    // The short label a `type:` value stands for: built-in aliases first, then the
    // labels of the saved user rules.
    std::optional<QString> classificationLabel(const QString& value) const;

    // The content type a `type:` value names ("text"; "image", "img").
    static std::optional<ClipboardContentType> mainContentType(const QString& value);

    // Adds a key under its normalised, run-together, hyphen- and underscore-joined
    // forms (an existing entry is kept).
    using KeyTable = std::unordered_map<QString, QString>;
    static void addKeyVariants(KeyTable& table, const QString& key, const QString& label);
    // The normalised variants of a key, as addKeyVariants enters them.
    static QStringList keyVariants(const QString& key);

    // The built-in alias table, built once.
    static const KeyTable& aliasTable();

private:
    std::optional<ClipboardSearchFilter> makeFilter(ClipboardSearchFilterKind kind, const QString& value,
                                                    const QString& sourceToken) const;

    const DefaultsStore& defaults_;
};

} // namespace quellpad
