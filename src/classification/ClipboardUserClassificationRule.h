// User classification rules: a condition on the trimmed text and the label that a
// match adds. Rules are edited through a draft that is validated before it becomes a
// rule, and are stored as a JSON array in the defaults store.
#pragma once

#include <array>
#include <exception>
#include <optional>
#include <vector>

#include <QByteArray>
#include <QString>
#include <QStringView>

#include "Core/Utilities/RawValueEnum.h"
#include "localization/AppLanguage.h"
#include "localization/TextKey.h"

namespace quellpad {

enum class ClipboardUserClassificationConditionKind {
    containsText,
    prefix,
    suffix,
    regularExpression,
    domain,
    pathContains,
    jsonKeyExists,
    matchedSystemClassification,
};

inline constexpr std::array<RawValueCase<ClipboardUserClassificationConditionKind>, 8>
    clipboardUserClassificationConditionKindCases{{
        {ClipboardUserClassificationConditionKind::containsText, "containsText"},
        {ClipboardUserClassificationConditionKind::prefix, "prefix"},
        {ClipboardUserClassificationConditionKind::suffix, "suffix"},
        {ClipboardUserClassificationConditionKind::regularExpression, "regularExpression"},
        {ClipboardUserClassificationConditionKind::domain, "domain"},
        {ClipboardUserClassificationConditionKind::pathContains, "pathContains"},
        {ClipboardUserClassificationConditionKind::jsonKeyExists, "jsonKeyExists"},
        {ClipboardUserClassificationConditionKind::matchedSystemClassification, "matchedSystemClassification"},
    }};

inline QString rawValue(ClipboardUserClassificationConditionKind kind) {
    return rawValueOf(clipboardUserClassificationConditionKindCases, kind);
}
inline std::optional<ClipboardUserClassificationConditionKind> conditionKindFromRaw(QStringView raw) {
    return caseFromRawValue(clipboardUserClassificationConditionKindCases, raw);
}

struct ClipboardUserClassificationRule {
    QString id; // upper-case hyphenated UUID
    QString name;
    ClipboardUserClassificationConditionKind conditionKind = ClipboardUserClassificationConditionKind::containsText;
    QString conditionValue;
    QString resultClassification; // the label a match adds
    bool isEnabled = true;

    bool operator==(const ClipboardUserClassificationRule&) const = default;
};

struct ClipboardUserClassificationRuleDraft {
    QString name;
    ClipboardUserClassificationConditionKind conditionKind = ClipboardUserClassificationConditionKind::containsText;
    QString conditionValue;
    QString resultClassification;
    bool isEnabled = true;
};

class ClipboardUserClassificationRuleValidationError : public std::exception {
public:
    enum class Kind {
        missingName,
        missingConditionValue,
        missingResultClassification,
        invalidSystemClassification,
        invalidRegularExpression,
    };

    explicit ClipboardUserClassificationRuleValidationError(Kind kind);

    Kind kind() const { return kind_; }
    // The English description, e.g. "Rule name is required."
    QString description() const;
    // The same text in the interface language, for the alert.
    TextKey textKey() const;
    const char* what() const noexcept override { return what_.constData(); }

private:
    Kind kind_;
    QByteArray what_;
};

// Validates a draft (every field trimmed of whitespace and newlines first) and builds
// the rule, keeping `existingID` when editing. Throws the first failing check as
// ClipboardUserClassificationRuleValidationError.
ClipboardUserClassificationRule makeUserClassificationRule(const ClipboardUserClassificationRuleDraft& draft,
                                                           const std::optional<QString>& existingID = std::nullopt);

// The one-line description of a rule's condition, e.g. Contains "invoice".
// The English form is the one matched rules carry.
QString conditionSummary(const ClipboardUserClassificationRule& rule, AppLanguage language = AppLanguage::english);

// The stored JSON form: an array of objects with the keys "id", "name",
// "conditionKind", "conditionValue", "resultClassification", "isEnabled".
// nullopt with `error` set when a field holds text that cannot be encoded (a lone
// surrogate), so that nothing is silently altered.
std::optional<QByteArray> encodeUserClassificationRules(const std::vector<ClipboardUserClassificationRule>& rules,
                                         QString* error = nullptr);
// Decodes the stored form; nullopt with `error` set when the data is not such an array
// (one malformed rule fails the whole list).
std::optional<std::vector<ClipboardUserClassificationRule>> decodeUserClassificationRules(const QByteArray& data,
                                                                                          QString* error = nullptr);

} // namespace quellpad
