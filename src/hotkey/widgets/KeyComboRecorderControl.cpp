#include "hotkey/widgets/KeyComboRecorderControl.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QProgressBar>

#include "hotkey/KeyComboRecorder.h"
#include "localization/Localizer.h"

namespace quellpad {

KeyComboRecorderControl::KeyComboRecorderControl(KeyComboRecorder& recorder, const Localizer& localizer,
                                                 QWidget* parent)
    : QFrame(parent), recorder_(recorder), localizer_(localizer) {
    setFrameShape(QFrame::StyledPanel);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    setMinimumWidth(220);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 4, 8, 4);
    text_ = new QLabel(this);
    busy_ = new QProgressBar(this);
    busy_->setRange(0, 0); // an endless busy indicator
    busy_->setTextVisible(false);
    busy_->setFixedSize(36, 10);
    busy_->hide();
    layout->addWidget(text_, 1);
    layout->addWidget(busy_);
    refresh();
}

void KeyComboRecorderControl::setAccessibleLabel(const QString& label) {
    accessibleLabel_ = label;
    refresh();
}

void KeyComboRecorderControl::refresh() {
    const KeyComboRecorder::DisplayState state = recorder_.displayState();
    QString shown;
    QPalette palette = this->palette();
    QColor color = palette.color(QPalette::Text);
    switch (state.style) {
    case KeyComboRecorder::DisplayStyle::combination: shown = state.combo->desktopText(); break;
    case KeyComboRecorder::DisplayStyle::placeholder:
        shown = localizer_.text(TextKey::hotkeyRecorderPlaceholder);
        color = palette.color(QPalette::PlaceholderText);
        break;
    case KeyComboRecorder::DisplayStyle::recording:
        shown = state.combo ? state.combo->desktopText() : localizer_.text(TextKey::hotkeyRecorderRecording);
        color = palette.color(QPalette::Highlight);
        break;
    }
    QPalette textPalette = text_->palette();
    textPalette.setColor(QPalette::WindowText, color);
    text_->setPalette(textPalette);
    text_->setText(shown);
    busy_->setVisible(state.showsProgress);
    busy_->setAccessibleName(localizer_.text(TextKey::hotkeyRecorderBusy));
    // Announced as "Clipboard History: Super+Shift+V", so the value is read with the label.
    setAccessibleName(accessibleLabel_.isEmpty() ? shown : accessibleLabel_ + QLatin1Char(' ') + shown);
    setAccessibleDescription(localizer_.text(TextKey::hotkeyRecorderPlaceholder));
}

bool KeyComboRecorderControl::event(QEvent* event) {
    if (recorder_.isRecording()) {
        if (event->type() == QEvent::ShortcutOverride) {
            // Keeps the window's shortcuts (Escape closes the settings) from taking the key.
            event->accept();
            return true;
        }
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (const std::optional<std::uint16_t> code = keyCodeFromQtKey(key->key())) {
                recorder_.keyDown(*code, modifierFlagsFromQt(key->modifiers()));
            }
            refresh();
            return true; // modifier keys and unknown keys are swallowed too
        }
        if (event->type() == QEvent::KeyRelease) return true;
    } else if (event->type() == QEvent::KeyPress) {
        // Space or Return starts recording from the keyboard, as a click does.
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) {
            recorder_.mouseDown();
            refresh();
            return true;
        }
    }
    return QFrame::event(event);
}

void KeyComboRecorderControl::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QFrame::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    recorder_.mouseDown();
    refresh();
}

void KeyComboRecorderControl::focusOutEvent(QFocusEvent* event) {
    // Recording ends with the focus, as Escape ends it (a pending combination is kept).
    if (recorder_.isRecording()) {
        recorder_.keyDown(KeyCode::escape, 0);
        refresh();
    }
    QFrame::focusOutEvent(event);
}

} // namespace quellpad
