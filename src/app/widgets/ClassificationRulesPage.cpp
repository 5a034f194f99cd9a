#include "app/widgets/ClassificationRulesPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "app/ClassificationViewModel.h"
#include "app/widgets/SettingsPageParts.h"
#include "classification/ClipboardClassificationModel.h"
#include "localization/Localizer.h"

namespace quellpad {

using namespace SettingsPageParts;
using Kind = ClipboardUserClassificationConditionKind;

namespace {

TextKey kindTitle(Kind kind) {
    switch (kind) {
    case Kind::containsText: return TextKey::classificationConditionContainsText;
    case Kind::prefix: return TextKey::classificationConditionPrefix;
    case Kind::suffix: return TextKey::classificationConditionSuffix;
    case Kind::regularExpression: return TextKey::classificationConditionRegularExpression;
    case Kind::domain: return TextKey::classificationConditionDomain;
    case Kind::pathContains: return TextKey::classificationConditionPathContains;
    case Kind::jsonKeyExists: return TextKey::classificationConditionJsonKeyExists;
    case Kind::matchedSystemClassification: return TextKey::classificationConditionMatchedSystem;
    }
    return TextKey::classificationConditionContainsText;
}

// An error label that sits beside its field in the editor's grid.
QLabel* makeFieldError(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setWordWrap(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor(0xc0, 0x1c, 0x28));
    label->setPalette(palette);
    label->hide();
    return label;
}

} // namespace

ClassificationRulesPage::ClassificationRulesPage(ClassificationViewModel& model, QWidget* parent)
    : QWidget(parent), model_(model) {
    auto* layout = new QVBoxLayout(this);
    title_ = addSectionTitle(layout, this);
    description_ = addDescription(layout, this);
    unreadable_ = addNotice(layout, this);
    list_ = new QListWidget(this);
    layout->addWidget(list_, 1);
    auto* buttons = new QHBoxLayout;
    newRule_ = new QPushButton(this);
    deleteRule_ = new QPushButton(this);
    moveUp_ = new QPushButton(this);
    moveDown_ = new QPushButton(this);
    buttons->addWidget(newRule_);
    buttons->addWidget(deleteRule_);
    buttons->addStretch();
    buttons->addWidget(moveUp_);
    buttons->addWidget(moveDown_);
    layout->addLayout(buttons);

    editorTitle_ = addSectionTitle(layout, this);
    auto* grid = new QGridLayout;
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(2, 1);
    int row = 0;
    auto addField = [&](QLabel*& label, QWidget* field, QLabel* error) {
        label = new QLabel(this);
        label->setBuddy(field);
        grid->addWidget(label, row, 0);
        grid->addWidget(field, row, 1);
        if (error) grid->addWidget(error, row, 2);
        ++row;
    };
    name_ = new QLineEdit(this);
    nameError_ = makeFieldError(this);
    addField(nameLabel_, name_, nameError_);
    kind_ = new QComboBox(this);
    for (const auto& entry : clipboardUserClassificationConditionKindCases) kind_->addItem(QString(), rawValue(entry.value));
    addField(kindLabel_, kind_, nullptr);
    valueStack_ = new QStackedWidget(this);
    value_ = new QLineEdit(valueStack_);
    systemValue_ = new QComboBox(valueStack_);
    for (const auto& definition : systemClassificationDefinitions()) systemValue_->addItem(QString(), rawValue(definition.id));
    valueStack_->addWidget(value_);
    valueStack_->addWidget(systemValue_);
    valueStack_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    valueError_ = makeFieldError(this);
    addField(valueLabel_, valueStack_, valueError_);
    result_ = new QLineEdit(this);
    resultError_ = makeFieldError(this);
    addField(resultLabel_, result_, resultError_);
    layout->addLayout(grid);
    auto* saveRow = new QHBoxLayout;
    enabled_ = new QCheckBox(this);
    enabled_->setChecked(true);
    save_ = new QPushButton(this);
    save_->setDefault(true);
    saveRow->addWidget(enabled_);
    saveRow->addStretch();
    saveRow->addWidget(save_);
    layout->addLayout(saveRow);
    saveError_ = addNotice(layout, this);

    connect(list_, &QListWidget::currentRowChanged, this, [this] {
        const QString id = selectedRuleID();
        std::optional<ClipboardUserClassificationRule> rule;
        for (const auto& candidate : model_.rules()) {
            if (candidate.id == id) rule = candidate;
        }
        loadEditor(rule);
        updateButtons();
    });
    connect(list_, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        model_.setRuleEnabled(item->data(Qt::UserRole).toString(), item->checkState() == Qt::Checked);
    });
    connect(newRule_, &QPushButton::clicked, this, [this] {
        list_->setCurrentRow(-1);
        loadEditor(std::nullopt);
        name_->setFocus();
    });
    connect(deleteRule_, &QPushButton::clicked, this, [this] {
        const QString id = selectedRuleID();
        if (!id.isEmpty() && model_.deleteRule(id)) loadEditor(std::nullopt);
    });
    connect(moveUp_, &QPushButton::clicked, this, [this] { model_.moveRule(selectedRuleID(), -1); });
    connect(moveDown_, &QPushButton::clicked, this, [this] { model_.moveRule(selectedRuleID(), 1); });
    connect(kind_, &QComboBox::currentIndexChanged, this, [this] {
        const bool system = kind_->currentData().toString() == rawValue(Kind::matchedSystemClassification);
        valueStack_->setCurrentIndex(system ? 1 : 0);
        if (showsErrors_) showErrors();
    });
    connect(save_, &QPushButton::clicked, this, &ClassificationRulesPage::save);
    connect(name_, &QLineEdit::returnPressed, this, &ClassificationRulesPage::save);
    connect(value_, &QLineEdit::returnPressed, this, &ClassificationRulesPage::save);
    connect(result_, &QLineEdit::returnPressed, this, &ClassificationRulesPage::save);
    refresh();
}

