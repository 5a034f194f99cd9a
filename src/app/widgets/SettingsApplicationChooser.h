// The dialog that adds an installed application to the ignore list: a search field
// over the installed applications, with their names and icons.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace quellpad {

class AppFilterSettingsViewModel;

class SettingsApplicationChooser final : public QDialog {
    Q_OBJECT
public:
    explicit SettingsApplicationChooser(AppFilterSettingsViewModel& model, QWidget* parent = nullptr);
    void refresh();

private:
    void fill();

    AppFilterSettingsViewModel& model_;
    QLineEdit* search_;
    QListWidget* applications_;
    QLabel* empty_;
    QPushButton* add_;
    QPushButton* cancel_;
};

} // namespace quellpad
