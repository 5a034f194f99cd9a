#include "classification/ClipboardClassificationModel.h"

namespace quellpad {

namespace {

using Classification = ClipboardSystemClassification;
using Tier = ClipboardClassificationTier;
using Group = ClipboardSystemClassificationGroup;

std::vector<ClipboardSystemClassificationDefinition> makeSystemDefinitions() {
    auto entry = [](Classification id, const char* name, const char* summary, Tier tier, Group group, TextKey nameKey,
                    TextKey summaryKey) {
        return ClipboardSystemClassificationDefinition{id,   QString::fromUtf8(name), QString::fromUtf8(summary), tier,
                                                       group, nameKey,                 summaryKey};
    };
    return {
        entry(Classification::url, "URL", "Detects complete HTTP or HTTPS links.", Tier::structural, Group::general,
              TextKey::classificationUrl, TextKey::classificationUrlSummary),
        entry(Classification::githubPullRequest, "GitHub PR", "Detects GitHub pull request URLs.", Tier::domain,
              Group::developer, TextKey::classificationGithubPullRequest, TextKey::classificationGithubPullRequestSummary),
        entry(Classification::githubIssue, "GitHub Issue", "Detects GitHub issue URLs.", Tier::domain, Group::developer,
              TextKey::classificationGithubIssue, TextKey::classificationGithubIssueSummary),
        entry(Classification::email, "Email", "Detects complete email addresses.", Tier::structural, Group::general,
              TextKey::classificationEmail, TextKey::classificationEmailSummary),
        entry(Classification::ipAddress, "IP", "Detects IPv4 addresses.", Tier::structural, Group::general,
              TextKey::classificationIpAddress, TextKey::classificationIpAddressSummary),
        entry(Classification::uuid, "UUID", "Detects canonical UUID strings.", Tier::structural, Group::developer,
              TextKey::classificationUuid, TextKey::classificationUuidSummary),
        entry(Classification::json, "JSON", "Detects valid JSON objects or arrays.", Tier::structural, Group::developer,
              TextKey::classificationJson, TextKey::classificationJsonSummary),
        entry(Classification::jsonLines, "JSON Lines", "Detects JSON Lines format (one JSON object per line).",
              Tier::structural, Group::developer, TextKey::classificationJsonLines,
              TextKey::classificationJsonLinesSummary),
        entry(Classification::sql, "SQL", "Detects common SQL statements.", Tier::structural, Group::developer,
              TextKey::classificationSql, TextKey::classificationSqlSummary),
        entry(Classification::markdown, "Markdown", "Detects common Markdown formatting patterns.", Tier::structural,
              Group::general, TextKey::classificationMarkdown, TextKey::classificationMarkdownSummary),
        entry(Classification::html, "HTML", "Detects HTML tag structures.", Tier::structural, Group::developer,
              TextKey::classificationHtml, TextKey::classificationHtmlSummary),
        entry(Classification::jwt, "JWT", "Detects JSON Web Tokens with decodable header and payload.", Tier::structural,
              Group::developer, TextKey::classificationJwt, TextKey::classificationJwtSummary),
        entry(Classification::filePath, "File Path", "Detects POSIX file or directory paths.", Tier::structural,
              Group::general, TextKey::classificationFilePath, TextKey::classificationFilePathSummary),
        entry(Classification::base64, "Base64", "Detects valid Base64 encoded strings.", Tier::structural,
              Group::developer, TextKey::classificationBase64, TextKey::classificationBase64Summary),
        entry(Classification::curlCommand, "Curl", "Detects curl command lines.", Tier::structural, Group::developer,
              TextKey::classificationCurlCommand, TextKey::classificationCurlCommandSummary),
    };
}

} // namespace

const std::vector<ClipboardMainContentTypeDefinition>& mainContentTypeDefinitions() {
    static const std::vector<ClipboardMainContentTypeDefinition> definitions{
        {ClipboardMainContentType::text, QStringLiteral("Text"),
         QStringLiteral("Includes clipboard text and rich text entries."), TextKey::mainContentTypeText,
         TextKey::mainContentTypeTextSummary},
        {ClipboardMainContentType::image, QStringLiteral("Image"),
         QStringLiteral("Includes image clipboard entries, including OCR-searchable images."),
         TextKey::mainContentTypeImage, TextKey::mainContentTypeImageSummary},
    };
    return definitions;
}

const ClipboardMainContentTypeDefinition& definition(ClipboardMainContentType type) {
    return mainContentTypeDefinitions()[static_cast<std::size_t>(type)];
}

const std::vector<ClipboardSystemClassificationDefinition>& systemClassificationDefinitions() {
    static const std::vector<ClipboardSystemClassificationDefinition> definitions = makeSystemDefinitions();
    return definitions;
}

const ClipboardSystemClassificationDefinition& definition(ClipboardSystemClassification classification) {
    // The list is in declaration order, so the enum value is the index.
    return systemClassificationDefinitions()[static_cast<std::size_t>(classification)];
}

QString displayName(ClipboardSystemClassification classification) { return definition(classification).displayName; }

std::vector<ClipboardSystemClassification> allSystemClassifications() {
    std::vector<ClipboardSystemClassification> all;
    all.reserve(systemClassificationCount);
    for (const auto& entry : clipboardSystemClassificationCases) {
        all.push_back(entry.value);
    }
    return all;
}

std::optional<QString> storedClassification(const ClipboardClassificationResult& result) {
    if (!result.userClassifications.isEmpty()) {
        return result.userClassifications.first();
    }
    if (!result.systemClassifications.empty()) {
        return result.primaryClassification;
    }
    return std::nullopt;
}

} // namespace quellpad
