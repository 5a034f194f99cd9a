#include "app/widgets/SettingsGeneralPage.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "app/SettingsViewModel.h"
#include "app/ShortcutSettings.h"
#include "app/widgets/SettingsPageParts.h"
#include "hotkey/widgets/KeyComboRecorderControl.h"
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

    // The floating panel exists only in the direct channel.
    auto* presentationRow = new QHBoxLayout;
    presentationTitle_ = new QLabel(this);
    presentation_ = new QComboBox(this);
    presentation_->addItems({QString(), QString()});
    listStyleTitle_ = new QLabel(this);
    listStyle_ = new QComboBox(this);
    listStyle_->addItems({QString(), QString()});
    presentationTitle_->setBuddy(presentation_);
    listStyleTitle_->setBuddy(listStyle_);
    presentationRow->addWidget(presentationTitle_);
    presentationRow->addWidget(presentation_);
    presentationRow->addSpacing(12);
    presentationRow->addWidget(listStyleTitle_);
    presentationRow->addWidget(listStyle_);
    presentationRow->addStretch();
    layout->addSpacing(6);
    layout->addLayout(presentationRow);
    presentationNotice_ = addNotice(layout, this);
    for (QWidget* widget : {static_cast<QWidget*>(presentationTitle_), static_cast<QWidget*>(presentation_),
                            static_cast<QWidget*>(listStyleTitle_), static_cast<QWidget*>(listStyle_)}) {
        widget->setVisible(model_.offersPresentationChoice());
    }

    hotkeysTitle_ = addSectionTitle(layout, this);
    auto* hotkeyRow = new QHBoxLayout;
    hotkeyLabel_ = new QLabel(this);
    recorder_ = new KeyComboRecorderControl(model_.shortcut().recorder(), model_.localizer(), this);
    resetHotkey_ = new QPushButton(this);
    deleteHotkey_ = new QPushButton(this);
    hotkeyRow->addWidget(hotkeyLabel_);
    hotkeyRow->addWidget(recorder_);
    hotkeyRow->addWidget(resetHotkey_);
    hotkeyRow->addWidget(deleteHotkey_);
    hotkeyRow->addStretch();
    layout->addLayout(hotkeyRow);
    hotkeyError_ = addNotice(layout, this);

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
    connect(presentation_, &QComboBox::currentIndexChanged, this, [this](int index) {
        model_.setPresentationMode(index == 1 ? DirectClipboardPresentationMode::floating
                                              : DirectClipboardPresentationMode::centered);
    });
    connect(listStyle_, &QComboBox::currentIndexChanged, this, [this](int index) {
        model_.setFloatingListStyle(index == 1 ? FloatingClipboardListStyle::compact : FloatingClipboardListStyle::standard);
    });
    connect(resetHotkey_, &QPushButton::clicked, this, [this] { model_.resetShortcutToDefault(); });
    connect(deleteHotkey_, &QPushButton::clicked, this, [this] {
        if (const std::optional<EntryPointGuard::Alert> alert = model_.deleteShortcut()) confirm(*alert);
    });
    connect(showIcon_, &QCheckBox::toggled, this, [this](bool on) {
        const std::optional<EntryPointGuard::Alert> alert = model_.setShowsTrayIcon(on);
        if (alert) {
            // The switch shows what is stored until the alert is answered.
            refresh();
            confirm(*alert);
        }
    });
    connect(launchAtLogin_, &QCheckBox::toggled, this, [this](bool on) { model_.setLaunchAtLoginEnabled(on); });
    connect(returnAutoPaste_, &QCheckBox::toggled, this, [this](bool on) { model_.setReturnKeyAutoPasteEnabled(on); });
    refresh();
}

void SettingsGeneralPage::confirm(EntryPointGuard::Alert alert) {
    const EntryPointGuard::AlertTexts texts = model_.entryPointAlertTexts(alert);
    QWidget* window = this->window();
    const bool sheet = window && window->isVisible();
    auto* box = new QMessageBox(QMessageBox::Warning, texts.message, texts.message, QMessageBox::NoButton,
                                sheet ? window : nullptr);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setInformativeText(texts.informativeText);
    box->setWindowModality(sheet ? Qt::WindowModal : Qt::ApplicationModal);
    box->setAccessibleName(texts.message);
    QPushButton* cancel = box->addButton(texts.cancelTitle, QMessageBox::RejectRole);
    cancel->setAccessibleName(texts.cancelTitle);
    QPushButton* confirmButton = box->addButton(texts.confirmTitle, QMessageBox::AcceptRole);
    confirmButton->setAccessibleName(texts.confirmTitle);
    box->setDefaultButton(cancel);
    connect(box, &QMessageBox::buttonClicked, this, [this, alert, confirmButton](QAbstractButton* clicked) {
        if (clicked == confirmButton) model_.confirmEntryPointAlert(alert);
        refresh();
    });
    box->open();
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

    {
        const QSignalBlocker presentationBlocker(presentation_);
        const QSignalBlocker listStyleBlocker(listStyle_);
        presentationTitle_->setText(text.text(TextKey::settingsPresentationMode));
        presentation_->setItemText(0, text.text(TextKey::presentationStandardPanel));
        presentation_->setItemText(1, text.text(TextKey::presentationFloatingPanel));
        presentation_->setCurrentIndex(model_.presentationMode() == DirectClipboardPresentationMode::floating ? 1 : 0);
        presentation_->setAccessibleName(text.text(TextKey::settingsPresentationMode));
        listStyleTitle_->setText(text.text(TextKey::settingsFloatingListStyle));
        listStyle_->setItemText(0, text.text(TextKey::floatingListStandard));
        listStyle_->setItemText(1, text.text(TextKey::floatingListCompact));
        listStyle_->setCurrentIndex(model_.floatingListStyle() == FloatingClipboardListStyle::compact ? 1 : 0);
        listStyle_->setAccessibleName(text.text(TextKey::settingsFloatingListStyle));
    }
    setNotice(presentationNotice_, model_.presentationNotice());

    hotkeysTitle_->setText(text.text(TextKey::settingsHotkeysSection));
    hotkeyLabel_->setText(text.text(TextKey::settingsClipboardHistoryHotkey));
    recorder_->setAccessibleLabel(text.text(TextKey::settingsClipboardHistoryHotkey));
    resetHotkey_->setText(text.text(TextKey::settingsResetHotkey));
    resetHotkey_->setAccessibleName(resetHotkey_->text());
    deleteHotkey_->setText(text.text(TextKey::settingsDeleteHotkey));
    deleteHotkey_->setAccessibleName(deleteHotkey_->text());
    deleteHotkey_->setEnabled(model_.shortcut().storedShortcut().has_value());
    setNotice(hotkeyError_, model_.shortcut().error());

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
