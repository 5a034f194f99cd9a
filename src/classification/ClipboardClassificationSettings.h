// The user's classification settings in the defaults store, read afresh on every use
// (no cache), so an edit applies to the next classification:
//   "ClipboardClassificationEnabledSystemClassifications"  string array, default all
//   "ClipboardClassificationEnabledMainContentTypes"       string array, default both
//   "ClipboardClassificationUserRules"                     JSON bytes, default none
// A missing value, or one that is not an array of strings, gives the default;
// unknown identifiers are ignored.
#pragma once

#include <set>
#include <vector>

#include "classification/ClipboardClassificationModel.h"
#include "classification/ClipboardUserClassificationRule.h"

namespace quellpad {

class DefaultsStore;

using ClipboardSystemClassificationSet = std::set<ClipboardSystemClassification>; // iterates in definition order
using ClipboardMainContentTypeSet = std::set<ClipboardMainContentType>;

class ClipboardClassificationSettings {
public:
    inline static const QString logCategory = QStringLiteral("ClipboardClassificationSettings");

    explicit ClipboardClassificationSettings(DefaultsStore& defaults) : defaults_(defaults) {}

    ClipboardSystemClassificationSet enabledSystemClassifications() const;
    void setEnabledSystemClassifications(const ClipboardSystemClassificationSet& enabled);

    ClipboardMainContentTypeSet enabledMainContentTypes() const;
    void setEnabledMainContentTypes(const ClipboardMainContentTypeSet& enabled);

    // The saved rules in list order, without rules whose name or result classification
    // is blank. Undecodable data logs "Failed to decode classification rules: ..." and
    // gives no rules.
    std::vector<ClipboardUserClassificationRule> userRules() const;
    // A rule list that cannot be encoded logs "Failed to encode classification rules: ..."
    // and leaves the stored value unchanged; returns whether it was stored.
    bool setUserRules(const std::vector<ClipboardUserClassificationRule>& rules);

private:
    DefaultsStore& defaults_;
};

} // namespace quellpad
