// A text box whose contents are classified as they are typed, with the detectors and
// rules as they are now, and the three result lines under it.
#pragma once

#include <QWidget>

class QLabel;
class QPlainTextEdit;

namespace quellpad {

class ClassificationViewModel;

class ClassificationTestPage final : public QWidget {
    Q_OBJECT
public:
    explicit ClassificationTestPage(ClassificationViewModel& model, QWidget* parent = nullptr);

    void refresh();

private:
    ClassificationViewModel& model_;
    QLabel* title_;
    QPlainTextEdit* input_;
    QLabel* pending_;
    QLabel* system_;
    QLabel* user_;
    QLabel* primary_;
};

} // namespace quellpad
