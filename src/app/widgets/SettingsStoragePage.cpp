#include "app/widgets/SettingsStoragePage.h"

#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/StorageSettingsViewModel.h"
#include "app/widgets/SettingsPageParts.h"
#include "localization/Localizer.h"

namespace quellpad {

using namespace SettingsPageParts;

namespace {

constexpr std::pair<ClipboardAutoCleanupPolicy, TextKey> retentionChoices[] = {
    {ClipboardAutoCleanupPolicy::never, TextKey::retentionForever},
    {ClipboardAutoCleanupPolicy::oneDay, TextKey::retentionOneDay},
    {ClipboardAutoCleanupPolicy::sevenDays, TextKey::retentionSevenDays},
    {ClipboardAutoCleanupPolicy::thirtyDays, TextKey::retentionThirtyDays},
    {ClipboardAutoCleanupPolicy::ninetyDays, TextKey::retentionNinetyDays},
};

} // namespace

SettingsStoragePage::SettingsStoragePage(StorageSettingsViewModel& model, QWidget* parent)
    : QWidget(parent), model_(model) {
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

    retentionTitle_ = addSectionTitle(layout, this);
    auto* grid = new QGridLayout;
    textRetentionLabel_ = new QLabel(this);
    textRetention_ = new QComboBox(this);
    textRetentionLabel_->setBuddy(textRetention_);
    imageRetentionLabel_ = new QLabel(this);
    imageRetention_ = new QComboBox(this);
    imageRetentionLabel_->setBuddy(imageRetention_);
    for (QComboBox* box : {textRetention_, imageRetention_}) {
        for ([[maybe_unused]] const auto& choice : retentionChoices) box->addItem(QString());
    }
    grid->addWidget(textRetentionLabel_, 0, 0);
    grid->addWidget(textRetention_, 0, 1);
    grid->addWidget(imageRetentionLabel_, 1, 0);
    grid->addWidget(imageRetention_, 1, 1);
    grid->setColumnStretch(2, 1);
    layout->addLayout(grid);

    directoryTitle_ = addSectionTitle(layout, this);
    auto* directoryRow = new QHBoxLayout;
    directory_ = new QLineEdit(this);
    directory_->setReadOnly(true);
    reveal_ = new QPushButton(this);
    directoryRow->addWidget(directory_, 1);
    directoryRow->addWidget(reveal_);
    layout->addLayout(directoryRow);
    directoryDescription_ = addDescription(layout, this);
    auto* actions = new QHBoxLayout;
    change_ = new QPushButton(this);
    reset_ = new QPushButton(this);
    clear_ = new QPushButton(this);
    actions->addWidget(change_);
    actions->addWidget(reset_);
    actions->addStretch();
    actions->addWidget(clear_);
    layout->addLayout(actions);
    migration_ = new QProgressBar(this);
    // The copy reports no steps: a busy bar while it runs.
    migration_->setRange(0, 0);
    migration_->setTextVisible(false);
    migration_->hide();
    layout->addWidget(migration_);
    fixedNotice_ = addNotice(layout, this);
    message_ = new QLabel(this);
    message_->setWordWrap(true);
    message_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    message_->hide();
    layout->addWidget(message_);
    layout->addStretch();

    connect(captureText_, &QCheckBox::toggled, this, [this](bool on) { model_.setTextCaptureEnabled(on); });
    connect(captureImages_, &QCheckBox::toggled, this, [this](bool on) { model_.setImageCaptureEnabled(on); });
    connect(maxItemSize_, &QSpinBox::valueChanged, this, [this](int megabytes) { model_.setMaxItemSizeInMB(megabytes); });
    connect(textRetention_, &QComboBox::activated, this,
            [this](int index) { model_.setRetention(ClipboardContentType::text, retentionChoices[index].first); });
    connect(imageRetention_, &QComboBox::activated, this,
            [this](int index) { model_.setRetention(ClipboardContentType::image, retentionChoices[index].first); });
    connect(reveal_, &QPushButton::clicked, this, [this] { model_.revealDataDirectory(); });
    connect(change_, &QPushButton::clicked, this, [this] { model_.changeLocation(dialogs()); });
    connect(reset_, &QPushButton::clicked, this, [this] { model_.resetLocation(dialogs()); });
    connect(clear_, &QPushButton::clicked, this, [this] {
        model_.clearHistory([this](const QString& title, const QString& text) {
            QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::NoButton, this);
            QPushButton* confirm = box.addButton(model_.localizer().text(TextKey::clearAllHistoryNow),
                                                 QMessageBox::DestructiveRole);
            QPushButton* cancel = box.addButton(model_.localizer().text(TextKey::cancel), QMessageBox::RejectRole);
            confirm->setAccessibleName(confirm->text());
            cancel->setAccessibleName(cancel->text());
            box.setDefaultButton(cancel);
            box.exec();
            return box.clickedButton() == confirm;
        });
    });
    connect(&model_, &StorageSettingsViewModel::changed, this, &SettingsStoragePage::refresh);
    refresh();
}

