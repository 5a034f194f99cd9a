// "Storage": what is recorded, the largest item, and where the history is kept.
#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace quellpad {

class SettingsViewModel;

class SettingsStoragePage final : public QWidget {
    Q_OBJECT
public:
    explicit SettingsStoragePage(SettingsViewModel& model, QWidget* parent = nullptr);
    void refresh();

private:
    SettingsViewModel& model_;
    QLabel* captureTitle_;
    QCheckBox* captureText_;
    QCheckBox* captureImages_;
    QLabel* maxItemSizeLabel_;
    QSpinBox* maxItemSize_;
    QLabel* directoryTitle_;
    QLineEdit* directory_;
    QPushButton* reveal_;
    QLabel* revealError_;
};

} // namespace quellpad
