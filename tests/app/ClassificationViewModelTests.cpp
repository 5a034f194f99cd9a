// The classification window's state without a window: switches are stored at once,
// a rule is stored only when every field is valid (a pattern that backtracks without
// end included), the list keeps its order through edits, and the test page classifies
// the latest sample off the main thread.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QSignalSpy>

#include "app/ClassificationViewModel.h"
#include "classification/ClipboardClassificationSettings.h"
#include "classification/LocalClipboardClassificationService.h"
#include "localization/Localizer.h"
#include "platform/fake/InMemoryDefaultsStore.h"
#include "settings/PreferenceKeys.h"
#include "support/TestSupport.h"

namespace quellpad {
namespace {

using Kind = ClipboardUserClassificationConditionKind;

// Counts classifications, so the debounce can be seen.
class CountingClassifier final : public ClipboardClassificationServiceProtocol {
public:
    using ClipboardClassificationServiceProtocol::classify;
    ClipboardClassificationResult classify(const QString& text, const ClipboardSystemClassificationSet& enabled,
                                           const std::vector<ClipboardUserClassificationRule>& rules) const override {
        ++calls;
        return real.classify(text, enabled, rules);
    }
    mutable std::atomic<int> calls{0};
    LocalClipboardClassificationService real;
};

// A store whose file cannot be written: values live in memory only.
class UnwritableDefaultsStore final : public DefaultsStore {
public:
    QVariant object(const QString& key) const override { return values_.value(key); }
    void set(const QString& key, const QVariant& value) override {
        values_.insert(key, value);
        Q_EMIT changed(key);
    }
    QVariantMap dictionaryRepresentation() const override { return values_; }
    std::optional<QString> lastWriteError() const override { return QStringLiteral("Read-only file system"); }

private:
    QVariantMap values_;
};

ClipboardUserClassificationRuleDraft draft(const QString& name, Kind kind, const QString& value, const QString& label,
                                           bool enabled = true) {
    return {name, kind, value, label, enabled};
}

class ClassificationViewModelTest : public ::testing::Test {
protected:
    InMemoryDefaultsStore defaults;
    Localizer localizer{defaults};
    std::shared_ptr<CountingClassifier> classifier = std::make_shared<CountingClassifier>();
    ClassificationViewModel model{defaults, localizer, classifier};

