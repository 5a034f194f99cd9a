#include "app/widgets/SettingsAdvancedPage.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "app/AdvancedSettingsViewModel.h"
#include "app/widgets/SettingsPageParts.h"
#include "localization/Localizer.h"

namespace quellpad {

using namespace SettingsPageParts;

SettingsAdvancedPage::SettingsAdvancedPage(AdvancedSettingsViewModel& model, QWidget* parent)
    : QWidget(parent), model_(model) {
    auto* layout = new QVBoxLayout(this);
    searchTitle_ = addSectionTitle(layout, this);
    pinyin_ = new QCheckBox(this);
    layout->addWidget(pinyin_);
    pinyinDescription_ = addDescription(layout, this);
    auto* rebuildRow = new QHBoxLayout;
    rebuild_ = new QPushButton(this);
    rebuildProgress_ = new QProgressBar(this);
    rebuildProgress_->setTextVisible(false);
    rebuildRow->addWidget(rebuild_);
    rebuildRow->addWidget(rebuildProgress_, 1);
    rebuildRow->addStretch(); // keeps the button its size while no bar shows
    layout->addLayout(rebuildRow);
    rebuildStatus_ = new QLabel(this);
    rebuildStatus_->setWordWrap(true);
    layout->addWidget(rebuildStatus_);

    ocrTitle_ = addSectionTitle(layout, this);
    ocrEnabled_ = new QCheckBox(this);
    layout->addWidget(ocrEnabled_);
    auto* ocrGrid = new QGridLayout;
    ocrModeLabel_ = new QLabel(this);
    ocrMode_ = new QComboBox(this);
    ocrMode_->addItem(QString());
    ocrMode_->addItem(QString());
    ocrModeLabel_->setBuddy(ocrMode_);
    ocrLanguageLabel_ = new QLabel(this);
    ocrLanguage_ = new QComboBox(this);
    for ([[maybe_unused]] ClipboardOCRLanguage language : AdvancedSettingsViewModel::ocrLanguages()) {
        ocrLanguage_->addItem(QString());
    }
    ocrLanguageLabel_->setBuddy(ocrLanguage_);
    ocrGrid->addWidget(ocrModeLabel_, 0, 0);
    ocrGrid->addWidget(ocrMode_, 0, 1);
    ocrGrid->addWidget(ocrLanguageLabel_, 1, 0);
    ocrGrid->addWidget(ocrLanguage_, 1, 1);
    ocrGrid->setColumnStretch(2, 1);
    layout->addLayout(ocrGrid);
    ocrDescription_ = addDescription(layout, this);
    ocrNotice_ = addNotice(layout, this);

    accessibilityTitle_ = addSectionTitle(layout, this);
    auto* accessibilityRow = new QHBoxLayout;
    accessibilityStatus_ = new QLabel(this);
    accessibilityStatus_->setWordWrap(true);
    accessibilityStatus_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    requestAccessibility_ = new QPushButton(this);
    accessibilityRow->addWidget(accessibilityStatus_, 1);
    accessibilityRow->addWidget(requestAccessibility_, 0, Qt::AlignTop);
    layout->addLayout(accessibilityRow);

    panelTitle_ = addSectionTitle(layout, this);
    auto* panelRow = new QHBoxLayout;
    panelPosition_ = new QLabel(this);
    panelPosition_->setWordWrap(true);
    resetPanelPosition_ = new QPushButton(this);
    panelRow->addWidget(panelPosition_, 1);
    panelRow->addWidget(resetPanelPosition_);
    layout->addLayout(panelRow);
    layout->addStretch();

    connect(pinyin_, &QCheckBox::toggled, this, [this](bool on) { model_.setPinyinIndexEnabled(on); });
    connect(rebuild_, &QPushButton::clicked, this, [this] { model_.rebuildIndex(); });
    connect(ocrEnabled_, &QCheckBox::toggled, this, [this](bool on) { model_.setImageOCREnabled(on); });
    connect(ocrMode_, &QComboBox::activated, this, [this](int index) {
        model_.setOCRLanguageMode(index == 0 ? ClipboardOCRLanguageMode::specified : ClipboardOCRLanguageMode::automatic);
    });
    connect(ocrLanguage_, &QComboBox::activated, this,
            [this](int index) { model_.setOCRLanguage(AdvancedSettingsViewModel::ocrLanguages().at(index)); });
    connect(requestAccessibility_, &QPushButton::clicked, this, [this] { model_.requestAccessibility(); });
    connect(resetPanelPosition_, &QPushButton::clicked, this, [this] { model_.resetPanelPosition(); });
    connect(&model_, &AdvancedSettingsViewModel::changed, this, &SettingsAdvancedPage::refresh);
    refresh();
}

void SettingsAdvancedPage::refresh() {
    const Localizer& text = model_.localizer();
    searchTitle_->setText(text.text(TextKey::settingsSearchSection));
    bindCheckBox(pinyin_, text.text(TextKey::settingsPinyinIndex), model_.pinyinIndexEnabled());
    pinyinDescription_->setText(text.text(TextKey::settingsPinyinDescription));
    rebuild_->setText(text.text(TextKey::settingsRebuildIndex));
    rebuild_->setAccessibleName(rebuild_->text());
    // Stays clickable while running (a second click does nothing) so focus is not lost.
    rebuildProgress_->setAccessibleName(text.text(TextKey::settingsRebuildStarting));
    rebuildProgress_->setVisible(model_.isRebuilding());
    if (model_.isRebuilding() && model_.rebuildTotal() > 0) {
        rebuildProgress_->setRange(0, 1000);
        rebuildProgress_->setValue(static_cast<int>(model_.rebuildDone() * 1000 / model_.rebuildTotal()));
    } else {
        rebuildProgress_->setRange(0, model_.isRebuilding() ? 0 : 1);
    }
    const QString status = model_.rebuildStatusLine();
    QPalette palette = rebuildStatus_->palette();
    palette.setColor(QPalette::WindowText, model_.lastRebuildFailed() ? QColor(0xc2, 0x5b, 0x00)
                                                                      : this->palette().color(QPalette::WindowText));
    rebuildStatus_->setPalette(palette);
    rebuildStatus_->setText(status);
    rebuildStatus_->setAccessibleName(status);
    rebuildStatus_->setVisible(!status.isEmpty());

    ocrTitle_->setText(text.text(TextKey::settingsOcrSection));
    bindCheckBox(ocrEnabled_, text.text(TextKey::settingsOcrEnabled), model_.imageOCREnabled());
    const ClipboardOCRConfiguration configuration = model_.ocrConfiguration();
    ocrModeLabel_->setText(text.text(TextKey::settingsOcrModeLabel));
    ocrMode_->setAccessibleName(ocrModeLabel_->text());
    ocrLanguageLabel_->setText(text.text(TextKey::settingsOcrLanguageLabel));
    ocrLanguage_->setAccessibleName(ocrLanguageLabel_->text());
    {
        const QSignalBlocker modeBlocker(ocrMode_);
        ocrMode_->setItemText(0, text.text(TextKey::ocrModeSpecifiedLanguage));
        ocrMode_->setItemText(1, text.text(TextKey::ocrModeAutomatic));
        ocrMode_->setCurrentIndex(configuration.mode == ClipboardOCRLanguageMode::automatic ? 1 : 0);
        const QSignalBlocker languageBlocker(ocrLanguage_);
        const QList<ClipboardOCRLanguage> languages = AdvancedSettingsViewModel::ocrLanguages();
        for (int index = 0; index < languages.size(); ++index) {
            const QString name = text.text(AdvancedSettingsViewModel::displayNameKey(languages.at(index)));
            ocrLanguage_->setItemText(index, model_.isRecognitionLanguageInstalled(languages.at(index))
                                                 ? name
                                                 : text.text(TextKey::settingsNotInstalled, {name}));
            if (languages.at(index) == configuration.language) ocrLanguage_->setCurrentIndex(index);
        }
    }
    const bool ocrOn = model_.imageOCREnabled();
    ocrMode_->setEnabled(ocrOn);
    ocrLanguage_->setEnabled(ocrOn && configuration.mode == ClipboardOCRLanguageMode::specified);
    ocrDescription_->setText(text.text(TextKey::settingsOcrDescription));
    setNotice(ocrNotice_, ocrOn ? model_.recognitionNotice() : QString());

    accessibilityTitle_->setText(text.text(TextKey::settingsAccessibilitySection));
    accessibilityStatus_->setText(model_.accessibilityStatusLine());
    accessibilityStatus_->setAccessibleName(accessibilityStatus_->text());
    requestAccessibility_->setText(text.text(TextKey::settingsAccessibilityRequest));
    requestAccessibility_->setAccessibleName(requestAccessibility_->text());
    requestAccessibility_->setVisible(model_.canRequestAccessibility());

    panelTitle_->setText(text.text(TextKey::settingsPanelSection));
    panelPosition_->setText(text.text(model_.hasSavedPanelPosition() ? TextKey::settingsPanelPositionSaved
                                                                     : TextKey::settingsPanelPositionDefault));
    panelPosition_->setAccessibleName(panelPosition_->text());
    resetPanelPosition_->setText(text.text(TextKey::settingsResetPanelPosition));
    resetPanelPosition_->setAccessibleName(resetPanelPosition_->text());
    resetPanelPosition_->setEnabled(model_.hasSavedPanelPosition());
}

} // namespace quellpad
