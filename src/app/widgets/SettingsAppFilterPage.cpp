#include "app/widgets/SettingsAppFilterPage.h"

#include <QDir>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "app/AppFilterSettingsViewModel.h"
#include "app/widgets/SettingsApplicationChooser.h"
#include "app/widgets/SettingsPageParts.h"
#include "localization/Localizer.h"

namespace quellpad {

using namespace SettingsPageParts;

SettingsAppFilterPage::SettingsAppFilterPage(AppFilterSettingsViewModel& model, QWidget* parent)
    : QWidget(parent), model_(model) {
    auto* layout = new QVBoxLayout(this);
    title_ = addSectionTitle(layout, this);
    description_ = addDescription(layout, this);
    sessionNotice_ = addNotice(layout, this);
    ignored_ = new QListWidget(this);
    ignored_->setIconSize(QSize(24, 24));
    layout->addWidget(ignored_, 1);
    auto* buttons = new QHBoxLayout;
    add_ = new QPushButton(this);
    remove_ = new QPushButton(this);
    buttons->addWidget(add_);
    buttons->addWidget(remove_);
    buttons->addStretch();
    layout->addLayout(buttons);

    connect(ignored_, &QListWidget::currentRowChanged, this,
            [this](int row) { remove_->setEnabled(row >= 0 && ignored_->item(row)->flags() != Qt::NoItemFlags); });
    connect(remove_, &QPushButton::clicked, this, [this] {
        if (QListWidgetItem* item = ignored_->currentItem()) model_.removeIgnoredApp(item->data(Qt::UserRole).toString());
    });
    connect(add_, &QPushButton::clicked, this, &SettingsAppFilterPage::openChooser);
    connect(&model_, &AppFilterSettingsViewModel::changed, this, &SettingsAppFilterPage::refresh);
    refresh();
}

QIcon SettingsAppFilterPage::applicationIcon(const QString& iconName) {
    const QIcon fallback = QIcon::fromTheme(QStringLiteral("application-x-executable"));
    if (iconName.isEmpty()) return fallback;
    if (QDir::isAbsolutePath(iconName)) {
        const QIcon icon(iconName);
        return icon.isNull() ? fallback : icon;
    }
    return QIcon::fromTheme(iconName, fallback);
}

void SettingsAppFilterPage::openChooser() {
    if (!chooser_) {
        chooser_ = new SettingsApplicationChooser(model_, this);
        chooser_->setAttribute(Qt::WA_DeleteOnClose);
    }
    chooser_->refresh();
    // Window-modal without blocking: the page keeps following changes meanwhile.
    chooser_->open();
}

void SettingsAppFilterPage::refresh() {
    const Localizer& text = model_.localizer();
    title_->setText(text.text(TextKey::settingsIgnoredAppsSection));
    description_->setText(text.text(TextKey::settingsIgnoredAppsDescription));
    setNotice(sessionNotice_, model_.sessionNotice());
    ignored_->setAccessibleName(text.text(TextKey::settingsIgnoredAppsSection));
    {
        const QSignalBlocker blocker(ignored_);
        const QString selected = ignored_->currentItem() ? ignored_->currentItem()->data(Qt::UserRole).toString() : QString();
        ignored_->clear();
        for (const AppFilterSettingsViewModel::Entry& entry : model_.ignoredApplications()) {
            const QString shown = entry.isInstalled ? entry.name : text.text(TextKey::settingsNotInstalled, {entry.identifier});
            auto* item = new QListWidgetItem(applicationIcon(entry.iconName), shown, ignored_);
            item->setData(Qt::UserRole, entry.identifier);
            item->setToolTip(entry.identifier);
            if (entry.identifier == selected) ignored_->setCurrentItem(item);
        }
        if (ignored_->count() == 0) {
            auto* empty = new QListWidgetItem(text.text(TextKey::settingsIgnoredAppsEmpty), ignored_);
            empty->setFlags(Qt::NoItemFlags);
        }
    }
    remove_->setEnabled(ignored_->currentItem() != nullptr && ignored_->currentItem()->flags() != Qt::NoItemFlags);
    remove_->setText(text.text(TextKey::settingsRemoveIgnoredApp));
    remove_->setAccessibleName(remove_->text());
    add_->setText(text.text(TextKey::settingsAddIgnoredAppButton));
    add_->setAccessibleName(add_->text());
    if (chooser_) chooser_->refresh();
}

} // namespace quellpad
