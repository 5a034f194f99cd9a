#include "app/widgets/SettingsWindow.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QListWidget>
#include <QListWidgetItem>
#include <QStackedWidget>

#include "app/SettingsViewModel.h"
#include "app/widgets/SettingsAdvancedPage.h"
#include "app/widgets/SettingsAppFilterPage.h"
#include "app/widgets/SettingsGeneralPage.h"
#include "app/widgets/SettingsStoragePage.h"
#include "localization/Localizer.h"

namespace quellpad {

namespace {

constexpr TextKey pageTitles[] = {TextKey::settingsPageGeneral, TextKey::settingsPageStorage,
                                  TextKey::settingsPageAppFilter, TextKey::settingsPageAdvanced};

} // namespace

SettingsWindow::SettingsWindow(SettingsViewModel& model, const SettingsPageModels& pageModels, QWidget* parent)
    : QWidget(parent), model_(model) {
    setWindowFlag(Qt::Window);
    setObjectName(QStringLiteral("settingsWindow"));
    resize(700, 600);

    pages_ = new QListWidget(this);
    pages_->setFixedWidth(150);
    // Room around each name, so the list reads as a set of tabs, not a cramped table. (Not a
    // style sheet: it would keep the list in the palette it was built with.)
    for ([[maybe_unused]] TextKey title : pageTitles) {
        auto* item = new QListWidgetItem(pages_);
        item->setSizeHint(QSize(0, pages_->fontMetrics().height() + 12));
    }
    stack_ = new QStackedWidget(this);
    general_ = new SettingsGeneralPage(model_, stack_);
    storage_ = new SettingsStoragePage(pageModels.storage, stack_);
    appFilter_ = new SettingsAppFilterPage(pageModels.appFilter, stack_);
    advanced_ = new SettingsAdvancedPage(pageModels.advanced, stack_);
    for (QWidget* page : {static_cast<QWidget*>(general_), static_cast<QWidget*>(storage_),
                          static_cast<QWidget*>(appFilter_), static_cast<QWidget*>(advanced_)}) {
        stack_->addWidget(page);
    }
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(pages_);
    layout->addWidget(stack_, 1);

    connect(pages_, &QListWidget::currentRowChanged, stack_, &QStackedWidget::setCurrentIndex);
    connect(&model_, &SettingsViewModel::changed, this, &SettingsWindow::refresh);
    pages_->setCurrentRow(0);
    refresh();
}

void SettingsWindow::present(std::optional<Page> page) {
    if (page) showPage(*page);
    show();
    raise();
    activateWindow();
}

void SettingsWindow::showPage(Page page) { pages_->setCurrentRow(static_cast<int>(page)); }

QStringList SettingsWindow::pageNames() const {
    QStringList names;
    for (int row = 0; row < pages_->count(); ++row) names << pages_->item(row)->text();
    return names;
}

void SettingsWindow::showEvent(QShowEvent* event) {
    // The accessibility bus and the autostart entry change outside the defaults.
    refresh();
    QWidget::showEvent(event);
}

void SettingsWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void SettingsWindow::refresh() {
    const Localizer& text = model_.localizer();
    setWindowTitle(text.text(TextKey::settingsWindowTitle));
    setAccessibleName(windowTitle());
    pages_->setAccessibleName(text.text(TextKey::settingsPageList));
    for (int row = 0; row < pages_->count(); ++row) {
        pages_->item(row)->setText(text.text(pageTitles[row]));
    }
    general_->refresh();
    storage_->refresh();
    appFilter_->refresh();
    advanced_->refresh();
}

} // namespace quellpad
