#include "app/widgets/SettingsAdvancedPage.h"

#include <QVBoxLayout>

#include "app/SettingsViewModel.h"
#include "app/widgets/SettingsPageParts.h"
#include "localization/Localizer.h"

namespace quellpad {

using namespace SettingsPageParts;

SettingsAdvancedPage::SettingsAdvancedPage(SettingsViewModel& model, QWidget* parent) : QWidget(parent), model_(model) {
    auto* layout = new QVBoxLayout(this);
    searchTitle_ = addSectionTitle(layout, this);
    pinyin_ = new QCheckBox(this);
    layout->addWidget(pinyin_);
    accessibilityTitle_ = addSectionTitle(layout, this);
    accessibilityStatus_ = new QLabel(this);
    accessibilityStatus_->setWordWrap(true);
    accessibilityStatus_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(accessibilityStatus_);
    layout->addStretch();
    connect(pinyin_, &QCheckBox::toggled, this, [this](bool on) { model_.setPinyinIndexEnabled(on); });
    refresh();
}

void SettingsAdvancedPage::refresh() {
    const Localizer& text = model_.localizer();
    searchTitle_->setText(text.text(TextKey::settingsSearchSection));
    bindCheckBox(pinyin_, text.text(TextKey::settingsPinyinIndex), model_.pinyinIndexEnabled());
    accessibilityTitle_->setText(text.text(TextKey::settingsAccessibilitySection));
    accessibilityStatus_->setText(model_.accessibilityStatusLine());
    accessibilityStatus_->setAccessibleName(accessibilityStatus_->text());
}

} // namespace quellpad
