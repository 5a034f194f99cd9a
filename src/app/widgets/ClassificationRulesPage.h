// The user rules in the order they run, with buttons to add, delete and reorder them,
// and the editor of the selected (or a new) rule. Each field's problem shows beside it
// and nothing is stored until the whole draft is valid.
#pragma once

#include <optional>

#include <QString>
#include <QWidget>

#include "classification/ClipboardUserClassificationRule.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QStackedWidget;

namespace quellpad {

class ClassificationViewModel;

class ClassificationRulesPage final : public QWidget {
    Q_OBJECT
public:
    explicit ClassificationRulesPage(ClassificationViewModel& model, QWidget* parent = nullptr);

    void refresh();
    // The rule being edited; nullopt while a new rule is drafted.
    const std::optional<QString>& editingRuleID() const { return editingID_; }

private:
    void loadEditor(const std::optional<ClipboardUserClassificationRule>& rule);
    ClipboardUserClassificationRuleDraft draft() const;
    void save();
    void showErrors();
    QString selectedRuleID() const;
    void updateButtons();
    void updateEditorTitle();

    ClassificationViewModel& model_;
    std::optional<QString> editingID_;
    bool showsErrors_ = false;

    QLabel* title_;
    QLabel* description_;
    QLabel* unreadable_;
    QListWidget* list_;
    QPushButton* newRule_;
    QPushButton* deleteRule_;
    QPushButton* moveUp_;
    QPushButton* moveDown_;

    QLabel* editorTitle_;
    QLabel* nameLabel_;
    QLineEdit* name_;
    QLabel* nameError_;
    QLabel* kindLabel_;
    QComboBox* kind_;
    QLabel* valueLabel_;
    QStackedWidget* valueStack_;
    QLineEdit* value_;
    QComboBox* systemValue_;
    QLabel* valueError_;
    QLabel* resultLabel_;
    QLineEdit* result_;
    QLabel* resultError_;
    QCheckBox* enabled_;
    QPushButton* save_;
    QLabel* saveError_;
};

} // namespace quellpad
