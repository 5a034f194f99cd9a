#include "classification/LocalClipboardClassificationService.h"

#include <algorithm>

#include <nlohmann/json.hpp>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include "Core/Utilities/Logger.h"
#include "Core/Utilities/TextUtilities.h"
#include "classification/ClipboardLinkDetector.h"
#include "classification/ClipboardSystemClassificationDetectors.h"
#include "Core/Utilities/TextScanning.h"

namespace quellpad {

namespace {

using Kind = ClipboardUserClassificationConditionKind;

// Patterns kept at most; a rule list never comes near this, so reaching it means
// patterns are churning and starting afresh costs nothing that matters.
constexpr std::size_t regexCacheCapacity = 256;

// Objects up to this many levels below the top are searched for a key.
constexpr int jsonKeySearchDepth = 63;

bool isGitHub(ClipboardSystemClassification classification) {
    return classification == ClipboardSystemClassification::githubPullRequest ||
           classification == ClipboardSystemClassification::githubIssue;
}

// Looks for an object key equal to `wanted` without regard to case while checking
// that the whole text is JSON (within the nesting limit). Iterative: depth costs no stack.
class JSONKeySearch : public nlohmann::json_sax<nlohmann::json> {
public:
    explicit JSONKeySearch(const QString& wanted)
        : wanted_(false, reinterpret_cast<const UChar*>(wanted.utf16()), static_cast<int32_t>(wanted.size())) {}

    bool found() const { return found_; }

    bool null() override { return true; }
    bool boolean(bool) override { return true; }
    bool number_integer(number_integer_t) override { return true; }
    bool number_unsigned(number_unsigned_t) override { return true; }
    bool number_float(number_float_t, const string_t&) override { return true; }
    bool string(string_t&) override { return true; }
    bool binary(binary_t&) override { return true; }
    bool start_object(std::size_t) override { return ++depth_ <= ClipboardClassificationDetectors::maximumJSONNestingDepth; }
    bool end_object() override { --depth_; return true; }
    bool start_array(std::size_t) override { return ++depth_ <= ClipboardClassificationDetectors::maximumJSONNestingDepth; }
    bool end_array() override { --depth_; return true; }
    bool key(string_t& key) override {
        if (!found_ && depth_ - 1 <= jsonKeySearchDepth) {
            const icu::UnicodeString candidate = icu::UnicodeString::fromUTF8(icu::StringPiece(key.data(), static_cast<int32_t>(key.size())));
            found_ = candidate.caseCompare(wanted_, U_FOLD_CASE_DEFAULT) == 0;
        }
        return true;
    }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override { return false; }

private:
    icu::UnicodeString wanted_;
    int depth_ = 0;
    bool found_ = false;
};

bool hostMatchesDomain(const ClipboardDetectedLink& link, const QString& value) {
    const QString lowered = value.toLower();
    QStringList domains{lowered};
    if (const auto ascii = ClipboardLinkDetector::asciiDomain(value)) {
        domains.push_back(*ascii);
    }
    for (const QString& host : {link.host, link.asciiHost}) {
        for (const QString& domain : domains) {
            if (host == domain || host.endsWith(QLatin1Char('.') + domain)) {
                return true;
            }
        }
    }
    return false;
}

// Lower-casing may lengthen text, never shorten it, so the first (last) n + margin
// units of t decide a comparison with an n-unit value.
constexpr qsizetype caseComparisonMargin = 16;

bool hasPrefixIgnoringCase(const QString& t, const QString& value) {
    const QString head = t.left(value.size() + caseComparisonMargin).toLower();
    return head.startsWith(value.toLower());
}

bool hasSuffixIgnoringCase(const QString& t, const QString& value) {
    qsizetype start = std::max<qsizetype>(0, t.size() - value.size() - caseComparisonMargin);
    if (start > 0 && t[start].isLowSurrogate()) {
        --start;
    }
    return t.mid(start).toLower().endsWith(value.toLower());
}

} // namespace

struct LocalClipboardClassificationService::RuleContext {
    RuleContext(const QString& t, const std::vector<ClipboardSystemClassification>& d) : text(t), detected(d) {}

    const QString& text;
    const std::vector<ClipboardSystemClassification>& detected;

