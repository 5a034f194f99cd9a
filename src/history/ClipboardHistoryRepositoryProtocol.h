// The only way into the history store. Writes run on the main thread (a call from
// another thread is carried out there while the caller waits); the asynchronous reads
// run on the repository's read queue and resolve their futures there.
#pragma once

#include <algorithm>
#include <functional>
#include <optional>
#include <vector>

#include <QByteArray>
#include <QDateTime>
#include <QFuture>
#include <QString>

#include "history/ClipboardHistoryRecords.h"
#include "history/ClipboardSearchSourceDocument.h"

namespace quellpad {

inline const QString clipboardHistoryDidChangeNotification = QStringLiteral("Quellpad.ClipboardHistoryDidChange");

// Why a write stored nothing; the description is English.
struct ClipboardHistoryWriteError {
    QString description;
};

// A new text item as capture hands it over (usage comes from the copies it replaces).
struct ClipboardHistoryNewText {
    QString id;
    QString preview;
    QString searchText;
    std::optional<QString> classification;
    QString plainText;
    std::optional<QByteArray> rtfData;
    std::optional<QByteArray> htmlData;
    std::optional<QString> bundleIdentifier;
};

struct ClipboardHistoryNewImage {
    QString id;
    QString preview;
    QByteArray imageData;
    std::optional<QString> bundleIdentifier;
};

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

    // Every item's source document, newest first, handed to `consume` in batches of
    // at most batchSize together with the item count of the same snapshot. Runs on
    // the calling thread and keeps at most one batch, so a rebuild never holds the
    // whole history. A failed read throws (an empty history is not a failure). This
    // default cuts getSearchSourceDocuments() into batches, for simple doubles.
    using SearchSourceBatchConsumer =
        std::function<void(std::vector<ClipboardSearchSourceDocument>&& batch, qint64 total)>;
    virtual void readSearchSourceDocuments(qsizetype batchSize, const SearchSourceBatchConsumer& consume) {
        std::vector<ClipboardSearchSourceDocument> all = getSearchSourceDocuments().result();
        const auto total = static_cast<qint64>(all.size());
        const auto step = static_cast<size_t>(std::max<qsizetype>(batchSize, 1));
        for (size_t first = 0; first < all.size(); first += step) {
            const auto end = all.begin() + static_cast<std::ptrdiff_t>(std::min(all.size(), first + step));
            consume(std::vector<ClipboardSearchSourceDocument>(std::make_move_iterator(all.begin() + static_cast<std::ptrdiff_t>(first)),
                                                               std::make_move_iterator(end)),
                    total);
        }
    }

    // Removes the earlier copies of the same content and stores the new item with their
    // merged usage. The repository does both in one transaction, so a crash or failure
    // never loses the earlier copy without storing the new one. Returns why nothing was
    // stored. This default composes the two steps for simple doubles.
    virtual std::optional<ClipboardHistoryWriteError> storeTextReplacingDuplicates(const ClipboardHistoryNewText& item) {
        const ClipboardHistoryUsageMetadata usage = removeDuplicateTexts(item.plainText, std::nullopt);
        insertText(item.id, item.preview, item.searchText, item.classification, item.plainText, item.rtfData,
                   item.htmlData, item.bundleIdentifier, usage);
        return std::nullopt;
    }
    virtual std::optional<ClipboardHistoryWriteError> storeImageReplacingDuplicates(const ClipboardHistoryNewImage& item) {
        const ClipboardHistoryUsageMetadata usage = removeDuplicateImages(item.imageData, std::nullopt);
        insertImage(item.id, item.preview, QString(), item.imageData, item.bundleIdentifier, usage);
        return std::nullopt;
    }
    // Image items whose text was never recognised (recognition skipped or cut short by
    // a quit), newest first, at most `limit`.
    virtual QFuture<std::vector<QString>> imageIdsAwaitingTextRecognition(int limit) = 0;
};

} // namespace quellpad
