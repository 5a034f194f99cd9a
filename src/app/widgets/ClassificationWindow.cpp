#include "app/widgets/ClassificationWindow.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QScrollArea>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/ClassificationViewModel.h"
#include "app/widgets/ClassificationRulesPage.h"
#include "app/widgets/ClassificationTestPage.h"
#include "app/widgets/SettingsPageParts.h"
#include "localization/Localizer.h"

namespace quellpad {

using namespace SettingsPageParts;

namespace {

constexpr ClipboardSystemClassificationGroup groups[] = {ClipboardSystemClassificationGroup::general,
                                                         ClipboardSystemClassificationGroup::developer};

} // namespace

ClassificationWindow::ClassificationWindow(ClassificationViewModel& model, QWidget* parent)
    : QWidget(parent), model_(model) {
    setWindowFlag(Qt::Window);
    setObjectName(QStringLiteral("classificationWindow"));
    resize(680, 560);

    tabs_ = new QTabWidget(this);
    rules_ = new ClassificationRulesPage(model_, tabs_);
    test_ = new ClassificationTestPage(model_, tabs_);
    tabs_->addTab(makeDetectorsPage(), QString());
    tabs_->addTab(rules_, QString());
    tabs_->addTab(test_, QString());
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);

    connect(&model_, &ClassificationViewModel::changed, this, &ClassificationWindow::refresh);
    refresh();
}

QWidget* ClassificationWindow::makeDetectorsPage() {
    auto* scroll = new QScrollArea(tabs_);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto* page = new QWidget(scroll);
    auto* layout = new QVBoxLayout(page);
    storeError_ = addNotice(layout, page);
    systemTitle_ = addSectionTitle(layout, page);
    systemDescription_ = addDescription(layout, page);
    const auto& definitions = systemClassificationDefinitions();
    systemSwitches_.resize(definitions.size());
    systemSummaries_.resize(definitions.size());
    // Grouped as the user thinks of them; each switch keeps its definition-order slot.
    for (const ClipboardSystemClassificationGroup group : groups) {
        groupTitles_.push_back(addSectionTitle(layout, page));
        for (std::size_t index = 0; index < definitions.size(); ++index) {
            if (definitions[index].group != group) continue;
            auto* box = new QCheckBox(page);
            layout->addWidget(box);
            systemSwitches_[index] = box;
            systemSummaries_[index] = addDescription(layout, page);
            systemSummaries_[index]->setContentsMargins(22, 0, 0, 2);
            const ClipboardSystemClassification classification = definitions[index].id;
            connect(box, &QCheckBox::toggled, this, [this, classification](bool on) { model_.setEnabled(classification, on); });
        }
    }
    typesTitle_ = addSectionTitle(layout, page);
    typesDescription_ = addDescription(layout, page);
    for (const ClipboardMainContentTypeDefinition& type : mainContentTypeDefinitions()) {
        auto* box = new QCheckBox(page);
        layout->addWidget(box);
        typeSwitches_.push_back(box);
        const ClipboardMainContentType id = type.id;
        connect(box, &QCheckBox::toggled, this, [this, id](bool on) { model_.setEnabled(id, on); });
    }
    layout->addStretch();
    scroll->setWidget(page);
    return scroll;
}

void ClassificationWindow::present() {
    show();
    raise();
    activateWindow();
}

void ClassificationWindow::showPage(Page page) { tabs_->setCurrentIndex(static_cast<int>(page)); }

QStringList ClassificationWindow::pageNames() const {
    QStringList names;
    for (int index = 0; index < tabs_->count(); ++index) names << tabs_->tabText(index);
    return names;
}

void ClassificationWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void ClassificationWindow::refresh() {
    const Localizer& text = model_.localizer();
    setWindowTitle(text.text(TextKey::classificationWindowTitle));
    setAccessibleName(windowTitle());
    tabs_->setAccessibleName(text.text(TextKey::classificationTabList));
    tabs_->setTabText(0, text.text(TextKey::classificationTabDetectors));
    tabs_->setTabText(1, text.text(TextKey::classificationTabRules));
    tabs_->setTabText(2, text.text(TextKey::classificationTabTest));
    tabs_->widget(0)->setAccessibleName(tabs_->tabText(0));

    setNotice(storeError_, model_.storeError());
    systemTitle_->setText(text.text(TextKey::classificationSystemSection));
    systemDescription_->setText(text.text(TextKey::classificationSystemDescription));
    groupTitles_[0]->setText(text.text(TextKey::classificationGroupGeneral));
    groupTitles_[1]->setText(text.text(TextKey::classificationGroupDeveloper));
    const auto& definitions = systemClassificationDefinitions();
    for (std::size_t index = 0; index < definitions.size(); ++index) {
        bindCheckBox(systemSwitches_[index], text.text(definitions[index].displayNameKey), model_.isEnabled(definitions[index].id));
        systemSwitches_[index]->setAccessibleDescription(text.text(definitions[index].summaryKey));
        systemSummaries_[index]->setText(text.text(definitions[index].summaryKey));
    }
    typesTitle_->setText(text.text(TextKey::classificationMainTypesSection));
    typesDescription_->setText(text.text(TextKey::classificationMainTypesDescription));
    const auto& types = mainContentTypeDefinitions();
    for (std::size_t index = 0; index < types.size(); ++index) {
        bindCheckBox(typeSwitches_[index], text.text(types[index].displayNameKey), model_.isEnabled(types[index].id));
        typeSwitches_[index]->setAccessibleDescription(text.text(types[index].summaryKey));
    }
    rules_->refresh();
    test_->refresh();
}

} // namespace quellpad
