// The shortcut recorder: a click starts recording, the next combination pressed is
// recorded (Escape ends without one). It draws and feeds a KeyComboRecorder; while it
// records it keeps every key to itself, Tab and the window's own shortcuts included.
#pragma once

#include <QFrame>

class QLabel;
class QProgressBar;

namespace quellpad {

class KeyComboRecorder;
class Localizer;

class KeyComboRecorderControl final : public QFrame {
    Q_OBJECT
public:
    KeyComboRecorderControl(KeyComboRecorder& recorder, const Localizer& localizer, QWidget* parent = nullptr);

    // Re-reads the recorder's state and the texts; call after anything changed.
    void refresh();
    // The label the control is announced with ("Clipboard History:").
    void setAccessibleLabel(const QString& label);

protected:
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    KeyComboRecorder& recorder_;
    const Localizer& localizer_;
    QLabel* text_;
    QProgressBar* busy_;
    QString accessibleLabel_;
};

} // namespace quellpad
