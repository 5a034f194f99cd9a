// The save dialog of the panel's Save action: a non-blocking QFileDialog that proposes
// a name in the home folder, and a warning box when writing the chosen file failed.
#pragma once

#include <QObject>

#include "panel/ClipboardPanelWindowing.h"

namespace quellpad {

class Localizer;

class ClipboardFileSavePanel final : public QObject, public ClipboardSavePanelPresenting {
    Q_OBJECT
public:
    explicit ClipboardFileSavePanel(const Localizer& localizer, QObject* parent = nullptr);

    void presentSavePanel(const QString& proposedFileName, bool plainTextOnly,
                          std::function<void(std::optional<QString> path)> done) override;
    void showSaveError(const QString& message) override;

private:
    const Localizer& localizer_;
};

} // namespace quellpad
