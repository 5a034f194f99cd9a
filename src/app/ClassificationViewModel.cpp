#include "app/ClassificationViewModel.h"

#include <algorithm>

#include <QtConcurrent/QtConcurrentRun>

#include "Core/Utilities/Logger.h"
#include "Core/Utilities/MainThread.h"
#include "Core/Utilities/TextUtilities.h"
#include "classification/ClipboardClassificationServiceProtocol.h"
#include "classification/ClipboardClassificationSettings.h"
#include "classification/ClipboardUserRegexProbe.h"
#include "localization/Localizer.h"
#include "platform/DefaultsStore.h"
#include "settings/PreferenceKeys.h"

namespace quellpad {

namespace {

const QString category = QStringLiteral("ClassificationSettings");

bool isClassificationKey(const QString& key) {
    return key == PreferenceKeys::enabledSystemClassifications || key == PreferenceKeys::classificationUserRules;
}

} // namespace

ClassificationViewModel::ClassificationViewModel(DefaultsStore& defaults, const Localizer& localizer,
                                                 std::shared_ptr<const ClipboardClassificationServiceProtocol> classifier,
                                                 QObject* parent)
    : QObject(parent), defaults_(defaults), localizer_(localizer), classifier_(std::move(classifier)) {
    testDebounce_.setSingleShot(true);
    testDebounce_.setInterval(testDebounceMs);
    connect(&testDebounce_, &QTimer::timeout, this, &ClassificationViewModel::runTest);
    connect(&defaults_, &DefaultsStore::changed, this, [this](const QString& key) {
        // The sample's result depends on the detectors and rules; other keys (the
        // language among them) only change how it reads.
        if (isClassificationKey(key) && !testText_.isEmpty()) {
            ++testGeneration_;
            testDebounce_.start();
        }
        Q_EMIT changed();
    });
}

ClassificationViewModel::~ClassificationViewModel() = default;

bool ClassificationViewModel::isEnabled(ClipboardSystemClassification classification) const {
    return ClipboardClassificationSettings(defaults_).enabledSystemClassifications().contains(classification);
}

void ClassificationViewModel::setEnabled(ClipboardSystemClassification classification, bool enabled) {
    ClipboardClassificationSettings settings(defaults_);
    ClipboardSystemClassificationSet set = settings.enabledSystemClassifications();
    if (set.contains(classification) == enabled) return;
    if (enabled) {
        set.insert(classification);
    } else {
        set.erase(classification);
    }
    settings.setEnabledSystemClassifications(set);
    noteWrite();
}

bool ClassificationViewModel::isEnabled(ClipboardMainContentType type) const {
    return ClipboardClassificationSettings(defaults_).enabledMainContentTypes().contains(type);
}

void ClassificationViewModel::setEnabled(ClipboardMainContentType type, bool enabled) {
    ClipboardClassificationSettings settings(defaults_);
    ClipboardMainContentTypeSet set = settings.enabledMainContentTypes();
    if (set.contains(type) == enabled) return;
    if (enabled) {
        set.insert(type);
    } else {
        set.erase(type);
    }
    settings.setEnabledMainContentTypes(set);
    noteWrite();
}

QString ClassificationViewModel::unreadableRulesNotice() const {
    if (!defaults_.object(PreferenceKeys::classificationUserRules).isValid()) return {};
    const std::optional<QByteArray> data = defaults_.bytesValue(PreferenceKeys::classificationUserRules);
    QString error = QStringLiteral("typeMismatch: the stored value is not data");
    if (data && decodeUserClassificationRules(*data, &error)) return {};
    return localizer_.text(TextKey::classificationRulesUnreadable, {error});
}

std::vector<ClipboardUserClassificationRule> ClassificationViewModel::rules() const {
    // Unreadable rules count as none; checked first so the window's frequent reads do
    // not each log the decoding failure.
    if (!unreadableRulesNotice().isEmpty()) return {};
    return ClipboardClassificationSettings(defaults_).userRules();
}

QString ClassificationViewModel::summary(const ClipboardUserClassificationRule& rule) const {
    return conditionSummary(rule, localizer_.language());
}

ClassificationViewModel::RuleFieldErrors ClassificationViewModel::validate(
    const ClipboardUserClassificationRuleDraft& draft) const {
    RuleFieldErrors errors;
    auto describe = [this](ClipboardUserClassificationRuleValidationError::Kind kind) {
        return localizer_.text(ClipboardUserClassificationRuleValidationError(kind).textKey());
    };
    using ErrorKind = ClipboardUserClassificationRuleValidationError::Kind;
    if (TextUtilities::trimmedWhitespace(draft.name).isEmpty()) errors.name = describe(ErrorKind::missingName);
    if (TextUtilities::trimmedWhitespace(draft.resultClassification).isEmpty()) {
        errors.resultClassification = describe(ErrorKind::missingResultClassification);
    }
    const QString value = TextUtilities::trimmedWhitespace(draft.conditionValue);
    if (!value.isEmpty() && draft.conditionKind == ClipboardUserClassificationConditionKind::regularExpression) {
        const ClipboardUserRegexProbe::Outcome probe = ClipboardUserRegexProbe::probe(value);
        switch (probe.verdict) {
        case ClipboardUserRegexProbe::Verdict::acceptable: break;
        case ClipboardUserRegexProbe::Verdict::doesNotCompile:
            errors.conditionValue = localizer_.text(TextKey::ruleValidationRegexReason,
                                                    {describe(ErrorKind::invalidRegularExpression), probe.detail});
            return errors;
        case ClipboardUserRegexProbe::Verdict::tooSlow:
            errors.conditionValue = localizer_.text(TextKey::ruleValidationRegexTooSlow);
            return errors;
        }
    }
    // The remaining checks of the value are the rule's own; the other fields stand in
    // with placeholders so that only the value's error comes back.
    ClipboardUserClassificationRuleDraft valueOnly = draft;
    valueOnly.name = QStringLiteral("-");
    valueOnly.resultClassification = QStringLiteral("-");
    try {
        makeUserClassificationRule(valueOnly);
    } catch (const ClipboardUserClassificationRuleValidationError& error) {
        errors.conditionValue = localizer_.text(error.textKey());
    }
    return errors;
}

ClassificationViewModel::RuleFieldErrors ClassificationViewModel::saveRule(const ClipboardUserClassificationRuleDraft& draft,
                                                                           const std::optional<QString>& existingID,
                                                                           QString* savedID) {
    RuleFieldErrors errors = validate(draft);
    if (!errors.isEmpty()) return errors;
    std::vector<ClipboardUserClassificationRule> list = rules();
    const ClipboardUserClassificationRule rule = makeUserClassificationRule(draft, existingID);
    const auto existing = std::find_if(list.begin(), list.end(), [&](const auto& r) { return existingID && r.id == rule.id; });
    if (existing != list.end()) {
        *existing = rule;
    } else {
        list.push_back(rule);
    }
    if (!storeRules(list)) {
        errors.general = storeError_;
        return errors;
    }
    if (savedID) *savedID = rule.id;
    return errors;
}

bool ClassificationViewModel::deleteRule(const QString& id) {
    std::vector<ClipboardUserClassificationRule> list = rules();
    const auto removed = std::remove_if(list.begin(), list.end(), [&](const auto& rule) { return rule.id == id; });
    if (removed == list.end()) return false;
    list.erase(removed, list.end());
    return storeRules(list);
}

bool ClassificationViewModel::moveRule(const QString& id, int offset) {
    std::vector<ClipboardUserClassificationRule> list = rules();
    const auto found = std::find_if(list.begin(), list.end(), [&](const auto& rule) { return rule.id == id; });
    if (found == list.end()) return false;
    const auto from = static_cast<qsizetype>(found - list.begin());
    const qsizetype to = from + offset;
    if (offset == 0 || to < 0 || to >= static_cast<qsizetype>(list.size())) return false;
    const ClipboardUserClassificationRule moving = *found;
    list.erase(found);
    list.insert(list.begin() + to, moving);
    return storeRules(list);
}

bool ClassificationViewModel::setRuleEnabled(const QString& id, bool enabled) {
    std::vector<ClipboardUserClassificationRule> list = rules();
    const auto found = std::find_if(list.begin(), list.end(), [&](const auto& rule) { return rule.id == id; });
    if (found == list.end()) return false;
    if (found->isEnabled == enabled) return true;
    found->isEnabled = enabled;
    return storeRules(list);
}

bool ClassificationViewModel::storeRules(const std::vector<ClipboardUserClassificationRule>& rules) {
    QString error;
    if (!encodeUserClassificationRules(rules, &error)) {
        storeError_ = localizer_.text(TextKey::classificationStoreFailed, {error});
        Logger::error(QStringLiteral("Rules not saved: ") + error, category);
        Q_EMIT changed();
        return false;
    }
    ClipboardClassificationSettings(defaults_).setUserRules(rules);
    noteWrite();
    return storeError_.isEmpty();
}

void ClassificationViewModel::noteWrite() {
    // The store keeps a value it could not write in memory, where it works until the
    // app quits; the user has to know it will not last.
    const std::optional<QString> error = defaults_.lastWriteError();
    const QString previous = storeError_;
    storeError_ = error ? localizer_.text(TextKey::classificationStoreFailed, {*error}) : QString();
    if (error) Logger::error(QStringLiteral("Classification setting not saved: ") + *error, category);
    if (storeError_ != previous) Q_EMIT changed();
}

void ClassificationViewModel::setTestText(const QString& text) {
    if (text == testText_) return;
    testText_ = text;
    ++testGeneration_;
    testDebounce_.start();
}

bool ClassificationViewModel::isTestPending() const { return answeredGeneration_ != testGeneration_; }

void ClassificationViewModel::runTest() {
    const std::uint64_t generation = testGeneration_;
    const ClipboardClassificationSettings settings(defaults_);
    // Settings are read here, on the main thread; the worker only classifies.
    QFuture<ClipboardClassificationResult> future =
        QtConcurrent::run([classifier = classifier_, text = testText_, enabled = settings.enabledSystemClassifications(),
                           userRules = rules()] { return classifier->classify(text, enabled, userRules); });
    MainThread::whenFinished(future, this, [this, generation](QFuture<ClipboardClassificationResult> done) {
        // A newer sample or setting is on its way; this answer is stale.
        if (generation != testGeneration_) return;
        answeredGeneration_ = generation;
        testResult_ = done.result();
        Q_EMIT testResultChanged();
    });
}

QString ClassificationViewModel::localizedLabel(const QString& storedLabel) const {
    if (storedLabel == genericTextClassification) return localizer_.text(TextKey::mainContentTypeText);
    for (const ClipboardSystemClassificationDefinition& definition : systemClassificationDefinitions()) {
        if (definition.displayName == storedLabel) return localizer_.text(definition.displayNameKey);
    }
    return storedLabel; // a user's own label
}

QStringList ClassificationViewModel::testResultLines() const {
    if (!testResult_) return {};
    const QString none = localizer_.text(TextKey::classificationTestNone);
    auto joined = [&none](const QStringList& labels) { return labels.isEmpty() ? none : labels.join(QStringLiteral(", ")); };
    QStringList system;
    for (const ClipboardClassificationMatch& match : testResult_->systemClassifications) {
        system << localizer_.text(definition(match.classification).displayNameKey);
    }
    // A user label that happens to equal a system label is still the user's.
    const QString primary = testResult_->userClassifications.isEmpty() ? localizedLabel(testResult_->primaryClassification)
                                                                       : testResult_->primaryClassification;
    return {localizer_.text(TextKey::classificationTestSystem, {joined(system)}),
            localizer_.text(TextKey::classificationTestUser, {joined(testResult_->userClassifications)}),
            localizer_.text(TextKey::classificationTestPrimary, {primary})};
}

} // namespace quellpad