QString ClassificationRulesPage::selectedRuleID() const {
    const QListWidgetItem* item = list_->currentItem();
    return item && list_->currentRow() >= 0 ? item->data(Qt::UserRole).toString() : QString();
}

void ClassificationRulesPage::loadEditor(const std::optional<ClipboardUserClassificationRule>& rule) {
    editingID_ = rule ? std::optional<QString>(rule->id) : std::nullopt;
    showsErrors_ = false;
    name_->setText(rule ? rule->name : QString());
    const Kind kind = rule ? rule->conditionKind : Kind::containsText;
    kind_->setCurrentIndex(kind_->findData(rawValue(kind)));
    const int systemIndex = rule ? systemValue_->findData(rule->conditionValue) : -1;
    systemValue_->setCurrentIndex(std::max(systemIndex, 0));
    value_->setText(rule && kind != Kind::matchedSystemClassification ? rule->conditionValue : QString());
    result_->setText(rule ? rule->resultClassification : QString());
    enabled_->setChecked(rule ? rule->isEnabled : true);
    for (QLabel* error : {nameError_, valueError_, resultError_, saveError_}) setNotice(error, QString());
    // Not a whole refresh: this runs while the list reports its new selection.
    updateEditorTitle();
}

ClipboardUserClassificationRuleDraft ClassificationRulesPage::draft() const {
    ClipboardUserClassificationRuleDraft draft;
    draft.name = name_->text();
    draft.conditionKind = conditionKindFromRaw(kind_->currentData().toString()).value_or(Kind::containsText);
    draft.conditionValue =
        draft.conditionKind == Kind::matchedSystemClassification ? systemValue_->currentData().toString() : value_->text();
    draft.resultClassification = result_->text();
    draft.isEnabled = enabled_->isChecked();
    return draft;
}

void ClassificationRulesPage::save() {
    QString savedID;
    const ClassificationViewModel::RuleFieldErrors errors = model_.saveRule(draft(), editingID_, &savedID);
    showsErrors_ = !errors.isEmpty();
    setNotice(nameError_, errors.name);
    setNotice(valueError_, errors.conditionValue);
    setNotice(resultError_, errors.resultClassification);
    setNotice(saveError_, errors.general);
    if (savedID.isEmpty()) return;
    editingID_ = savedID;
    refresh();
}

