#include "app/widgets/SettingsStoragePage.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/SettingsViewModel.h"
#include "app/widgets/SettingsPageParts.h"
#include "localization/Localizer.h"

namespace quellpad {

using namespace SettingsPageParts;

SettingsStoragePage::SettingsStoragePage(SettingsViewModel& model, QWidget* parent) : QWidget(parent), model_(model) {
    auto* layout = new QVBoxLayout(this);
    captureTitle_ = addSectionTitle(layout, this);
    captureText_ = new QCheckBox(this);
    captureImages_ = new QCheckBox(this);
    layout->addWidget(captureText_);
    layout->addWidget(captureImages_);
    auto* sizeRow = new QHBoxLayout;
    maxItemSizeLabel_ = new QLabel(this);
    maxItemSize_ = new QSpinBox(this);
    maxItemSize_->setRange(1, 500);
    // Typing "250" must not store 2 and 25 on the way.
    maxItemSize_->setKeyboardTracking(false);
    maxItemSizeLabel_->setBuddy(maxItemSize_);
    sizeRow->addWidget(maxItemSizeLabel_);
    sizeRow->addWidget(maxItemSize_);
    sizeRow->addStretch();
    layout->addLayout(sizeRow);

    directoryTitle_ = addSectionTitle(layout, this);
    auto* directoryRow = new QHBoxLayout;
    directory_ = new QLineEdit(this);
    directory_->setReadOnly(true);
    reveal_ = new QPushButton(this);
    directoryRow->addWidget(directory_, 1);
    directoryRow->addWidget(reveal_);
    layout->addLayout(directoryRow);
    revealError_ = addNotice(layout, this);
    layout->addStretch();

    connect(captureText_, &QCheckBox::toggled, this, [this](bool on) { model_.setTextCaptureEnabled(on); });
    connect(captureImages_, &QCheckBox::toggled, this, [this](bool on) { model_.setImageCaptureEnabled(on); });
    connect(maxItemSize_, &QSpinBox::valueChanged, this, [this](int megabytes) { model_.setMaxItemSizeInMB(megabytes); });
    connect(reveal_, &QPushButton::clicked, this, [this] { model_.revealDataDirectory(); });
    refresh();
}

void SettingsStoragePage::refresh() {
    const Localizer& text = model_.localizer();
    captureTitle_->setText(text.text(TextKey::settingsCaptureSection));
    bindCheckBox(captureText_, text.text(TextKey::settingsCaptureText), model_.textCaptureEnabled());
    bindCheckBox(captureImages_, text.text(TextKey::settingsCaptureImages), model_.imageCaptureEnabled());
    maxItemSizeLabel_->setText(text.text(TextKey::settingsMaxItemSize));
    {
        const QSignalBlocker blocker(maxItemSize_);
        maxItemSize_->setSuffix(text.text(TextKey::settingsMegabytesSuffix));
        maxItemSize_->setValue(model_.maxItemSizeInMB());
    }
    maxItemSize_->setAccessibleName(text.text(TextKey::settingsMaxItemSize));

    directoryTitle_->setText(text.text(TextKey::settingsDataDirectorySection));
    directory_->setText(model_.dataDirectoryPath());
    directory_->setAccessibleName(text.text(TextKey::settingsDataDirectorySection));
    reveal_->setText(text.text(TextKey::settingsRevealDataDirectory));
    reveal_->setAccessibleName(reveal_->text());
    setNotice(revealError_, model_.revealError());
}

} // namespace quellpad
