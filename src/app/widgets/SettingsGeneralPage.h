// "General": the interface language, the panel's presentation, the panel shortcut,
// the tray icon, launch at login and direct paste.
#pragma once

#include <QWidget>

#include "app/EntryPointGuard.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace quellpad {

class KeyComboRecorderControl;
class SettingsViewModel;

class SettingsGeneralPage final : public QWidget {
    Q_OBJECT
public:
    explicit SettingsGeneralPage(SettingsViewModel& model, QWidget* parent = nullptr);
    // Re-reads every value and text from the model.
    void refresh();

private:
    // Asks to confirm the guard's alert, as a sheet on the settings window.
    void confirm(EntryPointGuard::Alert alert);

    SettingsViewModel& model_;
    QLabel* languageTitle_;
    QComboBox* language_;
    QLabel* presentationTitle_;
    QComboBox* presentation_;
    QLabel* listStyleTitle_;
    QComboBox* listStyle_;
    QLabel* presentationNotice_;
    QLabel* hotkeysTitle_;
    QLabel* hotkeyLabel_;
    KeyComboRecorderControl* recorder_;
    QPushButton* resetHotkey_;
    QPushButton* deleteHotkey_;
    QLabel* hotkeyError_;
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
