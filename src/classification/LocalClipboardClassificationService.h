// The on-device classifier: the fifteen system detectors, primary selection and user
// rules. Nothing leaves the machine. User-entered regular expressions are compiled
// once (kept in `regexCache` by pattern text) and run with a time limit, so a
// catastrophic pattern counts as "no match" (with a warning) instead of freezing
// capture on the main thread. All user rules of one classification share a time
// budget: once it is spent the remaining rules are skipped (one warning). A rule
// whose pattern gives up several times in a row is skipped for a while and listed
// by slowUserRules().
#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "classification/ClipboardClassificationServiceProtocol.h"
#include "Core/Utilities/IcuRegex.h"

namespace quellpad {

// A user rule that is being skipped because its pattern keeps giving up.
struct ClipboardSlowUserRule {
    QString ruleID;
    QString ruleName;
    int consecutiveTimeouts = 0;
    std::chrono::steady_clock::time_point skippedUntil;

    bool operator==(const ClipboardSlowUserRule&) const = default;
};

class LocalClipboardClassificationService : public ClipboardClassificationServiceProtocol {
public:
    using SteadyClock = std::chrono::steady_clock;

    inline static const QString logCategory = QStringLiteral("LocalClipboardClassificationService");
    // ICU time units for one user pattern on one text: about 100 ms.
    static constexpr int32_t userPatternTimeLimit = 500;
    // All user rules of one classification together; the rest are skipped after it.
    static constexpr std::chrono::milliseconds userRuleBudget{200};
    // A rule whose pattern gave up this many times in a row is skipped for a while.
    static constexpr int slowRuleTimeoutThreshold = 3;
    static constexpr std::chrono::minutes slowRuleSkipDuration{10};

    // `now` is the steady clock unless a test gives its own.
    explicit LocalClipboardClassificationService(std::function<SteadyClock::time_point()> now = {});

    using ClipboardClassificationServiceProtocol::classify;
    ClipboardClassificationResult classify(const QString& text,
                                           const ClipboardSystemClassificationSet& enabledSystemClassifications,
                                           const std::vector<ClipboardUserClassificationRule>& userRules) const override;

    // Matches of the enabled detectors on the trimmed text, in definition order.
    std::vector<ClipboardClassificationMatch> detectSystemClassifications(
        const QString& text, const ClipboardSystemClassificationSet& enabledSystemClassifications) const;

    // The best match: the highest confidence, the earliest on a tie unless a later
    // GitHub match ties with a non-GitHub best. nullopt for no matches.
    static std::optional<ClipboardSystemClassification> primarySystemClassification(
        const std::vector<ClipboardClassificationMatch>& matches);

    // The enabled rules whose condition holds for the trimmed text, in rule order.
    std::vector<ClipboardMatchedUserClassificationRule> matchUserRules(
        const QString& trimmedText, const std::vector<ClipboardSystemClassification>& detected,
        const std::vector<ClipboardUserClassificationRule>& rules) const;

    // Number of compiled user patterns kept (for tests).
    std::size_t cachedPatternCount() const;

    // The rules being skipped now because their patterns keep giving up (for the
    // classification window), in no particular order.
    std::vector<ClipboardSlowUserRule> slowUserRules() const;

private:
    struct RuleContext;
    struct TimeoutRecord {
        QString ruleName;
        int consecutiveTimeouts = 0;
        std::optional<SteadyClock::time_point> skippedUntil;
    };

    bool conditionHolds(const ClipboardUserClassificationRule& rule, RuleContext& context) const;
    std::shared_ptr<const IcuRegex> cachedRegex(const QString& pattern) const;
    bool isSkippedAsSlow(const QString& key, SteadyClock::time_point now) const;
    void noteRegexOutcome(const ClipboardUserClassificationRule& rule, const QString& key, bool gaveUp) const;

    std::function<SteadyClock::time_point()> now_;
    // By rule id and pattern: an edited pattern starts with a clean record.
    mutable std::map<QString, TimeoutRecord> timeouts_;
    mutable std::mutex timeoutsMutex_;

    // Compiled user patterns by pattern text; nullptr marks a pattern that does not
    // compile, so it is not compiled again on every copy.
    mutable std::map<QString, std::shared_ptr<const IcuRegex>> regexCache;
    mutable std::mutex regexCacheMutex;
};

} // namespace quellpad
