// "Advanced": the pinyin index and rebuilding the search index, image text
// recognition, the accessibility bus and the panel's saved position.
#pragma once

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;

namespace quellpad {

class AdvancedSettingsViewModel;

class SettingsAdvancedPage final : public QWidget {
    Q_OBJECT
public:
    explicit SettingsAdvancedPage(AdvancedSettingsViewModel& model, QWidget* parent = nullptr);
    void refresh();

private:
    AdvancedSettingsViewModel& model_;
    QLabel* searchTitle_;
    QCheckBox* pinyin_;
    QLabel* pinyinDescription_;
    QPushButton* rebuild_;
    QProgressBar* rebuildProgress_;
    QLabel* rebuildStatus_;
    QLabel* ocrTitle_;
    QCheckBox* ocrEnabled_;
    QLabel* ocrModeLabel_;
    QComboBox* ocrMode_;
    QLabel* ocrLanguageLabel_;
    QComboBox* ocrLanguage_;
    QLabel* ocrDescription_;
    QLabel* ocrNotice_;
    QLabel* accessibilityTitle_;
    QLabel* accessibilityStatus_;
    QPushButton* requestAccessibility_;
    QLabel* panelTitle_;
    QLabel* panelPosition_;
    QPushButton* resetPanelPosition_;
};

} // namespace quellpad
