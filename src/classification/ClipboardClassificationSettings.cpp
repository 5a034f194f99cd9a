#include "classification/ClipboardClassificationSettings.h"

#include <QStringList>

#include "Core/Utilities/Logger.h"
#include "Core/Utilities/TextUtilities.h"
#include "settings/PreferenceKeys.h"
#include "platform/DefaultsStore.h"

namespace quellpad {

ClipboardSystemClassificationSet ClipboardClassificationSettings::enabledSystemClassifications() const {
    const std::optional<QStringList> stored = defaults_.stringArrayValue(PreferenceKeys::enabledSystemClassifications);
    if (!stored) {
        const auto all = allSystemClassifications();
        return {all.begin(), all.end()};
    }
    ClipboardSystemClassificationSet enabled;
    for (const QString& raw : *stored) {
        if (const auto classification = systemClassificationFromRaw(raw)) {
            enabled.insert(*classification);
        }
    }
    return enabled;
}

void ClipboardClassificationSettings::setEnabledSystemClassifications(const ClipboardSystemClassificationSet& enabled) {
    QStringList raw;
    for (const ClipboardSystemClassification classification : enabled) {
        raw.push_back(rawValue(classification));
    }
    defaults_.set(PreferenceKeys::enabledSystemClassifications, raw);
}

ClipboardMainContentTypeSet ClipboardClassificationSettings::enabledMainContentTypes() const {
    const std::optional<QStringList> stored = defaults_.stringArrayValue(PreferenceKeys::enabledMainContentTypes);
    if (!stored) {
        return {ClipboardMainContentType::text, ClipboardMainContentType::image};
    }
    ClipboardMainContentTypeSet enabled;
    for (const QString& raw : *stored) {
        if (const auto type = mainContentTypeFromRaw(raw)) {
            enabled.insert(*type);
        }
    }
    return enabled;
}

void ClipboardClassificationSettings::setEnabledMainContentTypes(const ClipboardMainContentTypeSet& enabled) {
    QStringList raw;
    for (const ClipboardMainContentType type : enabled) {
        raw.push_back(rawValue(type));
    }
    defaults_.set(PreferenceKeys::enabledMainContentTypes, raw);
}

std::vector<ClipboardUserClassificationRule> ClipboardClassificationSettings::userRules() const {
    const QVariant stored = defaults_.object(PreferenceKeys::classificationUserRules);
    if (!stored.isValid()) {
        return {};
    }
    const std::optional<QByteArray> data = defaults_.bytesValue(PreferenceKeys::classificationUserRules);
    QString error;
    std::optional<std::vector<ClipboardUserClassificationRule>> decoded;
    if (data) {
        decoded = decodeUserClassificationRules(*data, &error);
    } else {
        error = QStringLiteral("typeMismatch: the stored value is not data");
    }
    if (!decoded) {
        Logger::error(QStringLiteral("Failed to decode classification rules: ") + error, logCategory);
        return {};
    }
    std::vector<ClipboardUserClassificationRule> rules;
    rules.reserve(decoded->size());
    for (ClipboardUserClassificationRule& rule : *decoded) {
        if (TextUtilities::trimmedWhitespace(rule.name).isEmpty() ||
            TextUtilities::trimmedWhitespace(rule.resultClassification).isEmpty()) {
            continue;
        }
        rules.push_back(std::move(rule));
    }
    return rules;
}

bool ClipboardClassificationSettings::setUserRules(const std::vector<ClipboardUserClassificationRule>& rules) {
    QString error;
    const std::optional<QByteArray> data = encodeUserClassificationRules(rules, &error);
    if (!data) {
        Logger::error(QStringLiteral("Failed to encode classification rules: ") + error, logCategory);
        return false;
    }
    defaults_.set(PreferenceKeys::classificationUserRules, *data);
    return true;
}

} // namespace quellpad
