#include "classification/ClipboardUserClassificationRule.h"

#include <nlohmann/json.hpp>

#include "Core/Utilities/TextUtilities.h"
#include "Core/Utilities/Uuid.h"
#include "localization/Localizer.h"
#include "classification/ClipboardClassificationModel.h"
#include "Core/Utilities/IcuRegex.h"

namespace quellpad {

namespace {

using Kind = ClipboardUserClassificationConditionKind;
using ValidationKind = ClipboardUserClassificationRuleValidationError::Kind;

TextKey validationTextKey(ValidationKind kind) {
    switch (kind) {
    case ValidationKind::missingName: return TextKey::ruleValidationMissingName;
    case ValidationKind::missingConditionValue: return TextKey::ruleValidationMissingConditionValue;
    case ValidationKind::missingResultClassification: return TextKey::ruleValidationMissingResultClassification;
    case ValidationKind::invalidSystemClassification: return TextKey::ruleValidationInvalidSystemClassification;
    case ValidationKind::invalidRegularExpression: return TextKey::ruleValidationInvalidRegularExpression;
    }
    return TextKey::ruleValidationMissingName;
}

TextKey summaryTextKey(Kind kind) {
    switch (kind) {
    case Kind::containsText: return TextKey::ruleConditionContainsText;
    case Kind::prefix: return TextKey::ruleConditionPrefix;
    case Kind::suffix: return TextKey::ruleConditionSuffix;
    case Kind::regularExpression: return TextKey::ruleConditionRegularExpression;
    case Kind::domain: return TextKey::ruleConditionDomain;
    case Kind::pathContains: return TextKey::ruleConditionPathContains;
    case Kind::jsonKeyExists: return TextKey::ruleConditionJsonKeyExists;
    case Kind::matchedSystemClassification: return TextKey::ruleConditionMatchedSystemClassification;
    }
    return TextKey::ruleConditionContainsText;
}

QString trimmed(const QString& text) { return TextUtilities::trimmedWhitespace(text); }

std::string utf8(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

QString fromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Reads one required field of a rule object, in the manner of a strict decoder.
const nlohmann::json& requiredField(const nlohmann::json& object, const char* key, size_t index) {
    const auto found = object.find(key);
    if (found == object.end()) {
        throw std::runtime_error("keyNotFound \"" + std::string(key) + "\" in rule " + std::to_string(index));
    }
    return *found;
}

std::string requiredString(const nlohmann::json& object, const char* key, size_t index) {
    const nlohmann::json& value = requiredField(object, key, index);
    if (!value.is_string()) {
        throw std::runtime_error("typeMismatch: \"" + std::string(key) + "\" in rule " + std::to_string(index) +
                                 " is not a string");
    }
    return value.get<std::string>();
}

} // namespace

ClipboardUserClassificationRuleValidationError::ClipboardUserClassificationRuleValidationError(Kind kind)
    : kind_(kind), what_(description().toUtf8()) {}

QString ClipboardUserClassificationRuleValidationError::description() const {
    return Localizer::text(AppLanguage::english, textKey());
}

TextKey ClipboardUserClassificationRuleValidationError::textKey() const { return validationTextKey(kind_); }

ClipboardUserClassificationRule makeUserClassificationRule(const ClipboardUserClassificationRuleDraft& draft,
                                                           const std::optional<QString>& existingID) {
    const QString name = trimmed(draft.name);
    const QString value = trimmed(draft.conditionValue);
    const QString result = trimmed(draft.resultClassification);
    if (name.isEmpty()) {
        throw ClipboardUserClassificationRuleValidationError(ValidationKind::missingName);
    }
    if (value.isEmpty()) {
        throw ClipboardUserClassificationRuleValidationError(ValidationKind::missingConditionValue);
    }
    if (result.isEmpty()) {
        throw ClipboardUserClassificationRuleValidationError(ValidationKind::missingResultClassification);
    }
    if (draft.conditionKind == Kind::regularExpression && IcuRegex::compile(value) == nullptr) {
        throw ClipboardUserClassificationRuleValidationError(ValidationKind::invalidRegularExpression);
    }
    if (draft.conditionKind == Kind::matchedSystemClassification && !systemClassificationFromRaw(value)) {
        throw ClipboardUserClassificationRuleValidationError(ValidationKind::invalidSystemClassification);
    }
    ClipboardUserClassificationRule rule;
    rule.id = existingID.has_value() && Uuid::isWellFormed(*existingID) ? existingID->toUpper() : Uuid::makeString();
    rule.name = name;
    rule.conditionKind = draft.conditionKind;
    rule.conditionValue = value;
    rule.resultClassification = result;
    rule.isEnabled = draft.isEnabled;
    return rule;
}

QString conditionSummary(const ClipboardUserClassificationRule& rule, AppLanguage language) {
    QString value = trimmed(rule.conditionValue);
    if (rule.conditionKind == Kind::matchedSystemClassification) {
        if (const auto classification = systemClassificationFromRaw(value)) {
            value = language == AppLanguage::english
                        ? displayName(*classification)
                        : Localizer::text(language, definition(*classification).displayNameKey);
        }
    }
    return Localizer::text(language, summaryTextKey(rule.conditionKind), {value});
}

std::optional<QByteArray> encodeUserClassificationRules(const std::vector<ClipboardUserClassificationRule>& rules, QString* error) {
    nlohmann::ordered_json array = nlohmann::ordered_json::array();
    for (const ClipboardUserClassificationRule& rule : rules) {
        for (const QString* field : {&rule.id, &rule.name, &rule.conditionValue, &rule.resultClassification}) {
            if (TextUtilities::hasLoneSurrogate(*field)) {
                if (error != nullptr) {
                    *error = QStringLiteral("invalidValue: rule \"%1\" holds text that is not valid Unicode").arg(rule.id);
                }
                return std::nullopt;
            }
        }
        nlohmann::ordered_json object;
        object["id"] = utf8(rule.id);
        object["name"] = utf8(rule.name);
        object["conditionKind"] = utf8(rawValue(rule.conditionKind));
        object["conditionValue"] = utf8(rule.conditionValue);
        object["resultClassification"] = utf8(rule.resultClassification);
        object["isEnabled"] = rule.isEnabled;
        array.push_back(std::move(object));
    }
    const std::string text = array.dump();
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

std::optional<std::vector<ClipboardUserClassificationRule>> decodeUserClassificationRules(const QByteArray& data,
                                                                                          QString* error) {
    try {
        const nlohmann::json document = nlohmann::json::parse(data.constData(), data.constData() + data.size());
        if (!document.is_array()) {
            throw std::runtime_error("typeMismatch: expected an array of rules");
        }
        std::vector<ClipboardUserClassificationRule> rules;
        rules.reserve(document.size());
        for (size_t index = 0; index < document.size(); ++index) {
            const nlohmann::json& object = document[index];
            if (!object.is_object()) {
                throw std::runtime_error("typeMismatch: rule " + std::to_string(index) + " is not an object");
            }
            ClipboardUserClassificationRule rule;
            rule.id = fromUtf8(requiredString(object, "id", index));
            if (!Uuid::isWellFormed(rule.id)) {
                throw std::runtime_error("dataCorrupted: \"id\" of rule " + std::to_string(index) + " is not a UUID");
            }
            rule.id = rule.id.toUpper();
            rule.name = fromUtf8(requiredString(object, "name", index));
            const QString kind = fromUtf8(requiredString(object, "conditionKind", index));
            const auto conditionKind = conditionKindFromRaw(kind);
            if (!conditionKind) {
                throw std::runtime_error("dataCorrupted: unknown conditionKind \"" + utf8(kind) + "\" in rule " +
                                         std::to_string(index));
            }
            rule.conditionKind = *conditionKind;
            rule.conditionValue = fromUtf8(requiredString(object, "conditionValue", index));
            rule.resultClassification = fromUtf8(requiredString(object, "resultClassification", index));
            const nlohmann::json& enabled = requiredField(object, "isEnabled", index);
            if (!enabled.is_boolean()) {
                throw std::runtime_error("typeMismatch: \"isEnabled\" in rule " + std::to_string(index) +
                                         " is not a Boolean");
            }
            rule.isEnabled = enabled.get<bool>();
            rules.push_back(std::move(rule));
        }
        return rules;
    } catch (const std::exception& exception) {
        if (error != nullptr) {
            *error = QString::fromUtf8(exception.what());
        }
        return std::nullopt;
    }
}

} // namespace quellpad
