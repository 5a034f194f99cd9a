// The on-device classifier: the fifteen system detectors, primary selection and user
// rules. Nothing leaves the machine. User-entered regular expressions are compiled
// once (kept in `regexCache` by pattern text) and run with a time limit, so a
// catastrophic pattern counts as "no match" (with a warning) instead of freezing
// capture on the main thread.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <optional>

#include "classification/ClipboardClassificationServiceProtocol.h"
#include "Core/Utilities/IcuRegex.h"

namespace quellpad {

class LocalClipboardClassificationService : public ClipboardClassificationServiceProtocol {
public:
    inline static const QString logCategory = QStringLiteral("LocalClipboardClassificationService");
    // ICU time units for one user pattern on one text: about 100 ms.
    static constexpr int32_t userPatternTimeLimit = 500;

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

private:
    struct RuleContext;
    bool conditionHolds(const ClipboardUserClassificationRule& rule, RuleContext& context) const;
    std::shared_ptr<const IcuRegex> cachedRegex(const QString& pattern) const;

    // Compiled user patterns by pattern text; nullptr marks a pattern that does not
    // compile, so it is not compiled again on every copy.
    mutable std::map<QString, std::shared_ptr<const IcuRegex>> regexCache;
    mutable std::mutex regexCacheMutex;
};

} // namespace quellpad
