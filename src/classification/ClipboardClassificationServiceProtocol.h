// What capture, the index rebuild and the classification test page need from the
// classifier.
#pragma once

#include <vector>

#include <QString>

#include "classification/ClipboardClassificationModel.h"
#include "classification/ClipboardClassificationSettings.h"
#include "classification/ClipboardUserClassificationRule.h"

namespace quellpad {

class DefaultsStore;

class ClipboardClassificationServiceProtocol {
public:
    virtual ~ClipboardClassificationServiceProtocol() = default;

    // Classifies text (trimmed first) with the given enabled detectors and user rules.
    // Safe to call from any thread.
    virtual ClipboardClassificationResult classify(const QString& text,
                                                   const ClipboardSystemClassificationSet& enabledSystemClassifications,
                                                   const std::vector<ClipboardUserClassificationRule>& userRules) const = 0;

    // Classifies with the settings read from the defaults store at this moment.
    ClipboardClassificationResult classify(const QString& text, DefaultsStore& defaults) const {
        const ClipboardClassificationSettings settings(defaults);
        return classify(text, settings.enabledSystemClassifications(), settings.userRules());
    }
};

} // namespace quellpad
