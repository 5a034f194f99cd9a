// What the classification window shows and changes, without widgets: the detectors and
// content types with their switches, the user rules in list order with an editor that
// validates a draft before anything is stored, and a test page that classifies a
// sample text as it is typed. Every change is written to the defaults store at once;
// capture reads the classification settings at each copy, so the running app follows.
// `changed` fires after any stored value changed (here, in another window or from
// `quellpad config`), the interface language included, so the window re-reads all.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include "classification/ClipboardClassificationModel.h"
#include "classification/ClipboardUserClassificationRule.h"

namespace quellpad {

class ClipboardClassificationServiceProtocol;
class DefaultsStore;
class Localizer;

class ClassificationViewModel final : public QObject {
    Q_OBJECT
public:
    // Typing pauses this long before the sample is classified again.
    static constexpr int testDebounceMs = 250;

    // Messages beside the editor's fields, in the interface language; empty where fine.
    struct RuleFieldErrors {
        QString name;
        QString conditionValue;
        QString resultClassification;
        QString general; // the rule could not be stored

        bool isEmpty() const {
            return name.isEmpty() && conditionValue.isEmpty() && resultClassification.isEmpty() && general.isEmpty();
        }
    };

    ClassificationViewModel(DefaultsStore& defaults, const Localizer& localizer,
                            std::shared_ptr<const ClipboardClassificationServiceProtocol> classifier,
                            QObject* parent = nullptr);
    ~ClassificationViewModel() override;

    const Localizer& localizer() const { return localizer_; }

    // Detectors and content types
    bool isEnabled(ClipboardSystemClassification classification) const;
    void setEnabled(ClipboardSystemClassification classification, bool enabled);
    bool isEnabled(ClipboardMainContentType type) const;
    void setEnabled(ClipboardMainContentType type, bool enabled);

    // Rules, in the order they run.
    std::vector<ClipboardUserClassificationRule> rules() const;
    // Why the stored rules could not be read (they then count as none, and saving a
    // rule replaces them); empty when they could.
    QString unreadableRulesNotice() const;
    // The condition in the interface language, e.g. Contains "invoice".
    QString summary(const ClipboardUserClassificationRule& rule) const;
    // Checks every field of a draft; an invalid pattern carries the engine's reason,
    // and a pattern that backtracks without end on probe texts is refused too.
    RuleFieldErrors validate(const ClipboardUserClassificationRuleDraft& draft) const;
    // Validates and stores: appends a new rule, or replaces the rule `existingID` in
    // place. Nothing is stored when any field is invalid. The id of the stored rule
    // goes to savedID.
    RuleFieldErrors saveRule(const ClipboardUserClassificationRuleDraft& draft,
                             const std::optional<QString>& existingID = std::nullopt, QString* savedID = nullptr);
    // Each returns false (storing nothing) when the rule is gone or cannot move further.
    bool deleteRule(const QString& id);
    bool moveRule(const QString& id, int offset);
    bool setRuleEnabled(const QString& id, bool enabled);
    // Why the latest change could not be made persistent; empty after one that was.
    const QString& storeError() const { return storeError_; }

    // Test page: the sample is classified testDebounceMs after the last change, on a
    // worker thread, with the settings as they are then; settings changes classify it again.
    void setTestText(const QString& text);
    const QString& testText() const { return testText_; }
    // Whether a classification of the current sample is pending or running.
    bool isTestPending() const;
    // The three result lines ("System Classifications: ..."); empty before the first result.
    QStringList testResultLines() const;
    const std::optional<ClipboardClassificationResult>& testResult() const { return testResult_; }

Q_SIGNALS:
    void changed();
    void testResultChanged();

private:
    bool storeRules(const std::vector<ClipboardUserClassificationRule>& rules);
    void noteWrite();
    void runTest();
    QString localizedLabel(const QString& storedLabel) const;

    DefaultsStore& defaults_;
    const Localizer& localizer_;
    std::shared_ptr<const ClipboardClassificationServiceProtocol> classifier_;
    QString storeError_;
    QString testText_;
    QTimer testDebounce_;
    std::uint64_t testGeneration_ = 0;   // the newest request
    std::uint64_t answeredGeneration_ = 0;
    std::optional<ClipboardClassificationResult> testResult_;
};

} // namespace quellpad
