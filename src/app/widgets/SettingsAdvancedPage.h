// "Advanced": the pinyin search index and whether the accessibility bus can be used.
#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;

namespace quellpad {

class SettingsViewModel;

class SettingsAdvancedPage final : public QWidget {
    Q_OBJECT
public:
    explicit SettingsAdvancedPage(SettingsViewModel& model, QWidget* parent = nullptr);
    void refresh();

private:
    SettingsViewModel& model_;
    QLabel* searchTitle_;
    QCheckBox* pinyin_;
    QLabel* accessibilityTitle_;
    QLabel* accessibilityStatus_;
};

} // namespace quellpad
