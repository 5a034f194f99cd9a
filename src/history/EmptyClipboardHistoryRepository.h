// Stands in when no history store could be opened: stores nothing, finds nothing.
// Test and benchmark doubles derive from it and override what they serve.
#pragma once

#include "history/ClipboardHistoryRepositoryProtocol.h"

namespace quellpad {

class EmptyClipboardHistoryRepository : public ClipboardHistoryRepositoryProtocol {
public:
    void insertText(const QString&, const QString&, const QString&, const std::optional<QString>&, const QString&,
                    const std::optional<QByteArray>&, const std::optional<QByteArray>&, const std::optional<QString>&,
                    const ClipboardHistoryUsageMetadata&) override {}
    void insertImage(const QString&, const QString&, const QString&, const QByteArray&, const std::optional<QString>&,
                     const ClipboardHistoryUsageMetadata&) override {}
    void updateOCRText(const QString&, const QString&) override {}
    QFuture<std::vector<ClipboardHistoryIndexSnapshot>> getHistorySnapshots(const QString&, std::optional<int>) override {
        return QtFuture::makeReadyFuture(std::vector<ClipboardHistoryIndexSnapshot>{});
    }
    QFuture<std::optional<ClipboardHistoryContentSnapshot>> getContentSnapshotById(const QString&) override {
        return QtFuture::makeReadyFuture(std::optional<ClipboardHistoryContentSnapshot>{});
    }
    void deleteItem(const QString&) override {}
    int deleteExpiredItems(ClipboardContentType, const QDateTime&) override { return 0; }
    void clearAll() override {}
    ClipboardHistoryUsageMetadata removeDuplicateTexts(const QString&, const std::optional<QString>&) override { return {}; }
    ClipboardHistoryUsageMetadata removeDuplicateImages(const QByteArray&, const std::optional<QString>&) override {
        return {};
    }
    void recordUsage(const QString&) override {}
    std::optional<ClipboardHistoryWriteError> storeTextReplacingDuplicates(const ClipboardHistoryNewText&) override {
        return unavailable();
    }
    std::optional<ClipboardHistoryWriteError> storeImageReplacingDuplicates(const ClipboardHistoryNewImage&) override {
        return unavailable();
    }
    QFuture<std::vector<ClipboardSearchSourceDocument>> getSearchSourceDocuments() override {
        return QtFuture::makeReadyFuture(std::vector<ClipboardSearchSourceDocument>{});
    }
    QFuture<std::vector<QString>> imageIdsAwaitingTextRecognition(int) override {
        return QtFuture::makeReadyFuture(std::vector<QString>{});
    }

private:
    static ClipboardHistoryWriteError unavailable() {
        return {QStringLiteral("The clipboard history store is not available")};
    }
};

} // namespace quellpad
