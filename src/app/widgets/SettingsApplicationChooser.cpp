#include "app/widgets/SettingsApplicationChooser.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/AppFilterSettingsViewModel.h"
#include "app/widgets/SettingsAppFilterPage.h"
#include "localization/Localizer.h"

namespace quellpad {

SettingsApplicationChooser::SettingsApplicationChooser(AppFilterSettingsViewModel& model, QWidget* parent)
    : QDialog(parent), model_(model) {
    setObjectName(QStringLiteral("applicationChooser"));
    resize(420, 420);
    auto* layout = new QVBoxLayout(this);
    search_ = new QLineEdit(this);
    search_->setClearButtonEnabled(true);
    layout->addWidget(search_);
    applications_ = new QListWidget(this);
    applications_->setIconSize(QSize(24, 24));
    applications_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    layout->addWidget(applications_, 1);
    empty_ = new QLabel(this);
    empty_->hide();
    layout->addWidget(empty_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    cancel_ = new QPushButton(this);
    add_ = new QPushButton(this);
    add_->setDefault(true);
    buttons->addWidget(cancel_);
    buttons->addWidget(add_);
    layout->addLayout(buttons);

    connect(search_, &QLineEdit::textChanged, this, &SettingsApplicationChooser::fill);
    connect(applications_, &QListWidget::itemSelectionChanged, this,
            [this] { add_->setEnabled(!applications_->selectedItems().isEmpty()); });
    connect(applications_, &QListWidget::itemActivated, this, [this] { add_->click(); });
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(add_, &QPushButton::clicked, this, [this] {
        for (QListWidgetItem* item : applications_->selectedItems()) {
            model_.addIgnoredApp(item->data(Qt::UserRole).toString());
        }
        accept();
    });
    refresh();
}

void SettingsApplicationChooser::refresh() {
    const Localizer& text = model_.localizer();
    setWindowTitle(text.text(TextKey::settingsChooseApplicationTitle));
    setAccessibleName(windowTitle());
    search_->setPlaceholderText(text.text(TextKey::settingsSearchApplications));
    search_->setAccessibleName(search_->placeholderText());
    applications_->setAccessibleName(text.text(TextKey::settingsInstalledApplications));
    empty_->setText(text.text(TextKey::settingsNoMatchingApplications));
    add_->setText(text.text(TextKey::settingsAddIgnoredApp));
    add_->setAccessibleName(add_->text());
    cancel_->setText(text.text(TextKey::cancel));
    cancel_->setAccessibleName(cancel_->text());
    fill();
}

void SettingsApplicationChooser::fill() {
    QStringList selected;
    for (const QListWidgetItem* item : applications_->selectedItems()) selected << item->data(Qt::UserRole).toString();
    applications_->clear();
    for (const AppFilterSettingsViewModel::Entry& entry : model_.addableApplications(search_->text())) {
        auto* item = new QListWidgetItem(SettingsAppFilterPage::applicationIcon(entry.iconName), entry.name, applications_);
        item->setData(Qt::UserRole, entry.identifier);
        item->setToolTip(entry.identifier);
        item->setSelected(selected.contains(entry.identifier));
    }
    empty_->setVisible(applications_->count() == 0);
    add_->setEnabled(!applications_->selectedItems().isEmpty());
}

} // namespace quellpad
