// "Storage": what is recorded, how long it is kept, where the history lives, and
// clearing it.
#pragma once

#include <QWidget>

#include "history/ClipboardHistoryRecords.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;

namespace quellpad {

struct DataDirectoryDialogs;
class StorageSettingsViewModel;

class SettingsStoragePage final : public QWidget {
    Q_OBJECT
public:
    explicit SettingsStoragePage(StorageSettingsViewModel& model, QWidget* parent = nullptr);
    void refresh();

private:
    DataDirectoryDialogs dialogs();
    void bindRetention(QComboBox* box, ClipboardContentType type);

    StorageSettingsViewModel& model_;
    QLabel* captureTitle_;
    QCheckBox* captureText_;
    QCheckBox* captureImages_;
    QLabel* maxItemSizeLabel_;
    QSpinBox* maxItemSize_;
    QLabel* retentionTitle_;
    QLabel* textRetentionLabel_;
    QComboBox* textRetention_;
    QLabel* imageRetentionLabel_;
    QComboBox* imageRetention_;
    QLabel* directoryTitle_;
    QLabel* directoryDescription_;
    QLineEdit* directory_;
    QPushButton* reveal_;
    QPushButton* change_;
    QPushButton* reset_;
    QPushButton* clear_;
    QProgressBar* migration_;
    QLabel* fixedNotice_;
    QLabel* message_;
};

} // namespace quellpad
