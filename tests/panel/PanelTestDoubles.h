// In-memory history and search for panel tests: a list of items searched by substring,
// contents looked up by id, and answers that can be held back to test late replies.
#pragma once

#include <deque>
#include <map>
#include <stdexcept>
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
    // A text item with a chosen id, oldest last (add) or newest (addFront).
    void add(const QString& id, const QString& text) {
        items.push_back(plainItem(id, text));
        contents[id] = ClipboardHistoryContentSnapshot{id, text, {}, {}, {}, {}};
    }
    void addFront(const QString& id, const QString& text) {
        items.insert(items.begin(), plainItem(id, text));
        contents[id] = ClipboardHistoryContentSnapshot{id, text, {}, {}, {}, {}};
    }
    void remove(const QString& id) {
        std::erase_if(items, [&](const auto& item) { return item.id == id; });
        contents.erase(id);
    }
    std::vector<ClipboardHistoryIndexSnapshot> matching(const QString& query) const {
        std::vector<ClipboardHistoryIndexSnapshot> found;
        for (const auto& item : items) {
            if (item.searchText.contains(query, Qt::CaseInsensitive)) found.push_back(item);
        }
        return found;
    }
    static ClipboardHistoryIndexSnapshot plainItem(const QString& id, const QString& text) {
        ClipboardHistoryIndexSnapshot item;
        item.id = id;
        item.preview = text.left(100);
        item.searchText = text;
        item.createdAt = QDateTime::fromSecsSinceEpoch(1'700'000'000);
        return item;
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

    // The fallback listing (the repository's substring search).
    QFuture<std::vector<ClipboardHistoryIndexSnapshot>> getHistorySnapshots(const QString& query,
                                                                            std::optional<int> limit) override {
        fallbackCalls.emplace_back(query, limit.value_or(-1));
        if (fallbackFails) {
            return QtFuture::makeExceptionalFuture<std::vector<ClipboardHistoryIndexSnapshot>>(
                std::make_exception_ptr(std::runtime_error("history store is locked")));
        }
        std::vector<ClipboardHistoryIndexSnapshot> found = history_->matching(query);
        if (limit && int(found.size()) > *limit) found.resize(std::size_t(*limit));
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
        history_->remove(id);
        deleted.push_back(id);
    }
    void clearAll() override { history_->items.clear(); }
    void recordUsage(const QString& id) override { used.push_back(id); }
    void performWithoutCapture(const std::function<void()>& body) override {
        body();
        if (onWithoutCapture) onWithoutCapture();
    }

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
    bool fallbackFails = false;
    std::vector<std::pair<QString, int>> fallbackCalls;
    // Runs inside performWithoutCapture, after its body (tests check what was written there).
    std::function<void()> onWithoutCapture;

private:
    std::shared_ptr<PanelHistory> history_;
};

// Pages of the history's substring matches, newest first; answers given at once, or
// held back and released in any order, or failing.
class FakePanelSearchService final : public ClipboardSearchServiceProtocol {
public:
    explicit FakePanelSearchService(std::shared_ptr<PanelHistory> history) : history_(std::move(history)) {}

    struct Call {
        QString text; // "" for the recent listing
        int offset = 0;
        int limit = 0;
    };
    std::vector<Call> calls;
    bool holdAnswers = false;
    bool fails = false;

    QFuture<ClipboardSearchPage> fetchRecent(int offset, int limit) override { return answer({QString(), offset, limit}); }
    QFuture<ClipboardSearchPage> search(const QString& query, int offset, int limit) override {
        return answer({query, offset, limit});
    }
    QFuture<ClipboardSearchRebuildResult> rebuildIndex() override { return QtFuture::makeReadyFuture(ClipboardSearchRebuildResult{}); }
    QFuture<ClipboardSearchIndexStats> indexStats() override { return QtFuture::makeReadyFuture(ClipboardSearchIndexStats{}); }
    QFuture<std::vector<ClipboardSearchRuntimeOperationMetricsEntry>> runtimeMetrics() override {
        return QtFuture::makeReadyFuture(std::vector<ClipboardSearchRuntimeOperationMetricsEntry>{});
    }

    std::size_t pending() const { return held_.size(); }
    // Answers the held call at index (0 = oldest) from the history as it is now.
    void release(std::size_t index, bool fail = false) {
        Held held = std::move(held_.at(index));
        held_.erase(held_.begin() + std::ptrdiff_t(index));
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
            const std::vector<ClipboardHistoryIndexSnapshot> rows = history_->matching(call.text);
            ClipboardSearchPage page;
            for (int i = call.offset; i < int(rows.size()) && i < call.offset + call.limit; ++i) {
                page.items.push_back(rows[std::size_t(i)]);
            }
            page.hasMore = int(rows.size()) > call.offset + call.limit;
            promise.addResult(page);
        }
        promise.finish();
    }

    std::shared_ptr<PanelHistory> history_;
    std::deque<Held> held_;
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
        [this](ClipboardContentType, const ClipboardHistoryContentSnapshot& content) { pinned.push_back(content.id); },
        [this](const QByteArray&, const QString& id) { recognized.push_back(id); }}};
};

} // namespace quellpad::test
