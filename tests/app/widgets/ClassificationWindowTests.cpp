// The classification window bound to its model: every control is named for screen
// readers in both languages, a language change re-translates the open window, the
// rule editor shows a refusal beside the field and stores nothing, and the test page
// answers what is typed. Each page is saved as a picture in both languages.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include "app/ClassificationViewModel.h"
#include "app/widgets/ClassificationWindow.h"
#include "classification/LocalClipboardClassificationService.h"
#include "localization/Localizer.h"
#include "platform/fake/InMemoryDefaultsStore.h"
#include "settings/PreferenceKeys.h"
#include "support/TestSupport.h"
#include "support/WidgetScreenshots.h"

namespace quellpad {
namespace {

class ClassificationWindowTest : public ::testing::Test {
protected:
    InMemoryDefaultsStore defaults;
    Localizer localizer{defaults};
    ClassificationViewModel model{defaults, localizer, std::make_shared<LocalClipboardClassificationService>()};
    ClassificationWindow window{model};

    template <typename T>
    T* control(const QString& accessibleName) const {
        for (T* candidate : window.findChildren<T*>()) {
            if (candidate->accessibleName() == accessibleName && candidate->isVisibleTo(&window)) return candidate;
        }
        ADD_FAILURE() << "no control named " << accessibleName.toStdString();
        return nullptr;
    }
    QString text(TextKey key) const { return localizer.text(key); }
    // Controls a screen reader would land on without a name.
    QStringList unnamedControls() const {
        QStringList unnamed;
        for (QWidget* widget : window.findChildren<QWidget*>()) {
            const bool interactive = qobject_cast<QAbstractButton*>(widget) || qobject_cast<QLineEdit*>(widget) ||
                                     qobject_cast<QComboBox*>(widget) || qobject_cast<QPlainTextEdit*>(widget) ||
                                     qobject_cast<QListWidget*>(widget) || qobject_cast<QTabWidget*>(widget);
            // Qt's own parts (the tab bar's scroll buttons, a combo's inner line edit) are named by Qt.
            if (interactive && widget->objectName().startsWith(QStringLiteral("qt_"))) continue;
            if (interactive && widget->accessibleName().isEmpty()) unnamed << QString::fromLatin1(widget->metaObject()->className());
        }
        return unnamed;
    }
    // A run with QT_SCALE_FACTOR=2 saves HiDPI pictures beside the others (named "-x2").
    void saveScreenshot(const QString& name) { test::saveWidgetScreenshot(window, name); }
};

TEST_F(ClassificationWindowTest, OpensNamedInEnglishAndReTranslatesAtOnceForChinese) {
    window.show();
    EXPECT_EQ(window.pageNames(), (QStringList{QStringLiteral("Classifications"), QStringLiteral("Rules"), QStringLiteral("Test")}));
    EXPECT_EQ(unnamedControls(), QStringList());
    EXPECT_NE(control<QCheckBox>(QStringLiteral("GitHub PR")), nullptr);
    saveScreenshot(QStringLiteral("classification-detectors-en"));
    model.saveRule({QStringLiteral("Invoices"), ClipboardUserClassificationConditionKind::containsText, QStringLiteral("invoice"),
                    QStringLiteral("Billing"), true});
    window.showPage(ClassificationWindow::Page::rules);
    saveScreenshot(QStringLiteral("classification-rules-en"));

    // `quellpad config set AppLanguage zh-Hans` arrives as a store change.
    defaults.set(PreferenceKeys::appLanguage, QStringLiteral("zh-Hans"));
    EXPECT_EQ(window.pageNames(), (QStringList{QStringLiteral("分类项"), QStringLiteral("规则"), QStringLiteral("测试")}));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("分类"));
    EXPECT_NE(control<QPushButton>(QStringLiteral("保存规则")), nullptr);
    EXPECT_EQ(control<QListWidget>(QStringLiteral("规则列表"))->item(0)->text(), QStringLiteral("Invoices：包含“invoice” → Billing"));
    EXPECT_EQ(unnamedControls(), QStringList());
    saveScreenshot(QStringLiteral("classification-rules-zh-Hans"));
    window.showPage(ClassificationWindow::Page::detectors);
    EXPECT_NE(control<QCheckBox>(QStringLiteral("文件路径")), nullptr);
    saveScreenshot(QStringLiteral("classification-detectors-zh-Hans"));
    const test::ScopedDarkPalette dark;
    saveScreenshot(QStringLiteral("classification-detectors-zh-Hans-dark"));
}

TEST_F(ClassificationWindowTest, SwitchesAndTheEditorStoreTheirSettingsAndARefusalShowsBesideTheField) {
    window.show();
    QCheckBox* sql = control<QCheckBox>(QStringLiteral("SQL"));
    ASSERT_NE(sql, nullptr);
    EXPECT_TRUE(sql->isChecked());
    sql->click();
    EXPECT_FALSE(model.isEnabled(ClipboardSystemClassification::sql));
    control<QCheckBox>(QStringLiteral("Image"))->click();
    EXPECT_FALSE(model.isEnabled(ClipboardMainContentType::image));

    window.showPage(ClassificationWindow::Page::rules);
    auto* condition = control<QComboBox>(text(TextKey::classificationRuleCondition));
    ASSERT_NE(condition, nullptr);
    ASSERT_EQ(condition->count(), 8);
    QTest::keyClicks(control<QLineEdit>(text(TextKey::classificationRuleName)), QStringLiteral("Tickets"));
    condition->setCurrentIndex(3); // regular expression
    QTest::keyClicks(control<QLineEdit>(text(TextKey::classificationRuleValue)), QStringLiteral("(a+)+$"));
    control<QPushButton>(text(TextKey::classificationSaveRule))->click();
    // Both problems at once: the pattern, and the missing label.
    EXPECT_NE(control<QLabel>(text(TextKey::ruleValidationRegexTooSlow)), nullptr);
    EXPECT_NE(control<QLabel>(text(TextKey::ruleValidationMissingResultClassification)), nullptr);
    EXPECT_TRUE(model.rules().empty());
    EXPECT_FALSE(defaults.object(PreferenceKeys::classificationUserRules).isValid());

    QLineEdit* value = control<QLineEdit>(text(TextKey::classificationRuleValue));
    value->clear();
    QTest::keyClicks(value, QStringLiteral("^T-\\d+$"));
    QTest::keyClicks(control<QLineEdit>(text(TextKey::classificationRuleResult)), QStringLiteral("Ticket"));
    control<QPushButton>(text(TextKey::classificationSaveRule))->click();
    ASSERT_EQ(model.rules().size(), 1u);
    EXPECT_EQ(model.rules()[0].conditionValue, QStringLiteral("^T-\\d+$"));
    for (QLabel* label : window.findChildren<QLabel*>()) {
        EXPECT_FALSE(label->isVisibleTo(&window) && label->text() == text(TextKey::ruleValidationRegexTooSlow))
            << "the refusal goes once the rule is saved";
    }
    auto* list = control<QListWidget>(text(TextKey::classificationRuleList));
    EXPECT_EQ(list->count(), 1);
    // Unticking the row disables the rule.
    list->item(0)->setCheckState(Qt::Unchecked);
    EXPECT_FALSE(model.rules()[0].isEnabled);

    window.showPage(ClassificationWindow::Page::test);
    QTest::keyClicks(control<QPlainTextEdit>(text(TextKey::classificationTestInput)), QStringLiteral("T-42"));
    const QString expected = QStringLiteral("Primary Classification: Text");
    EXPECT_TRUE(test::processEventsUntil([&] {
        for (QLabel* label : window.findChildren<QLabel*>()) {
            if (label->isVisibleTo(&window) && label->text() == expected) return true;
        }
        return false;
    })) << "the disabled rule gives no label";
    saveScreenshot(QStringLiteral("classification-test-en"));
}

} // namespace
} // namespace quellpad
