// What a row dragged out of the panel carries: its text (with the rich forms it was
// copied with) and a file of it, or an image file, so that editors take the text and
// file managers a file. Files go to the private temporary folder's "QuellpadDragItems".
#pragma once

#include <optional>

#include <QByteArray>
#include <QString>

#include "history/ClipboardHistoryRecords.h"

namespace quellpad {

class ClipboardTemporaryFiles;

struct ClipboardDragPayload {
    std::optional<QString> text;
    std::optional<QByteArray> html;
    std::optional<QByteArray> rtf;
    std::optional<QByteArray> imageData; // as stored
    QString imageMimeType;               // "image/png" and the like
    std::optional<QString> filePath;     // the file written for the drag

    inline static const QString folderName = QStringLiteral("QuellpadDragItems");

    // Writes the file; without it (a failed write) text still drags as text. nullopt
    // when the content has nothing to drag.
    static std::optional<ClipboardDragPayload> make(const ClipboardHistoryContentSnapshot& content,
                                                    ClipboardTemporaryFiles& files);
};

} // namespace quellpad
