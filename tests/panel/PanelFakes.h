// A search service and a history manager over one in-memory history, whose answers
// the tests either give at once or hold back and release in any order.
#pragma once

#include <algorithm>
#include <deque>
#include <functional>
#include <memory>
#include <stdexcept>

#include <QFuture>
#include <QPromise>

#include "history/ClipboardHistoryManagerProtocol.h"
#include "search/ClipboardSearchServiceProtocol.h"

namespace quellpad::test {

inline ClipboardHistoryIndexSnapshot makeItem(const QString& id, const QString& text,
                                              ClipboardContentType type = ClipboardContentType::text) {
    ClipboardHistoryIndexSnapshot item;
    item.id = id;
    item.preview = text.left(100);
    item.searchText = text;
    item.createdAt = QDateTime::fromSecsSinceEpoch(1'700'000'000);
    item.contentType = type;
    return item;
}

// Newest first; searches are substring matches of searchText.
struct FakeHistory {
    std::vector<ClipboardHistoryIndexSnapshot> items;
    std::map<QString, ClipboardHistoryContentSnapshot> contents;

    void add(const QString& id, const QString& text) {
        items.push_back(makeItem(id, text));
        contents[id] = ClipboardHistoryContentSnapshot{id, text, {}, {}, {}, {}};
    }
    void addFront(const QString& id, const QString& text) {
        items.insert(items.begin(), makeItem(id, text));
        contents[id] = ClipboardHistoryContentSnapshot{id, text, {}, {}, {}, {}};
    }
    void remove(const QString& id) {
        std::erase_if(items, [&](const auto& item) { return item.id == id; });
        contents.erase(id);
    }
    std::vector<ClipboardHistoryIndexSnapshot> matching(const QString& query) const {
        std::vector<ClipboardHistoryIndexSnapshot> result;
        for (const auto& item : items) {
            if (query.isEmpty() || item.searchText.contains(query, Qt::CaseInsensitive)) result.push_back(item);
        }
        return result;
    }
};

class FakeSearchService final : public ClipboardSearchServiceProtocol {
public:
    explicit FakeSearchService(std::shared_ptr<FakeHistory> history) : history_(std::move(history)) {}

    struct Call {
        QString text; // "" for the recent listing
        int offset = 0;
        int limit = 0;
    };
    std::vector<Call> calls;
    bool holdAnswers = false; // answers wait for release()
    bool fails = false;

    QFuture<ClipboardSearchPage> fetchRecent(int offset, int limit) override { return answer({QString(), offset, limit}); }
    QFuture<ClipboardSearchPage> search(const QString& query, int offset, int limit) override {
        return answer({query, offset, limit});
    }
    QFuture<ClipboardSearchRebuildResult> rebuildIndex() override {
        return QtFuture::makeReadyFuture(ClipboardSearchRebuildResult{});
    }
    QFuture<ClipboardSearchIndexStats> indexStats() override { return QtFuture::makeReadyFuture(ClipboardSearchIndexStats{}); }
    QFuture<std::vector<ClipboardSearchRuntimeOperationMetricsEntry>> runtimeMetrics() override {
        return QtFuture::makeReadyFuture(std::vector<ClipboardSearchRuntimeOperationMetricsEntry>{});
    }

    size_t pending() const { return held_.size(); }
    // Answers the held call at index (0 = oldest) from the history as it is now.
    void release(size_t index, bool fail = false) {
        Held held = std::move(held_.at(index));
        held_.erase(held_.begin() + static_cast<std::ptrdiff_t>(index));
        settle(*held.promise, held.call, fail);
    }

private:
    struct Held {
        Call call;
        std::shared_ptr<QPromise<ClipboardSearchPage>> promise;
    };

    QFuture<ClipboardSearchPage> answer(const Call& call) {
        calls.push_back(call);
        auto promise = std::make_shared<QPromise<ClipboardSearchPage>>();
        promise->start();
        QFuture<ClipboardSearchPage> future = promise->future();
        if (holdAnswers) {
            held_.push_back({call, promise});
        } else {
            settle(*promise, call, fails);
        }
        return future;
    }
    void settle(QPromise<ClipboardSearchPage>& promise, const Call& call, bool fail) {
        if (fail) {
            promise.setException(std::make_exception_ptr(ClipboardSearchServiceError()));
        } else {
            const auto rows = history_->matching(call.text);
            ClipboardSearchPage page;
            for (int i = call.offset; i < std::min<int>(call.offset + call.limit, static_cast<int>(rows.size())); ++i) {
                page.items.push_back(rows[static_cast<size_t>(i)]);
            }
            page.hasMore = static_cast<int>(rows.size()) > call.offset + call.limit;
            promise.addResult(page);
        }
        promise.finish();
    }

    std::shared_ptr<FakeHistory> history_;
    std::deque<Held> held_;
};

class FakeHistoryManager final : public ClipboardHistoryManagerProtocol {
public:
    explicit FakeHistoryManager(std::shared_ptr<FakeHistory> history) : history_(std::move(history)) {}

    bool fallbackFails = false;
    std::vector<std::pair<QString, int>> fallbackCalls;
    std::vector<QString> deleted;
    std::vector<QString> used;
    int withoutCaptureDepth = 0;
    // Called inside performWithoutCapture (tests check what was written there).
    std::function<void()> onWithoutCapture;

    QFuture<std::vector<ClipboardHistoryIndexSnapshot>> getHistorySnapshots(const QString& query,
                                                                            std::optional<int> limit) override {
        fallbackCalls.emplace_back(query, limit.value_or(-1));
        if (fallbackFails) {
            return QtFuture::makeExceptionalFuture<std::vector<ClipboardHistoryIndexSnapshot>>(
                std::make_exception_ptr(std::runtime_error("history store is locked")));
        }
        auto rows = history_->matching(query);
        if (limit && static_cast<int>(rows.size()) > *limit) rows.resize(static_cast<size_t>(*limit));
        return QtFuture::makeReadyFuture(rows);
    }
    QFuture<std::optional<ClipboardHistoryContentSnapshot>> getContentSnapshotById(const QString& id) override {
        const auto found = history_->contents.find(id);
        return QtFuture::makeReadyFuture(found == history_->contents.end()
                                             ? std::optional<ClipboardHistoryContentSnapshot>()
                                             : std::optional<ClipboardHistoryContentSnapshot>(found->second));
    }
    void deleteItem(const QString& id) override {
        deleted.push_back(id);
        history_->remove(id);
    }
    void clearAll() override { history_->items.clear(); }
    void recordUsage(const QString& id) override { used.push_back(id); }
    void performWithoutCapture(const std::function<void()>& body) override {
        ++withoutCaptureDepth;
        body();
        if (onWithoutCapture) onWithoutCapture();
        --withoutCaptureDepth;
    }

private:
    std::shared_ptr<FakeHistory> history_;
};

} // namespace quellpad::test
