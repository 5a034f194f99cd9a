#include "panel/widgets/ClipboardFileSavePanel.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

#include "localization/Localizer.h"

namespace quellpad {

ClipboardFileSavePanel::ClipboardFileSavePanel(const Localizer& localizer, QObject* parent)
    : QObject(parent), localizer_(localizer) {}

void ClipboardFileSavePanel::presentSavePanel(const QString& proposedFileName, bool plainTextOnly,
                                              std::function<void(std::optional<QString> path)> done) {
    // No parent: the panel is hidden by the time the dialog shows.
    auto* dialog = new QFileDialog(nullptr, localizer_.text(TextKey::savePanelTitle),
                                   QDir::home().filePath(proposedFileName));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setAccessibleName(localizer_.text(TextKey::savePanelTitle));
    if (plainTextOnly) {
        dialog->setNameFilter(localizer_.text(TextKey::mainContentTypeText) + QStringLiteral(" (*.txt)"));
        dialog->setDefaultSuffix(QStringLiteral("txt"));
    }
    // Exactly one answer: a chosen file, or nothing when the dialog closes otherwise.
    auto answer = std::make_shared<std::function<void(std::optional<QString>)>>(std::move(done));
    connect(dialog, &QFileDialog::fileSelected, dialog, [answer](const QString& path) {
        if (*answer) std::exchange(*answer, nullptr)(path);
    });
    connect(dialog, &QFileDialog::finished, dialog, [answer](int) {
        if (*answer) std::exchange(*answer, nullptr)(std::nullopt);
    });
    dialog->open();
    dialog->raise();
    dialog->activateWindow();
}

void ClipboardFileSavePanel::showSaveError(const QString& message) {
    auto* box = new QMessageBox(QMessageBox::Warning, localizer_.text(TextKey::savePanelTitle), message);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

} // namespace quellpad
