#include "app/widgets/SettingsAppFilterPage.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "app/SettingsViewModel.h"
#include "app/widgets/SettingsPageParts.h"
#include "localization/Localizer.h"

namespace quellpad {

using namespace SettingsPageParts;

SettingsAppFilterPage::SettingsAppFilterPage(SettingsViewModel& model, QWidget* parent)
    : QWidget(parent), model_(model) {
    auto* layout = new QVBoxLayout(this);
    title_ = addSectionTitle(layout, this);
    description_ = addDescription(layout, this);
    ignored_ = new QListWidget(this);
    layout->addWidget(ignored_, 1);
    auto* removeRow = new QHBoxLayout;
    remove_ = new QPushButton(this);
    removeRow->addStretch();
    removeRow->addWidget(remove_);
    layout->addLayout(removeRow);

    auto* addRow = new QHBoxLayout;
    installedLabel_ = new QLabel(this);
    installed_ = new QComboBox(this);
    installed_->setMinimumContentsLength(24);
    installed_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    installedLabel_->setBuddy(installed_);
    add_ = new QPushButton(this);
    addRow->addWidget(installedLabel_);
    addRow->addWidget(installed_, 1);
    addRow->addWidget(add_);
    layout->addLayout(addRow);

    connect(ignored_, &QListWidget::currentRowChanged, this,
            [this](int row) { remove_->setEnabled(row >= 0 && ignored_->item(row)->flags() != Qt::NoItemFlags); });
    connect(remove_, &QPushButton::clicked, this, [this] {
        if (QListWidgetItem* item = ignored_->currentItem()) model_.removeIgnoredApp(item->data(Qt::UserRole).toString());
    });
    connect(add_, &QPushButton::clicked, this, [this] {
        const QString identifier = installed_->currentData().toString();
        if (!identifier.isEmpty()) model_.addIgnoredApp(identifier);
    });
    refresh();
}

void SettingsAppFilterPage::refresh() {
    const Localizer& text = model_.localizer();
    title_->setText(text.text(TextKey::settingsIgnoredAppsSection));
    description_->setText(text.text(TextKey::settingsIgnoredAppsDescription));
    ignored_->setAccessibleName(text.text(TextKey::settingsIgnoredAppsSection));
    {
        const QSignalBlocker blocker(ignored_);
        const QString selected = ignored_->currentItem() ? ignored_->currentItem()->data(Qt::UserRole).toString() : QString();
        ignored_->clear();
        for (const QString& identifier : model_.ignoredApps()) {
            auto* item = new QListWidgetItem(identifier, ignored_);
            item->setData(Qt::UserRole, identifier);
            if (identifier == selected) ignored_->setCurrentItem(item);
        }
        if (ignored_->count() == 0) {
            auto* empty = new QListWidgetItem(text.text(TextKey::settingsIgnoredAppsEmpty), ignored_);
            empty->setFlags(Qt::NoItemFlags);
        }
    }
    remove_->setEnabled(ignored_->currentItem() != nullptr);
    remove_->setText(text.text(TextKey::settingsRemoveIgnoredApp));
    remove_->setAccessibleName(remove_->text());

    installedLabel_->setText(text.text(TextKey::settingsInstalledApplications));
    installed_->setAccessibleName(text.text(TextKey::settingsInstalledApplications));
    {
        const QSignalBlocker blocker(installed_);
        installed_->clear();
        for (const auto& [identifier, name] : model_.addableApplications()) {
            installed_->addItem(name == identifier ? name : QStringLiteral("%1 (%2)").arg(name, identifier), identifier);
        }
    }
    add_->setEnabled(installed_->count() > 0);
    add_->setText(text.text(TextKey::settingsAddIgnoredApp));
    add_->setAccessibleName(add_->text());
}

} // namespace quellpad
