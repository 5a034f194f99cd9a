// "App Filter": the applications whose copies are never recorded.
#pragma once

#include <QIcon>
#include <QPointer>
#include <QWidget>

class QLabel;
class QListWidget;
class QPushButton;

namespace quellpad {

class AppFilterSettingsViewModel;
class SettingsApplicationChooser;

class SettingsAppFilterPage final : public QWidget {
    Q_OBJECT
public:
    explicit SettingsAppFilterPage(AppFilterSettingsViewModel& model, QWidget* parent = nullptr);
    void refresh();

    // A desktop entry's icon: a theme name or a file path; a generic one without.
    static QIcon applicationIcon(const QString& iconName);

private:
    void openChooser();

    AppFilterSettingsViewModel& model_;
    QLabel* title_;
    QLabel* description_;
    QLabel* sessionNotice_;
    QListWidget* ignored_;
    QPushButton* add_;
    QPushButton* remove_;
    QPointer<SettingsApplicationChooser> chooser_;
};

} // namespace quellpad
