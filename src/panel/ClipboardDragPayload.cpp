#include "panel/ClipboardDragPayload.h"

#include "Core/Utilities/Logger.h"
#include "capture/ClipboardImageFormat.h"
#include "panel/ClipboardPanelController.h"
#include "panel/ClipboardTemporaryFiles.h"

namespace quellpad {

std::optional<ClipboardDragPayload> ClipboardDragPayload::make(const ClipboardHistoryContentSnapshot& content,
                                                                ClipboardTemporaryFiles& files) {
    ClipboardDragPayload payload;
    const QString stem = QStringLiteral("Quellpad_") + ClipboardPanelController::dragFileStem(content.id);
    QByteArray fileData;
    QString fileName;
    if (content.imageData) {
        payload.imageData = content.imageData;
        const QString extension = ClipboardPanelController::imageFileExtension(*content.imageData);
        payload.imageMimeType = QStringLiteral("image/") + (extension == QStringLiteral("jpg") ? QStringLiteral("jpeg") : extension);
        fileData = *content.imageData;
        fileName = stem + QLatin1Char('.') + extension;
    } else {
        if (content.content.isEmpty() && !content.richTextHTMLData && !content.richTextRTFData) return std::nullopt;
        payload.text = content.content;
        payload.html = content.richTextHTMLData;
        payload.rtf = content.richTextRTFData;
        fileData = content.content.toUtf8();
        fileName = stem + QStringLiteral(".txt");
    }
    const ClipboardTemporaryFiles::WriteResult written = files.write(folderName, fileName, fileData);
    if (written.path) {
        payload.filePath = written.path;
    } else {
        Logger::warning(QStringLiteral("Could not write the dragged item's file: ") + written.error,
                        QStringLiteral("ClipboardPanelController"));
        if (!payload.text) return std::nullopt; // an image drags only as its file
    }
    return payload;
}

} // namespace quellpad
