// A history repository that records what capture asks of it, and hands back scripted
// usage from duplicate removal. Shared by the capture and retention tests.
#pragma once

#include <algorithm>
#include <map>
#include <vector>

#include <QtConcurrent/QtConcurrentRun>

#include "history/ClipboardHistoryRepositoryProtocol.h"

namespace quellpad::test {

class RecordingHistoryRepository final : public ClipboardHistoryRepositoryProtocol {
public:
    struct Insert {
        QString id;
        ClipboardContentType type = ClipboardContentType::text;
        QString preview;
        QString searchText;
        std::optional<QString> classification;
        QString plainText;
        std::optional<QByteArray> rtfData;
        std::optional<QByteArray> htmlData;
        QByteArray imageData;
        std::optional<QString> bundleIdentifier;
        ClipboardHistoryUsageMetadata usage;
    };
    struct Expiry {
        ClipboardContentType type;
        QDateTime cutoff;
    };

    std::vector<Insert> inserts;
    std::vector<Expiry> expiries;
    std::vector<std::pair<QString, QString>> ocrUpdates;
    std::vector<QString> removedTextQueries;
    int expiredItemsToReport = 0;
    // Usage handed back when a duplicate of this text is removed (removal is simulated).
    std::map<QString, ClipboardHistoryUsageMetadata> usageByText;

    void insertText(const QString& id, const QString& preview, const QString& searchText,
                    const std::optional<QString>& classification, const QString& plainText,
                    const std::optional<QByteArray>& rtfData, const std::optional<QByteArray>& htmlData,
                    const std::optional<QString>& bundleIdentifier, const ClipboardHistoryUsageMetadata& usage) override {
        inserts.push_back({id, ClipboardContentType::text, preview, searchText, classification, plainText, rtfData,
                           htmlData, {}, bundleIdentifier, usage});
    }
    void insertImage(const QString& id, const QString& preview, const QString& searchText, const QByteArray& imageData,
                     const std::optional<QString>& bundleIdentifier, const ClipboardHistoryUsageMetadata& usage) override {
        inserts.push_back({id, ClipboardContentType::image, preview, searchText, std::nullopt, {}, std::nullopt,
                           std::nullopt, imageData, bundleIdentifier, usage});
    }
    void updateOCRText(const QString& id, const QString& recognizedText) override {
        ocrUpdates.emplace_back(id, recognizedText);
    }
    QFuture<std::vector<ClipboardHistoryIndexSnapshot>> getHistorySnapshots(const QString&, std::optional<int>) override {
        return QtFuture::makeReadyFuture(std::vector<ClipboardHistoryIndexSnapshot>{});
    }
    QFuture<std::optional<ClipboardHistoryContentSnapshot>> getContentSnapshotById(const QString& id) override {
        return imageContent(id);
    }
    void deleteItem(const QString&) override {}
    int deleteExpiredItems(ClipboardContentType contentType, const QDateTime& cutoff) override {
        expiries.push_back({contentType, cutoff});
        return expiredItemsToReport;
    }
    void clearAll() override {}
    ClipboardHistoryUsageMetadata removeDuplicateTexts(const QString& plainText, const std::optional<QString>&) override {
        removedTextQueries.push_back(plainText);
        const auto it = usageByText.find(plainText);
        return it == usageByText.end() ? ClipboardHistoryUsageMetadata{} : it->second;
    }
    ClipboardHistoryUsageMetadata removeDuplicateImages(const QByteArray&, const std::optional<QString>&) override {
        return {};
    }
    void recordUsage(const QString&) override {}
    QFuture<std::vector<ClipboardSearchSourceDocument>> getSearchSourceDocuments() override {
        return QtFuture::makeReadyFuture(std::vector<ClipboardSearchSourceDocument>{});
    }
    // Images stored without recognised text: the inserted ones until their text is written.
    QFuture<std::vector<QString>> imageIdsAwaitingTextRecognition(int limit) override {
        std::vector<QString> ids;
        for (auto it = inserts.rbegin(); it != inserts.rend() && int(ids.size()) < limit; ++it) {
            const bool recognised = std::any_of(ocrUpdates.begin(), ocrUpdates.end(),
                                                [&](const auto& update) { return update.first == it->id; });
            if (it->type == ClipboardContentType::image && !recognised) {
                ids.push_back(it->id);
            }
        }
        return QtFuture::makeReadyFuture(ids);
    }
    QFuture<std::optional<ClipboardHistoryContentSnapshot>> imageContent(const QString& id) const {
        for (const Insert& insert : inserts) {
            if (insert.id == id && insert.type == ClipboardContentType::image) {
                ClipboardHistoryContentSnapshot content;
                content.id = id;
                content.imageData = insert.imageData;
                return QtFuture::makeReadyFuture(std::optional<ClipboardHistoryContentSnapshot>(content));
            }
        }
        return QtFuture::makeReadyFuture(std::optional<ClipboardHistoryContentSnapshot>{});
    }
};

} // namespace quellpad::test
