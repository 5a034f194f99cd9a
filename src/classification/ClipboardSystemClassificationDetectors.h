// The fifteen system detectors. Each is a pure test on the trimmed text t; the service
// runs the enabled ones in definition order. Cheap string tests come first so that a
// 10 MB text that is plainly not of a kind costs almost nothing; the answers are those
// of the full tests.
#pragma once

#include <optional>

#include <QByteArray>
#include <QString>
#include <QStringView>

#include "classification/ClipboardClassificationModel.h"
#include "classification/ClipboardLinkDetector.h"

namespace quellpad::ClipboardClassificationDetectors {

// GitHub's public web domain; subdomains of it count too.
inline const QString gitHubDomain = QStringLiteral("github.com");

// The fixed confidence of a detector's match.
double confidence(ClipboardSystemClassification classification);

// Link-based detectors take the result of ClipboardLinkDetector::detect on t.
bool isURL(const std::optional<ClipboardDetectedLink>& link);
bool isGitHubPullRequest(const std::optional<ClipboardDetectedLink>& link);
bool isGitHubIssue(const std::optional<ClipboardDetectedLink>& link);

bool isEmail(QStringView t);
bool isIPAddress(QStringView t);
bool isUUID(QStringView t);
bool isJSON(QStringView t);
bool isJSONLines(QStringView t);
bool isSQL(QStringView t);
bool isMarkdown(QStringView t);
bool isHTML(QStringView t);
bool isJWT(QStringView t);
bool isFilePath(QStringView t);
bool isBase64(QStringView t);
bool isCurlCommand(QStringView t);

// Runs one detector on t (the link is detected when needed).
bool detect(ClipboardSystemClassification classification, QStringView t,
            const std::optional<ClipboardDetectedLink>& link);

// ---- Helpers shared with user rules and tests ----

// Arrays and objects nested deeper than this are not accepted as JSON, as the
// platform's JSON reader refuses them; the formatter keeps the same limit.
inline constexpr int maximumJSONNestingDepth = 512;

// True when bytes (UTF-8) are strict JSON whose top-level value is an object or array,
// nested at most maximumJSONNestingDepth deep.
bool isJSONContainer(const char* begin, const char* end);
bool isJSONContainer(QStringView text);

// Decodes standard Base64 (padding required, at most two "=" and only at the end);
// nullopt for anything else. Unused trailing bits are ignored.
std::optional<QByteArray> decodeStandardBase64(QStringView text);

// The leftmost match of the Markdown link pattern \[[^\]]+\]\([^)]+\) exists.
// Linear time; the backtracking engine is quadratic on text full of "[".
bool containsMarkdownLink(QStringView text);

} // namespace quellpad::ClipboardClassificationDetectors
