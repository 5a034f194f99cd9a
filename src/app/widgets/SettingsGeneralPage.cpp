#include "app/widgets/SettingsGeneralPage.h"

#include <QComboBox>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "app/SettingsViewModel.h"
#include "app/widgets/SettingsPageParts.h"
#include "localization/Localizer.h"

namespace quellpad {

using namespace SettingsPageParts;

SettingsGeneralPage::SettingsGeneralPage(SettingsViewModel& model, QWidget* parent) : QWidget(parent), model_(model) {
    auto* layout = new QVBoxLayout(this);
    languageTitle_ = addSectionTitle(layout, this);
    language_ = new QComboBox(this);
    // Each language is named in itself, so it can be found whatever is shown now.
    language_->addItem(Localizer::text(AppLanguage::english, TextKey::languageEnglish), rawValue(AppLanguage::english));
    language_->addItem(Localizer::text(AppLanguage::english, TextKey::languageSimplifiedChinese),
                       rawValue(AppLanguage::simplifiedChinese));
    language_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    layout->addWidget(language_, 0, Qt::AlignLeft);
    languageTitle_->setBuddy(language_);

    trayTitle_ = addSectionTitle(layout, this);
    showIcon_ = new QCheckBox(this);
    layout->addWidget(showIcon_);
    showIconDescription_ = addDescription(layout, this);
    trayNotice_ = addNotice(layout, this);

    startupTitle_ = addSectionTitle(layout, this);
    launchAtLogin_ = new QCheckBox(this);
    layout->addWidget(launchAtLogin_);
    launchAtLoginDescription_ = addDescription(layout, this);
    launchAtLoginError_ = addNotice(layout, this);

    directPasteTitle_ = addSectionTitle(layout, this);
    returnAutoPaste_ = new QCheckBox(this);
    layout->addWidget(returnAutoPaste_);
    layout->addStretch();

    connect(language_, &QComboBox::currentIndexChanged, this, [this](int index) {
        model_.setLanguage(index == 1 ? AppLanguage::simplifiedChinese : AppLanguage::english);
    });
    connect(showIcon_, &QCheckBox::toggled, this, [this](bool on) {
        model_.setShowsTrayIcon(on);
        refresh(); // a refused change puts the switch back
    });
    connect(launchAtLogin_, &QCheckBox::toggled, this, [this](bool on) { model_.setLaunchAtLoginEnabled(on); });
    connect(returnAutoPaste_, &QCheckBox::toggled, this, [this](bool on) { model_.setReturnKeyAutoPasteEnabled(on); });
    refresh();
}

void SettingsGeneralPage::refresh() {
    const Localizer& text = model_.localizer();
    const QString displayName = QStringLiteral("Quellpad");
    languageTitle_->setText(text.text(TextKey::settingsLanguage));
    {
        const QSignalBlocker blocker(language_);
        language_->setCurrentIndex(model_.language() == AppLanguage::simplifiedChinese ? 1 : 0);
    }
    language_->setAccessibleName(text.text(TextKey::settingsLanguage));

    trayTitle_->setText(text.text(TextKey::settingsMenuBarSection));
    bindCheckBox(showIcon_, text.text(TextKey::settingsShowIcon), model_.showsTrayIcon());
    showIconDescription_->setText(text.text(TextKey::settingsShowIconDescription));
    setNotice(trayNotice_, model_.trayIconNotice());

    startupTitle_->setText(text.text(TextKey::settingsStartupSection));
    bindCheckBox(launchAtLogin_, text.text(TextKey::settingsLaunchAtLogin), model_.launchAtLoginEnabled());
    launchAtLogin_->setEnabled(model_.launchAtLoginAvailable());
    launchAtLoginDescription_->setText(text.text(TextKey::settingsLaunchAtLoginDescription, {displayName}));
    setNotice(launchAtLoginError_, model_.launchAtLoginError());

    directPasteTitle_->setText(text.text(TextKey::settingsDirectPasteSection));
    bindCheckBox(returnAutoPaste_, text.text(TextKey::settingsReturnAutoPaste), model_.returnKeyAutoPasteEnabled());
}

} // namespace quellpad
