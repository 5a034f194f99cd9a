// The first-run guide's window: one page at a time with Back and Continue, the last
// page's button finishing it. It follows the model, so a language change
// re-translates it at once.
#pragma once

#include <QWidget>

#include "app/OnboardingWindowPresenting.h"

class QComboBox;
class QLabel;
class QPushButton;
class QStackedWidget;

namespace quellpad {

class KeyComboRecorderControl;
class OnboardingViewModel;

class OnboardingWindow final : public QWidget, public OnboardingWindowPresenting {
    Q_OBJECT
public:
    explicit OnboardingWindow(OnboardingViewModel& model, QWidget* parent = nullptr);

    // Shows the window at its first page, or raises it when already open.
    void present() override;
    void dismiss() override { close(); }
    bool isPresented() const override { return isVisible(); }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void refresh();

    OnboardingViewModel& model_;
    QLabel* step_;
    QStackedWidget* stack_;
    QLabel* shortcutTitle_;
    QLabel* shortcutBody_;
    QLabel* hotkeyLabel_;
    KeyComboRecorderControl* recorder_;
    QLabel* hotkeyError_;
    QLabel* accessibilityTitle_;
    QLabel* accessibilityBody_;
    QPushButton* requestAccessibility_;
    QLabel* trayTitle_;
    QLabel* trayBody_;
    QLabel* doneTitle_;
    QLabel* doneBody_;
    QLabel* presentationTitle_;
    QComboBox* presentation_;
    QPushButton* back_;
    QPushButton* next_;
};

} // namespace quellpad
