#include "panel/ClipboardPinCopyHandler.h"

#include <QCoreApplication>

#include "Core/Utilities/Logger.h"
#include "Core/Utilities/MainThread.h"
#include "history/ClipboardHistoryManagerProtocol.h"
#include "panel/ClipboardPasteboardRepresentations.h"
#include "platform/Pasteboard.h"

namespace quellpad {

namespace {
const QString category = QStringLiteral("PinWindow");

bool hasPayload(const ClipboardHistoryContentSnapshot& content) {
    return content.imageData || !content.content.isEmpty() || content.richTextHTMLData || content.richTextRTFData;
}
} // namespace

PinCopyHandler makeClipboardPinCopyHandler(std::function<std::shared_ptr<ClipboardHistoryManagerProtocol>()> history,
                                           Pasteboard& pasteboard, ClipboardHistoryContentSnapshot pinned) {
    return [history = std::move(history), &pasteboard, pinned = std::move(pinned)](
               const std::optional<QString>& editedText, std::function<void(bool)> done) {
        if (editedText) {
            // New text the history does not hold: recorded like any other copy.
            done(pasteboard.write({{PasteboardTypes::plainText, editedText->toUtf8()}}));
            return;
        }
        const std::shared_ptr<ClipboardHistoryManagerProtocol> manager = history ? history() : nullptr;
        if (!manager) {
            done(hasPayload(pinned) && pasteboard.write(pasteboardRepresentations(pinned)));
            return;
        }
        MainThread::whenFinished(
            manager->getContentSnapshotById(pinned.id), QCoreApplication::instance(),
            [history, &pasteboard, pinned, done](QFuture<std::optional<ClipboardHistoryContentSnapshot>> fetched) {
                std::optional<ClipboardHistoryContentSnapshot> stored;
                try {
                    stored = fetched.result();
                } catch (const std::exception& error) {
                    Logger::warning(QStringLiteral("Reading pinned item %1 failed: %2")
                                        .arg(pinned.id, QString::fromUtf8(error.what())),
                                    category);
                }
                const std::shared_ptr<ClipboardHistoryManagerProtocol> current = history();
                if (stored && hasPayload(*stored) && current) {
                    // The stored item with all its forms, not captured again as a new copy.
                    bool written = false;
                    current->performWithoutCapture([&] { written = pasteboard.write(pasteboardRepresentations(*stored)); });
                    if (written) current->recordUsage(pinned.id);
                    done(written);
                    return;
                }
                // Deleted since it was pinned: the window still shows it, so that is what is copied.
                Logger::info(QStringLiteral("Pinned item %1 is no longer in the history; copying the pinned content")
                                 .arg(pinned.id),
                             category);
                done(hasPayload(pinned) && pasteboard.write(pasteboardRepresentations(pinned)));
            });
    };
}

} // namespace quellpad
