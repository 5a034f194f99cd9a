#include "app/widgets/ClassificationTestPage.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "app/ClassificationViewModel.h"
#include "app/widgets/SettingsPageParts.h"
#include "localization/Localizer.h"

namespace quellpad {

using namespace SettingsPageParts;

ClassificationTestPage::ClassificationTestPage(ClassificationViewModel& model, QWidget* parent)
    : QWidget(parent), model_(model) {
    auto* layout = new QVBoxLayout(this);
    title_ = addSectionTitle(layout, this);
    input_ = new QPlainTextEdit(this);
    input_->setTabChangesFocus(true);
    title_->setBuddy(input_);
    layout->addWidget(input_, 1);
    pending_ = addDescription(layout, this);
    system_ = new QLabel(this);
    user_ = new QLabel(this);
    primary_ = new QLabel(this);
    for (QLabel* line : {system_, user_, primary_}) {
        line->setWordWrap(true);
        line->setTextInteractionFlags(Qt::TextSelectableByMouse);
        layout->addWidget(line);
    }
    QFont bold = primary_->font();
    bold.setBold(true);
    primary_->setFont(bold);

    connect(input_, &QPlainTextEdit::textChanged, this, [this] {
        model_.setTestText(input_->toPlainText());
        refresh();
    });
    connect(&model_, &ClassificationViewModel::testResultChanged, this, &ClassificationTestPage::refresh);
    refresh();
}

void ClassificationTestPage::refresh() {
    const Localizer& text = model_.localizer();
    title_->setText(text.text(TextKey::classificationTestInput));
    input_->setAccessibleName(text.text(TextKey::classificationTestInput));
    input_->setPlaceholderText(text.text(TextKey::classificationTestPlaceholder));
    pending_->setText(model_.isTestPending() ? text.text(TextKey::classificationTestPending) : QString());
    const QStringList lines = model_.testResultLines();
    QLabel* labels[] = {system_, user_, primary_};
    for (int index = 0; index < 3; ++index) {
        const QString line = lines.value(index);
        labels[index]->setText(line);
        labels[index]->setAccessibleName(line);
        labels[index]->setVisible(!line.isEmpty());
    }
}

} // namespace quellpad
