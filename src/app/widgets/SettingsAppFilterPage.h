// "App Filter": the applications whose copies are never recorded.
#pragma once

#include <QWidget>

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace quellpad {

class SettingsViewModel;

class SettingsAppFilterPage final : public QWidget {
    Q_OBJECT
public:
    explicit SettingsAppFilterPage(SettingsViewModel& model, QWidget* parent = nullptr);
    void refresh();

private:
    SettingsViewModel& model_;
    QLabel* title_;
    QLabel* description_;
    QListWidget* ignored_;
    QPushButton* remove_;
    QLabel* installedLabel_;
    QComboBox* installed_;
    QPushButton* add_;
};

} // namespace quellpad