void ClassificationRulesPage::showErrors() {
    const ClassificationViewModel::RuleFieldErrors errors = model_.validate(draft());
    setNotice(nameError_, errors.name);
    setNotice(valueError_, errors.conditionValue);
    setNotice(resultError_, errors.resultClassification);
}

void ClassificationRulesPage::updateButtons() {
    const int row = list_->currentRow();
    const bool hasRule = !selectedRuleID().isEmpty();
    deleteRule_->setEnabled(hasRule);
    moveUp_->setEnabled(hasRule && row > 0);
    moveDown_->setEnabled(hasRule && row + 1 < list_->count());
}

void ClassificationRulesPage::updateEditorTitle() {
    const Localizer& text = model_.localizer();
    QString editing;
    for (const auto& rule : model_.rules()) {
        if (editingID_ == rule.id) editing = rule.name;
    }
    editorTitle_->setText(editing.isEmpty() ? text.text(TextKey::classificationRuleEditorNew)
                                            : text.text(TextKey::classificationRuleEditorEdit, {editing}));
}

void ClassificationRulesPage::refresh() {
    const Localizer& text = model_.localizer();
    title_->setText(text.text(TextKey::classificationRulesSection));
    description_->setText(text.text(TextKey::classificationRulesDescription));
    setNotice(unreadable_, model_.unreadableRulesNotice());
    list_->setAccessibleName(text.text(TextKey::classificationRuleList));
    {
        const QSignalBlocker blocker(list_);
        list_->clear();
        for (const ClipboardUserClassificationRule& rule : model_.rules()) {
            auto* item = new QListWidgetItem(
                text.text(TextKey::classificationRuleRow, {rule.name, model_.summary(rule), rule.resultClassification}), list_);
            item->setData(Qt::UserRole, rule.id);
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(rule.isEnabled ? Qt::Checked : Qt::Unchecked);
            if (editingID_ == rule.id) list_->setCurrentItem(item);
        }
        if (list_->count() == 0) {
            auto* empty = new QListWidgetItem(text.text(TextKey::classificationRulesEmpty), list_);
            empty->setFlags(Qt::NoItemFlags);
        }
    }
    auto bindButton = [](QPushButton* button, const QString& title) {
        button->setText(title);
        button->setAccessibleName(title);
    };
    bindButton(newRule_, text.text(TextKey::classificationNewRule));
    bindButton(deleteRule_, text.text(TextKey::classificationDeleteRule));
    bindButton(moveUp_, text.text(TextKey::classificationMoveRuleUp));
    bindButton(moveDown_, text.text(TextKey::classificationMoveRuleDown));
    updateButtons();

    updateEditorTitle();
    auto bindField = [](QLabel* label, QWidget* field, const QString& title) {
        label->setText(title);
        field->setAccessibleName(title);
    };
    bindField(nameLabel_, name_, text.text(TextKey::classificationRuleName));
    bindField(kindLabel_, kind_, text.text(TextKey::classificationRuleCondition));
    bindField(valueLabel_, value_, text.text(TextKey::classificationRuleValue));
    systemValue_->setAccessibleName(text.text(TextKey::classificationRuleSystemValue));
    bindField(resultLabel_, result_, text.text(TextKey::classificationRuleResult));
    for (int index = 0; index < kind_->count(); ++index) {
        kind_->setItemText(index, text.text(kindTitle(clipboardUserClassificationConditionKindCases[static_cast<std::size_t>(index)].value)));
    }
    const auto& definitions = systemClassificationDefinitions();
    for (int index = 0; index < systemValue_->count(); ++index) {
        systemValue_->setItemText(index, text.text(definitions[static_cast<std::size_t>(index)].displayNameKey));
    }
    bindCheckBox(enabled_, text.text(TextKey::classificationRuleEnabled), enabled_->isChecked());
    bindButton(save_, text.text(TextKey::classificationSaveRule));
    // Messages already shown follow the language too.
    if (showsErrors_) showErrors();
}

} // namespace quellpad