    const std::optional<ClipboardDetectedLink>& link() {
        if (!linkChecked_) {
            link_ = ClipboardLinkDetector::detect(text);
            linkChecked_ = true;
        }
        return link_;
    }
    const QString& foldedText() {
        if (!folded_) {
            folded_ = TextScanning::foldCaseAndDiacritics(text);
        }
        return *folded_;
    }
    const QByteArray& utf8() {
        if (!utf8_) {
            utf8_ = text.toUtf8();
        }
        return *utf8_;
    }

private:
    bool linkChecked_ = false;
    std::optional<ClipboardDetectedLink> link_;
    std::optional<QString> folded_;
    std::optional<QByteArray> utf8_;
};

ClipboardClassificationResult LocalClipboardClassificationService::classify(
    const QString& text, const ClipboardSystemClassificationSet& enabledSystemClassifications,
    const std::vector<ClipboardUserClassificationRule>& userRules) const {
    const QString trimmed = TextUtilities::trimmedWhitespace(text);
    ClipboardClassificationResult result;
    result.systemClassifications = detectSystemClassifications(trimmed, enabledSystemClassifications);

    std::vector<ClipboardSystemClassification> detected;
    detected.reserve(result.systemClassifications.size());
    for (const ClipboardClassificationMatch& match : result.systemClassifications) {
        detected.push_back(match.classification);
    }
    result.matchedUserRules = matchUserRules(trimmed, detected, userRules);
    for (const ClipboardMatchedUserClassificationRule& rule : result.matchedUserRules) {
        const QString label = TextUtilities::trimmedWhitespace(rule.resultClassification);
        if (!label.isEmpty() && !result.userClassifications.contains(label)) {
            result.userClassifications.push_back(label);
        }
    }

    if (!result.userClassifications.isEmpty()) {
        result.primaryClassification = result.userClassifications.first();
    } else if (const auto primary = primarySystemClassification(result.systemClassifications)) {
        result.primaryClassification = displayName(*primary);
    } else {
        result.primaryClassification = genericTextClassification;
    }
    return result;
}

std::vector<ClipboardClassificationMatch> LocalClipboardClassificationService::detectSystemClassifications(
    const QString& text, const ClipboardSystemClassificationSet& enabledSystemClassifications) const {
    const QString t = TextUtilities::trimmedWhitespace(text);
    std::vector<ClipboardClassificationMatch> matches;
    if (t.isEmpty()) {
        return matches;
    }
    std::optional<ClipboardDetectedLink> link;
    bool linkChecked = false;
    for (const ClipboardSystemClassification classification : enabledSystemClassifications) {
        const bool needsLink = classification == ClipboardSystemClassification::url || isGitHub(classification);
        if (needsLink && !linkChecked) {
            link = ClipboardLinkDetector::detect(t);
            linkChecked = true;
        }
        if (ClipboardClassificationDetectors::detect(classification, t, link)) {
            matches.push_back({classification, ClipboardClassificationDetectors::confidence(classification)});
        }
    }
    return matches;
}

std::optional<ClipboardSystemClassification> LocalClipboardClassificationService::primarySystemClassification(
    const std::vector<ClipboardClassificationMatch>& matches) {
    if (matches.empty()) {
        return std::nullopt;
    }
    ClipboardClassificationMatch best = matches.front();
    for (std::size_t i = 1; i < matches.size(); ++i) {
        const ClipboardClassificationMatch& match = matches[i];
        if (match.confidence > best.confidence ||
            (match.confidence == best.confidence && isGitHub(match.classification) && !isGitHub(best.classification))) {
            best = match;
        }
    }
    return best.classification;
}

LocalClipboardClassificationService::LocalClipboardClassificationService(std::function<SteadyClock::time_point()> now)
    : now_(now ? std::move(now) : [] { return SteadyClock::now(); }) {}

std::vector<ClipboardMatchedUserClassificationRule> LocalClipboardClassificationService::matchUserRules(
    const QString& trimmedText, const std::vector<ClipboardSystemClassification>& detected,
    const std::vector<ClipboardUserClassificationRule>& rules) const {
    RuleContext context(trimmedText, detected);
    std::vector<ClipboardMatchedUserClassificationRule> matched;
    const SteadyClock::time_point deadline = now_() + userRuleBudget;
    for (auto it = rules.begin(); it != rules.end(); ++it) {
        const ClipboardUserClassificationRule& rule = *it;
        if (!rule.isEnabled) {
            continue;
        }
        if (now_() >= deadline) {
            const auto skipped = std::count_if(it, rules.end(), [](const auto& r) { return r.isEnabled; });
            Logger::warning(QStringLiteral("User rules used up their %1 ms budget; skipped the remaining %2 rules for "
                                           "this text")
                                .arg(userRuleBudget.count())
                                .arg(skipped),
                            logCategory);
            break;
        }
        if (!conditionHolds(rule, context)) {
            continue;
        }
        matched.push_back({rule.id, TextUtilities::trimmedWhitespace(rule.name),
                           TextUtilities::trimmedWhitespace(rule.resultClassification), conditionSummary(rule)});
    }
    return matched;
}

bool LocalClipboardClassificationService::conditionHolds(const ClipboardUserClassificationRule& rule,
                                                         RuleContext& context) const {
    const QString value = TextUtilities::trimmedWhitespace(rule.conditionValue);
    if (value.isEmpty()) {
        return false;
    }
    const QString& t = context.text;
    switch (rule.conditionKind) {
    case Kind::containsText:
        return context.foldedText().contains(TextScanning::foldCaseAndDiacritics(value));
    case Kind::prefix:
        return t.startsWith(value) || hasPrefixIgnoringCase(t, value);
    case Kind::suffix:
        return t.endsWith(value) || hasSuffixIgnoringCase(t, value);
    case Kind::regularExpression: {
        const std::shared_ptr<const IcuRegex> regex = cachedRegex(value);
        if (regex == nullptr) {
            return false;
        }
        const QString key = rule.id + QLatin1Char('\n') + value;
        if (isSkippedAsSlow(key, now_())) {
            return false;
        }
        QString failure;
        const IcuRegex::Outcome outcome = regex->search(t, userPatternTimeLimit, &failure);
        if (outcome == IcuRegex::Outcome::failed) {
            Logger::warning(QStringLiteral("User rule \"%1\" pattern gave up (%2); treated as no match: %3")
                                .arg(rule.name, failure, value),
                            logCategory);
        }
        noteRegexOutcome(rule, key, outcome == IcuRegex::Outcome::failed);
        return outcome == IcuRegex::Outcome::match;
    }
    case Kind::domain: {
        const auto& link = context.link();
        return link.has_value() && hostMatchesDomain(*link, value);
    }
    case Kind::pathContains: {
        const auto& link = context.link();
        return link.has_value() &&
               TextScanning::foldCaseAndDiacritics(link->path).contains(TextScanning::foldCaseAndDiacritics(value));
    }
    case Kind::jsonKeyExists: {
        const QByteArray& bytes = context.utf8();
        const char* begin = bytes.constData();
        const char* end = begin + bytes.size();
        while (begin != end && (*begin == ' ' || *begin == '\t' || *begin == '\n' || *begin == '\r')) {
            ++begin;
        }
        if (begin == end || (*begin != '{' && *begin != '[') || bytes.contains('\0')) {
            return false; // a NUL would end the parser's input early
        }
        JSONKeySearch search(value);
        return nlohmann::json::sax_parse(begin, end, &search) && search.found();
    }
    case Kind::matchedSystemClassification: {
        const auto classification = systemClassificationFromRaw(value);
        return classification.has_value() &&
               std::find(context.detected.begin(), context.detected.end(), *classification) != context.detected.end();
    }
    }
    return false;
}

std::shared_ptr<const IcuRegex> LocalClipboardClassificationService::cachedRegex(const QString& pattern) const {
    std::lock_guard lock(regexCacheMutex);
    const auto found = regexCache.find(pattern);
    if (found != regexCache.end()) {
        return found->second;
    }
    if (regexCache.size() >= regexCacheCapacity) {
        regexCache.clear();
    }
    std::shared_ptr<const IcuRegex> compiled = IcuRegex::compile(pattern);
    regexCache.emplace(pattern, compiled);
    return compiled;
}

bool LocalClipboardClassificationService::isSkippedAsSlow(const QString& key, SteadyClock::time_point now) const {
    std::lock_guard lock(timeoutsMutex_);
    const auto found = timeouts_.find(key);
    return found != timeouts_.end() && found->second.skippedUntil && now < *found->second.skippedUntil;
}

void LocalClipboardClassificationService::noteRegexOutcome(const ClipboardUserClassificationRule& rule,
                                                           const QString& key, bool gaveUp) const {
    std::lock_guard lock(timeoutsMutex_);
    if (!gaveUp) {
        timeouts_.erase(key);
        return;
    }
    if (timeouts_.size() >= regexCacheCapacity && timeouts_.find(key) == timeouts_.end()) {
        timeouts_.clear();
    }
    TimeoutRecord& record = timeouts_[key];
    record.ruleName = rule.name;
    ++record.consecutiveTimeouts;
    // After a pause a rule gets one more try; giving up again skips it again at once.
    if (record.consecutiveTimeouts >= slowRuleTimeoutThreshold) {
        record.skippedUntil = now_() + slowRuleSkipDuration;
        Logger::warning(QStringLiteral("User rule \"%1\" gave up %2 times in a row; skipped for %3 minutes")
                            .arg(rule.name)
                            .arg(record.consecutiveTimeouts)
                            .arg(slowRuleSkipDuration.count()),
                        logCategory);
    }
}

std::vector<ClipboardSlowUserRule> LocalClipboardClassificationService::slowUserRules() const {
    const SteadyClock::time_point now = now_();
    std::lock_guard lock(timeoutsMutex_);
    std::vector<ClipboardSlowUserRule> slow;
    for (const auto& [key, record] : timeouts_) {
        if (record.skippedUntil && now < *record.skippedUntil) {
            slow.push_back({key.section(QLatin1Char('\n'), 0, 0), record.ruleName, record.consecutiveTimeouts,
                            *record.skippedUntil});
        }
    }
    return slow;
}

std::size_t LocalClipboardClassificationService::cachedPatternCount() const {
    std::lock_guard lock(regexCacheMutex);
    return regexCache.size();
}

} // namespace quellpad