    QStringList ruleNames() const {
        QStringList names;
        for (const auto& rule : model.rules()) names << rule.name;
        return names;
    }
    QString save(const QString& name, Kind kind, const QString& value, const QString& label = QStringLiteral("L")) {
        QString id;
        const auto errors = model.saveRule(draft(name, kind, value, label), std::nullopt, &id);
        EXPECT_TRUE(errors.isEmpty()) << errors.conditionValue.toStdString();
        return id;
    }
    bool waitForTestResult() {
        return test::processEventsUntil([this] { return !model.isTestPending() && model.testResult().has_value(); }, 5000);
    }
};

TEST_F(ClassificationViewModelTest, SwitchesAreStoredAtOnceAndFollowAnotherProcess) {
    QSignalSpy changed(&model, &ClassificationViewModel::changed);
    model.setEnabled(ClipboardSystemClassification::markdown, false);
    model.setEnabled(ClipboardMainContentType::image, false);
    const QStringList stored = *defaults.stringArrayValue(PreferenceKeys::enabledSystemClassifications);
    EXPECT_EQ(stored.size(), 14);
    EXPECT_FALSE(stored.contains(QStringLiteral("markdown")));
    EXPECT_EQ(*defaults.stringArrayValue(PreferenceKeys::enabledMainContentTypes), QStringList{QStringLiteral("text")});
    EXPECT_FALSE(model.isEnabled(ClipboardSystemClassification::markdown));
    EXPECT_TRUE(model.isEnabled(ClipboardSystemClassification::url));
    // Capture reads the same key: a heading is no longer Markdown.
    EXPECT_TRUE(classifier->classify(QStringLiteral("# Title"), defaults).systemClassifications.empty());

    model.setEnabled(ClipboardSystemClassification::markdown, true);
    EXPECT_TRUE(model.isEnabled(ClipboardSystemClassification::markdown));

    // `quellpad config set` elsewhere.
    const int before = changed.count();
    defaults.set(PreferenceKeys::enabledSystemClassifications, QStringList{QStringLiteral("json"), QStringLiteral("bogus")});
    EXPECT_GT(changed.count(), before);
    EXPECT_TRUE(model.isEnabled(ClipboardSystemClassification::json));
    EXPECT_FALSE(model.isEnabled(ClipboardSystemClassification::url));
}

TEST_F(ClassificationViewModelTest, EveryInvalidFieldIsReportedBesideItAndNothingIsStored) {
    auto errors = model.saveRule(draft(QStringLiteral("  "), Kind::containsText, QStringLiteral("\n"), QString()));
    EXPECT_EQ(errors.name, QStringLiteral("Rule name is required."));
    EXPECT_EQ(errors.conditionValue, QStringLiteral("Condition value is required."));
    EXPECT_EQ(errors.resultClassification, QStringLiteral("Result classification is required."));

    errors = model.saveRule(draft(QStringLiteral("R"), Kind::regularExpression, QStringLiteral("(unclosed"), QStringLiteral("L")));
    EXPECT_TRUE(errors.name.isEmpty());
    EXPECT_TRUE(errors.conditionValue.startsWith(QStringLiteral("Enter a valid regular expression. (U_REGEX_")))
        << errors.conditionValue.toStdString();

    errors = model.saveRule(draft(QStringLiteral("R"), Kind::matchedSystemClassification, QStringLiteral("JSON"), QStringLiteral("L")));
    EXPECT_EQ(errors.conditionValue, QStringLiteral("Choose a valid system classification."));

    // The messages follow the interface language.
    defaults.set(PreferenceKeys::appLanguage, QStringLiteral("zh-Hans"));
    errors = model.saveRule(draft(QString(), Kind::prefix, QStringLiteral("x"), QStringLiteral("L")));
    EXPECT_EQ(errors.name, Localizer::text(AppLanguage::simplifiedChinese, TextKey::ruleValidationMissingName));

    EXPECT_FALSE(defaults.object(PreferenceKeys::classificationUserRules).isValid());
    EXPECT_TRUE(model.rules().empty());
}

TEST_F(ClassificationViewModelTest, EachConditionKindIsStoredTrimmedAndClassifiesTheNextCopy) {
    save(QStringLiteral(" Invoices "), Kind::containsText, QStringLiteral(" invoice "), QStringLiteral(" Billing "));
    save(QStringLiteral("Ticket"), Kind::prefix, QStringLiteral("ABC-"));
    save(QStringLiteral("Log"), Kind::suffix, QStringLiteral(".log"));
    save(QStringLiteral("Order"), Kind::regularExpression, QStringLiteral("^ORD-\\d{4}$"), QStringLiteral("Order"));
    save(QStringLiteral("Corp"), Kind::domain, QStringLiteral("example.com"));
    save(QStringLiteral("Docs"), Kind::pathContains, QStringLiteral("/docs/"));
    save(QStringLiteral("User"), Kind::jsonKeyExists, QStringLiteral("userId"));
    save(QStringLiteral("Json"), Kind::matchedSystemClassification, QStringLiteral("json"));
    const auto rules = model.rules();
    ASSERT_EQ(rules.size(), 8u);
    EXPECT_EQ(rules[0].name, QStringLiteral("Invoices"));
    EXPECT_EQ(rules[0].conditionValue, QStringLiteral("invoice"));
    EXPECT_EQ(rules[0].resultClassification, QStringLiteral("Billing"));
    EXPECT_EQ(rules[7].conditionKind, Kind::matchedSystemClassification);
    EXPECT_EQ(model.summary(rules[7]), QStringLiteral("Matched system classification: JSON"));

    // What capture stores for the next copy comes from the same settings.
    auto stored = [this](const char* text) {
        return storedClassification(classifier->classify(QString::fromUtf8(text), defaults)).value_or(QString());
    };
    EXPECT_EQ(stored("INVOICE 7"), QStringLiteral("Billing"));
    EXPECT_EQ(stored("ORD-1234"), QStringLiteral("Order"));
    EXPECT_EQ(stored("ORD-12345"), QString());
}

TEST_F(ClassificationViewModelTest, APatternThatBacktracksWithoutEndIsRefusedQuickly) {
    for (const char* hostile : {"(a+)+$", "^(\\w+\\s?)*$", "(x+x+)+y"}) {
        QElapsedTimer timer;
        timer.start();
        const auto errors = model.saveRule(
            draft(QStringLiteral("Slow"), Kind::regularExpression, QString::fromUtf8(hostile), QStringLiteral("L")));
        EXPECT_EQ(errors.conditionValue, localizer.text(TextKey::ruleValidationRegexTooSlow)) << hostile;
        EXPECT_LT(timer.elapsed(), 3000) << hostile;
    }
    EXPECT_FALSE(defaults.object(PreferenceKeys::classificationUserRules).isValid());
    // Ordinary patterns pass the same probes.
    for (const char* fine : {"^INV-\\d+$", "\\b[A-Z]{2,}-\\d+\\b", "(?i)error|warning", "^\\s*\\{"}) {
        EXPECT_TRUE(model.validate(draft(QStringLiteral("R"), Kind::regularExpression, QString::fromUtf8(fine),
                                         QStringLiteral("L")))
                        .isEmpty())
            << fine;
    }
}

TEST_F(ClassificationViewModelTest, EditingKeepsTheRulesPlaceAndReorderingChangesWhichLabelWins) {
    const QString first = save(QStringLiteral("A"), Kind::containsText, QStringLiteral("x"), QStringLiteral("First"));
    const QString second = save(QStringLiteral("B"), Kind::containsText, QStringLiteral("x"), QStringLiteral("Second"));
    save(QStringLiteral("C"), Kind::prefix, QStringLiteral("zz"));
    EXPECT_EQ(storedClassification(classifier->classify(QStringLiteral("x"), defaults)), QStringLiteral("First"));

    EXPECT_TRUE(model.saveRule(draft(QStringLiteral("A2"), Kind::containsText, QStringLiteral("x"), QStringLiteral("First")),
                               first)
                    .isEmpty());
    EXPECT_EQ(ruleNames(), (QStringList{QStringLiteral("A2"), QStringLiteral("B"), QStringLiteral("C")}));
    EXPECT_EQ(model.rules()[0].id, first);

    EXPECT_TRUE(model.moveRule(second, -1));
    EXPECT_EQ(ruleNames(), (QStringList{QStringLiteral("B"), QStringLiteral("A2"), QStringLiteral("C")}));
    EXPECT_EQ(storedClassification(classifier->classify(QStringLiteral("x"), defaults)), QStringLiteral("Second"));
    EXPECT_FALSE(model.moveRule(second, -1)) << "already first";
    EXPECT_FALSE(model.moveRule(QStringLiteral("00000000-0000-0000-0000-000000000000"), 1));

    EXPECT_TRUE(model.setRuleEnabled(second, false));
    EXPECT_EQ(storedClassification(classifier->classify(QStringLiteral("x"), defaults)), QStringLiteral("First"));
    EXPECT_TRUE(model.deleteRule(first));
    EXPECT_EQ(ruleNames(), (QStringList{QStringLiteral("B"), QStringLiteral("C")}));
    EXPECT_FALSE(model.deleteRule(first));
}

TEST_F(ClassificationViewModelTest, TheTestPageClassifiesOnlyTheLatestSampleAndFollowsRuleChanges) {
    model.setTestText(QStringLiteral("h"));
    model.setTestText(QStringLiteral("https://github.com/o/r/pull"));
    model.setTestText(QStringLiteral("https://github.com/o/r/pull/12"));
    EXPECT_TRUE(model.isTestPending());
    ASSERT_TRUE(waitForTestResult());
    EXPECT_EQ(classifier->calls.load(), 1) << "typing is debounced";
    EXPECT_EQ(model.testResultLines(),
              (QStringList{QStringLiteral("System Classifications: URL, GitHub PR"), QStringLiteral("User Classifications: None"),
                           QStringLiteral("Primary Classification: GitHub PR")}));

    save(QStringLiteral("Reviews"), Kind::pathContains, QStringLiteral("/pull/"), QStringLiteral("Review"));
    EXPECT_TRUE(model.isTestPending());
    ASSERT_TRUE(waitForTestResult());
    EXPECT_EQ(model.testResultLines().value(2), QStringLiteral("Primary Classification: Review"));

    defaults.set(PreferenceKeys::appLanguage, QStringLiteral("zh-Hans"));
    EXPECT_EQ(model.testResultLines().value(1),
              Localizer::text(AppLanguage::simplifiedChinese, TextKey::classificationTestUser, {QStringLiteral("Review")}));
}

TEST_F(ClassificationViewModelTest, AHostileRuleStoredElsewhereDoesNotHoldUpTheTestPage) {
    // Saved by `quellpad config set`, past the editor's check.
    ClipboardClassificationSettings(defaults).setUserRules(
        {ClipboardUserClassificationRule{QStringLiteral("6F1C2A4E-0F43-4C39-9E7B-2B1C7A8F3D10"), QStringLiteral("Slow"),
                                         Kind::regularExpression, QStringLiteral("(a+)+$"), QStringLiteral("Slow"), true},
         ClipboardUserClassificationRule{QStringLiteral("7F1C2A4E-0F43-4C39-9E7B-2B1C7A8F3D10"), QStringLiteral("As"),
                                         Kind::prefix, QStringLiteral("aaa"), QStringLiteral("As"), true}});
    QElapsedTimer mainThread;
    mainThread.start();
    model.setTestText(QString(40, u'a') + u'!');
    // The event loop keeps turning while the worker gives up on the pattern.
    int turns = 0;
    ASSERT_TRUE(test::processEventsUntil([&] {
        ++turns;
        return !model.isTestPending();
    }));
    EXPECT_GT(turns, 1);
    ASSERT_TRUE(model.testResult().has_value());
    // The pattern gave up (no match); whether the next rule still ran depends on the
    // rules' shared time budget, so only the slow one's absence is certain.
    EXPECT_FALSE(model.testResult()->userClassifications.contains(QStringLiteral("Slow")));
    EXPECT_EQ(model.testResultLines().size(), 3);
}

TEST_F(ClassificationViewModelTest, UnreadableRulesAreSaidSoAndAFailedWriteIsNotSuccess) {
    defaults.set(PreferenceKeys::classificationUserRules, QByteArray("{not json"));
    EXPECT_TRUE(model.rules().empty());
    EXPECT_TRUE(model.unreadableRulesNotice().startsWith(QStringLiteral("The saved rules could not be read (")))
        << model.unreadableRulesNotice().toStdString();
    save(QStringLiteral("New"), Kind::suffix, QStringLiteral(".md"));
    EXPECT_TRUE(model.unreadableRulesNotice().isEmpty());
    EXPECT_EQ(ruleNames(), QStringList{QStringLiteral("New")});

    UnwritableDefaultsStore readOnly;
    ClassificationViewModel unwritable(readOnly, localizer, classifier);
    const auto errors = unwritable.saveRule(draft(QStringLiteral("R"), Kind::prefix, QStringLiteral("x"), QStringLiteral("L")));
    EXPECT_EQ(errors.general, QStringLiteral("The change could not be saved: Read-only file system"));
    unwritable.setEnabled(ClipboardSystemClassification::sql, false);
    EXPECT_EQ(unwritable.storeError(), errors.general);
}

} // namespace
} // namespace quellpad