DataDirectoryDialogs SettingsStoragePage::dialogs() {
    DataDirectoryDialogs dialogs;
    dialogs.showAlert = [this](const DataDirectoryAlert& alert) {
        QMessageBox box(alert.style == DataDirectoryAlert::Style::critical ? QMessageBox::Critical : QMessageBox::Warning,
                        alert.message, alert.message, QMessageBox::NoButton, this);
        box.setInformativeText(alert.informativeText);
        QList<QAbstractButton*> buttons;
        for (qsizetype index = 0; index < alert.buttons.size(); ++index) {
            QPushButton* button =
                box.addButton(alert.buttons.at(index), index == 0 ? QMessageBox::RejectRole : QMessageBox::AcceptRole);
            button->setAccessibleName(button->text());
            buttons.append(button);
        }
        if (!buttons.isEmpty()) box.setDefaultButton(qobject_cast<QPushButton*>(buttons.first()));
        box.exec();
        return static_cast<int>(buttons.indexOf(box.clickedButton()));
    };
    dialogs.chooseDirectory = [this](const DataDirectoryOpenPanel& panel) -> std::optional<QString> {
        QFileDialog chooser(this, panel.title);
        chooser.setFileMode(QFileDialog::Directory);
        chooser.setOption(QFileDialog::ShowDirsOnly);
        chooser.setFilter(QDir::AllDirs | QDir::Hidden | QDir::NoDotAndDotDot);
        chooser.setToolTip(panel.message);
        chooser.setDirectory(QDir::homePath());
        if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty()) return std::nullopt;
        return chooser.selectedFiles().first();
    };
    return dialogs;
}

void SettingsStoragePage::bindRetention(QComboBox* box, ClipboardContentType type) {
    const QSignalBlocker blocker(box);
    const Localizer& text = model_.localizer();
    const ClipboardAutoCleanupPolicy current = model_.retention(type);
    for (int index = 0; index < box->count(); ++index) {
        box->setItemText(index, text.text(retentionChoices[index].second));
        if (retentionChoices[index].first == current) box->setCurrentIndex(index);
    }
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
    retentionTitle_->setText(text.text(TextKey::settingsRetentionSection));
    textRetentionLabel_->setText(text.text(TextKey::settingsTextRetention));
    textRetention_->setAccessibleName(textRetentionLabel_->text());
    bindRetention(textRetention_, ClipboardContentType::text);
    imageRetentionLabel_->setText(text.text(TextKey::settingsImageRetention));
    imageRetention_->setAccessibleName(imageRetentionLabel_->text());
    bindRetention(imageRetention_, ClipboardContentType::image);

    directoryTitle_->setText(text.text(TextKey::settingsDataDirectorySection));
    directory_->setText(model_.dataDirectoryPath());
    directory_->setAccessibleName(text.text(TextKey::settingsDataDirectorySection));
    directoryDescription_->setText(text.text(TextKey::storageOverviewDescription));
    const std::pair<QPushButton*, TextKey> buttons[] = {{reveal_, TextKey::settingsRevealDataDirectory},
                                                        {change_, TextKey::settingsChangeDataDirectory},
                                                        {reset_, TextKey::settingsResetDataDirectory},
                                                        {clear_, TextKey::clearAllHistoryNow}};
    for (const auto& [button, key] : buttons) {
        button->setText(text.text(key));
        button->setAccessibleName(button->text());
    }
    change_->setEnabled(model_.canChangeLocation());
    reset_->setEnabled(model_.canChangeLocation() && model_.isUsingCustomLocation());
    clear_->setEnabled(!model_.isMigrating());
    migration_->setVisible(model_.isMigrating());
    migration_->setAccessibleName(text.text(TextKey::settingsMigrationInProgress));
    setNotice(fixedNotice_,
              model_.isLocationFixedByEnvironment() ? text.text(TextKey::settingsDataDirectoryFixed) : QString());

    const std::optional<StorageSettingsViewModel::Message> message = model_.message();
    QString shown = model_.isMigrating() ? text.text(TextKey::settingsMigrationInProgress) : QString();
    if (!model_.isMigrating() && message) {
        shown = message->title.isEmpty() ? message->text : QStringLiteral("%1\n%2").arg(message->title, message->text);
    }
    QPalette palette = message_->palette();
    palette.setColor(QPalette::WindowText, message && message->isError && !model_.isMigrating()
                                               ? QColor(0xc2, 0x5b, 0x00)
                                               : this->palette().color(QPalette::WindowText));
    message_->setPalette(palette);
    message_->setText(shown);
    message_->setAccessibleName(shown);
    message_->setVisible(!shown.isEmpty());
}

} // namespace quellpad
