// The classification vocabulary shared by capture, search and the settings windows:
// the two main content types, the fifteen system classifications (identifier, short
// label, summary, tier, group) in their fixed order, the result of classifying a text
// and the single label stored with an item.
//
// The short label (`displayName`) is data: it is what the history record and the
// search index's classification column store and what `type:` filters compare
// against, so it never changes with the interface language. Windows show the
// localized name through `displayNameKey` instead.
#pragma once

#include <array>
#include <optional>
#include <vector>

#include <QString>
#include <QStringList>
#include <QStringView>

#include "Core/Utilities/RawValueEnum.h"
#include "localization/TextKey.h"

namespace quellpad {

// ---- Main content types -------------------------------------------------------------

enum class ClipboardMainContentType { text, image };

inline constexpr std::array<RawValueCase<ClipboardMainContentType>, 2> clipboardMainContentTypeCases{{
    {ClipboardMainContentType::text, "text"},
    {ClipboardMainContentType::image, "image"},
}};

inline QString rawValue(ClipboardMainContentType type) { return rawValueOf(clipboardMainContentTypeCases, type); }
inline std::optional<ClipboardMainContentType> mainContentTypeFromRaw(QStringView raw) {
    return caseFromRawValue(clipboardMainContentTypeCases, raw);
}

struct ClipboardMainContentTypeDefinition {
    ClipboardMainContentType id;
    QString displayName; // "Text" / "Image"
    QString summary;     // English
    TextKey displayNameKey;
    TextKey summaryKey;
};

// Both definitions, text first; built once.
const std::vector<ClipboardMainContentTypeDefinition>& mainContentTypeDefinitions();
const ClipboardMainContentTypeDefinition& definition(ClipboardMainContentType type);

// ---- System classifications ---------------------------------------------------------

enum class ClipboardClassificationTier { domain, structural };
enum class ClipboardSystemClassificationGroup { general, developer };

inline constexpr std::array<RawValueCase<ClipboardClassificationTier>, 2> clipboardClassificationTierCases{{
    {ClipboardClassificationTier::domain, "domain"},
    {ClipboardClassificationTier::structural, "structural"},
}};
inline constexpr std::array<RawValueCase<ClipboardSystemClassificationGroup>, 2> clipboardSystemClassificationGroupCases{{
    {ClipboardSystemClassificationGroup::general, "general"},
    {ClipboardSystemClassificationGroup::developer, "developer"},
}};
inline QString rawValue(ClipboardClassificationTier tier) { return rawValueOf(clipboardClassificationTierCases, tier); }
inline QString rawValue(ClipboardSystemClassificationGroup group) {
    return rawValueOf(clipboardSystemClassificationGroupCases, group);
}

// Declaration order is the order of detection and of every list shown to the user.
enum class ClipboardSystemClassification {
    url,
    githubPullRequest,
    githubIssue,
    email,
    ipAddress,
    uuid,
    json,
    jsonLines,
    sql,
    markdown,
    html,
    jwt,
    filePath,
    base64,
    curlCommand,
};

inline constexpr std::size_t systemClassificationCount = 15;

// The raw value is the case name; it is what the settings store.
inline constexpr std::array<RawValueCase<ClipboardSystemClassification>, systemClassificationCount>
    clipboardSystemClassificationCases{{
        {ClipboardSystemClassification::url, "url"},
        {ClipboardSystemClassification::githubPullRequest, "githubPullRequest"},
        {ClipboardSystemClassification::githubIssue, "githubIssue"},
        {ClipboardSystemClassification::email, "email"},
        {ClipboardSystemClassification::ipAddress, "ipAddress"},
        {ClipboardSystemClassification::uuid, "uuid"},
        {ClipboardSystemClassification::json, "json"},
        {ClipboardSystemClassification::jsonLines, "jsonLines"},
        {ClipboardSystemClassification::sql, "sql"},
        {ClipboardSystemClassification::markdown, "markdown"},
        {ClipboardSystemClassification::html, "html"},
        {ClipboardSystemClassification::jwt, "jwt"},
        {ClipboardSystemClassification::filePath, "filePath"},
        {ClipboardSystemClassification::base64, "base64"},
        {ClipboardSystemClassification::curlCommand, "curlCommand"},
    }};

inline QString rawValue(ClipboardSystemClassification classification) {
    return rawValueOf(clipboardSystemClassificationCases, classification);
}
// Exact, case-sensitive identifier lookup ("githubPullRequest"); nullopt otherwise.
inline std::optional<ClipboardSystemClassification> systemClassificationFromRaw(QStringView raw) {
    return caseFromRawValue(clipboardSystemClassificationCases, raw);
}

struct ClipboardSystemClassificationDefinition {
    ClipboardSystemClassification id;
    QString displayName; // the short label that is stored, e.g. "GitHub PR"
    QString summary;     // English
    ClipboardClassificationTier tier;
    ClipboardSystemClassificationGroup group;
    TextKey displayNameKey; // localized label for windows
    TextKey summaryKey;
};

// All fifteen in definition order; built once, thread-safe.
const std::vector<ClipboardSystemClassificationDefinition>& systemClassificationDefinitions();
const ClipboardSystemClassificationDefinition& definition(ClipboardSystemClassification classification);
// The stored short label.
QString displayName(ClipboardSystemClassification classification);
// All fifteen in definition order (the default enabled set).
std::vector<ClipboardSystemClassification> allSystemClassifications();

// ---- Results ------------------------------------------------------------------------

struct ClipboardClassificationMatch {
    ClipboardSystemClassification classification;
    double confidence = 0; // 0...1, fixed per detector

    bool operator==(const ClipboardClassificationMatch&) const = default;
};

struct ClipboardMatchedUserClassificationRule {
    QString ruleID; // upper-case hyphenated UUID
    QString ruleName;
    QString resultClassification;
    QString conditionSummary;

    bool operator==(const ClipboardMatchedUserClassificationRule&) const = default;
};

// The primary classification of a text that nothing matched.
inline const QString genericTextClassification = QStringLiteral("Text");

struct ClipboardClassificationResult {
    std::vector<ClipboardClassificationMatch> systemClassifications; // definition order
    QStringList userClassifications; // trimmed labels of matched rules, no blanks, no repeats, rule order
    QString primaryClassification = genericTextClassification;
    std::vector<ClipboardMatchedUserClassificationRule> matchedUserRules;

    bool operator==(const ClipboardClassificationResult&) const = default;
};

// What capture stores with an item: the first user label, else the short label of the
// primary system classification, else nothing (a plain "Text" item has no label).
std::optional<QString> storedClassification(const ClipboardClassificationResult& result);

} // namespace quellpad
