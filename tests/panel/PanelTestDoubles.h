// In-memory history and search for panel tests: a list of items searched by substring,
// contents looked up by id, and answers that can be held back to test late replies.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include <QFuture>
#include <QPromise>
#include <QTemporaryDir>

#include "history/ClipboardHistoryManagerProtocol.h"
#include "localization/Localizer.h"
#include "panel/ClipboardPanelController.h"
#include "panel/ClipboardPanelViewModel.h"
#include "panel/ClipboardTemporaryFiles.h"
#include "platform/OneShotTimer.h"
#include "platform/fake/FakePasteboard.h"
#include "platform/fake/FakeWorkspace.h"
#include "platform/fake/InMemoryDefaultsStore.h"
#include "search/ClipboardSearchServiceProtocol.h"

namespace quellpad::test {

struct PanelHistory {
    std::vector<ClipboardHistoryIndexSnapshot> items; // newest first
    std::map<QString, ClipboardHistoryContentSnapshot> contents;

    // A text item with its content; returns its id.
    QString addText(const QString& text, std::optional<QString> classification = std::nullopt,
                    std::optional<QString> app = QStringLiteral("org.gnome.TextEditor"), QDateTime created = {}) {
        const QString id = QStringLiteral("00000000-0000-4000-8000-%1").arg(items.size() + contents.size() + 1, 12, 10, QLatin1Char('0'));
        ClipboardHistoryIndexSnapshot item;
        item.id = id;
        item.preview = text.left(200);
        item.searchText = text;
        item.createdAt = created.isValid() ? created : QDateTime::currentDateTime().addSecs(-120);
        item.bundleIdentifier = std::move(app);
        item.classification = std::move(classification);
        items.push_back(item);
        contents[id] = ClipboardHistoryContentSnapshot{id, text, {}, {}, {}, {}};
        return id;
    }
    QString addImage(const QByteArray& data, std::optional<QString> ocr = std::nullopt) {
        const QString id = addText(QStringLiteral("Image"), std::nullopt, QStringLiteral("org.gimp.GIMP"));
        items.back().contentType = ClipboardContentType::image;
        items.back().searchText = ocr.value_or(QString());
        contents[id].imageData = data;
        contents[id].ocrText = std::move(ocr);
        return id;
    }
};

class FakePanelHistoryManager final : public ClipboardHistoryManagerProtocol {
public:
    explicit FakePanelHistoryManager(std::shared_ptr<PanelHistory> history) : history_(std::move(history)) {}

    QFuture<std::vector<ClipboardHistoryIndexSnapshot>> getHistorySnapshots(const QString& query,
                                                                            std::optional<int> limit) override {
        std::vector<ClipboardHistoryIndexSnapshot> found;
        for (const auto& item : history_->items) {
            if (item.searchText.contains(query, Qt::CaseInsensitive) && (!limit || int(found.size()) < *limit)) {
                found.push_back(item);
            }
        }
        return QtFuture::makeReadyFuture(found);
    }
    QFuture<std::optional<ClipboardHistoryContentSnapshot>> getContentSnapshotById(const QString& id) override {
        ++contentRequests;
        if (holdContent) {
            auto promise = std::make_shared<QPromise<std::optional<ClipboardHistoryContentSnapshot>>>();
            promise->start();
            heldContent.push_back({id, promise});
            return promise->future();
        }
        return QtFuture::makeReadyFuture(content(id));
    }
    void deleteItem(const QString& id) override {
        std::erase_if(history_->items, [&](const auto& item) { return item.id == id; });
        history_->contents.erase(id);
        deleted.push_back(id);
    }
    void clearAll() override { history_->items.clear(); }
    void recordUsage(const QString& id) override { used.push_back(id); }
    void performWithoutCapture(const std::function<void()>& body) override { body(); }

    std::optional<ClipboardHistoryContentSnapshot> content(const QString& id) const {
        const auto found = history_->contents.find(id);
        return found == history_->contents.end() ? std::nullopt : std::optional(found->second);
    }
    // Answers a held request (in any order).
    void release(std::size_t index) {
        auto& [id, promise] = heldContent.at(index);
        promise->addResult(content(id));
        promise->finish();
    }

    bool holdContent = false;
    std::vector<std::pair<QString, std::shared_ptr<QPromise<std::optional<ClipboardHistoryContentSnapshot>>>>> heldContent;
    int contentRequests = 0;
    std::vector<QString> deleted;
    std::vector<QString> used;

private:
    std::shared_ptr<PanelHistory> history_;
};

class FakePanelSearchService final : public ClipboardSearchServiceProtocol {
public:
    explicit FakePanelSearchService(std::shared_ptr<PanelHistory> history) : history_(std::move(history)) {}

    QFuture<ClipboardSearchPage> fetchRecent(int offset, int limit) override { return page(history_->items, offset, limit); }
    QFuture<ClipboardSearchPage> search(const QString& query, int offset, int limit) override {
        std::vector<ClipboardHistoryIndexSnapshot> found;
        for (const auto& item : history_->items) {
            if (item.searchText.contains(query, Qt::CaseInsensitive)) found.push_back(item);
        }
        return page(found, offset, limit);
    }
    QFuture<ClipboardSearchRebuildResult> rebuildIndex() override { return QtFuture::makeReadyFuture(ClipboardSearchRebuildResult{}); }
    QFuture<ClipboardSearchIndexStats> indexStats() override { return QtFuture::makeReadyFuture(ClipboardSearchIndexStats{}); }
    QFuture<std::vector<ClipboardSearchRuntimeOperationMetricsEntry>> runtimeMetrics() override {
        return QtFuture::makeReadyFuture(std::vector<ClipboardSearchRuntimeOperationMetricsEntry>{});
    }

private:
    static QFuture<ClipboardSearchPage> page(const std::vector<ClipboardHistoryIndexSnapshot>& rows, int offset, int limit) {
        ClipboardSearchPage result;
        for (int i = offset; i < int(rows.size()) && i < offset + limit; ++i) result.items.push_back(rows[std::size_t(i)]);
        result.hasMore = offset + limit < int(rows.size());
        return QtFuture::makeReadyFuture(result);
    }
    std::shared_ptr<PanelHistory> history_;
};

// A view model and controller over the fakes, with real timers (the 60 ms debounce).
struct PanelRig {
    std::shared_ptr<PanelHistory> history = std::make_shared<PanelHistory>();
    std::shared_ptr<FakePanelHistoryManager> manager = std::make_shared<FakePanelHistoryManager>(history);
    std::shared_ptr<FakePanelSearchService> search = std::make_shared<FakePanelSearchService>(history);
    InMemoryDefaultsStore defaults;
    Localizer localizer{defaults};
    QtOneShotTimerScheduler timers;
    FakePasteboard pasteboard;
    FakeWorkspace workspace;
    QTemporaryDir temporaryRoot;
    ClipboardTemporaryFiles temporaryFiles{timers, temporaryRoot.path() + QStringLiteral("/private")};
    ClipboardPanelViewModel viewModel{manager, search, defaults, timers, localizer};
    std::vector<QString> pinned;
    std::vector<QString> recognized;
    ClipboardPanelController controller{viewModel, ClipboardPanelControllerServices{
        pasteboard, workspace, defaults, localizer, temporaryFiles, DistributionChannel::direct, nullptr, {}, {},
        [this](const ClipboardHistoryContentSnapshot& content) { pinned.push_back(content.id); },
        [this](const QByteArray&, const QString& id) { recognized.push_back(id); }}};
};

} // namespace quellpad::test
