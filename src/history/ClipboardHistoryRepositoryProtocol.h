// The only way into the history store. Writes run on the main thread (a call from
// another thread is carried out there while the caller waits); the asynchronous reads
// run on the repository's read queue and resolve their futures there.
#pragma once

#include <optional>
#include <vector>

#include <QByteArray>
#include <QDateTime>
#include <QFuture>
#include <QString>

#include "history/ClipboardHistoryRecords.h"
#include "search/ClipboardSearchSourceDocument.h"

namespace quellpad {

inline const QString clipboardHistoryDidChangeNotification = QStringLiteral("Quellpad.ClipboardHistoryDidChange");

class ClipboardHistoryRepositoryProtocol {
public:
    virtual ~ClipboardHistoryRepositoryProtocol() = default;

    virtual void insertText(const QString& id, const QString& preview, const QString& searchText,
                            const std::optional<QString>& classification, const QString& plainText,
                            const std::optional<QByteArray>& rtfData, const std::optional<QByteArray>& htmlData,
                            const std::optional<QString>& bundleIdentifier,
                            const ClipboardHistoryUsageMetadata& usage) = 0;
    virtual void insertImage(const QString& id, const QString& preview, const QString& searchText,
                             const QByteArray& imageData, const std::optional<QString>& bundleIdentifier,
                             const ClipboardHistoryUsageMetadata& usage) = 0;
    virtual void updateOCRText(const QString& id, const QString& recognizedText) = 0;
    // Newest first; with a non-empty query, the repository's own filter and ranking.
    virtual QFuture<std::vector<ClipboardHistoryIndexSnapshot>> getHistorySnapshots(const QString& searchQuery,
                                                                                    std::optional<int> limit) = 0;
    virtual QFuture<std::optional<ClipboardHistoryContentSnapshot>> getContentSnapshotById(const QString& id) = 0;
    virtual void deleteItem(const QString& id) = 0;
    // Removes items of the type created strictly before cutoff; returns how many.
    virtual int deleteExpiredItems(ClipboardContentType contentType, const QDateTime& cutoff) = 0;
    virtual void clearAll() = 0;
    // Removes earlier items with the same text / image bytes and returns their merged usage.
    virtual ClipboardHistoryUsageMetadata removeDuplicateTexts(const QString& plainText,
                                                               const std::optional<QString>& keepId) = 0;
    virtual ClipboardHistoryUsageMetadata removeDuplicateImages(const QByteArray& imageData,
                                                                const std::optional<QString>& keepId) = 0;
    virtual void recordUsage(const QString& id) = 0;
    virtual QFuture<std::vector<ClipboardSearchSourceDocument>> getSearchSourceDocuments() = 0;

    // Image items whose text was never recognised (recognition skipped or cut short by
    // a quit), newest first, at most `limit`.
    virtual QFuture<std::vector<QString>> imageIdsAwaitingTextRecognition(int limit) = 0;
};

} // namespace quellpad
