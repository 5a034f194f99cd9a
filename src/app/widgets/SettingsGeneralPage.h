// "General": the interface language, the tray icon, launch at login and direct paste.
#pragma once

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;

namespace quellpad {

class SettingsViewModel;

class SettingsGeneralPage final : public QWidget {
    Q_OBJECT
public:
    explicit SettingsGeneralPage(SettingsViewModel& model, QWidget* parent = nullptr);
    // Re-reads every value and text from the model.
    void refresh();

private:
    SettingsViewModel& model_;
    QLabel* languageTitle_;
    QComboBox* language_;
    QLabel* trayTitle_;
    QCheckBox* showIcon_;
    QLabel* showIconDescription_;
    QLabel* trayNotice_;
    QLabel* startupTitle_;
    QCheckBox* launchAtLogin_;
    QLabel* launchAtLoginDescription_;
    QLabel* launchAtLoginError_;
    QLabel* directPasteTitle_;
    QCheckBox* returnAutoPaste_;
};

} // namespace quellpad
