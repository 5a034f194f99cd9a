#include "panel/ClipboardPanelViewModel.h"

#include <unordered_set>

#include "Core/Utilities/ClipboardSearchText.h"
#include "Core/Utilities/Logger.h"
#include "Core/Utilities/MainThread.h"
#include "history/ClipboardHistoryManagerProtocol.h"
#include "localization/Localizer.h"
#include "platform/OneShotTimer.h"
#include "search/ClipboardSearchServiceProtocol.h"
#include "search/SQLiteClipboardSearchIndexStoreError.h"

namespace quellpad {

namespace {
const QString category = QStringLiteral("ClipboardPanelViewModel");

QString describe(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const SQLiteClipboardSearchIndexStoreError& e) {
        return e.description();
    } catch (const ClipboardSearchServiceError& e) {
        return e.description();
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return QStringLiteral("unknown error");
    }
}
} // namespace

ClipboardPanelViewModel::ClipboardPanelViewModel(std::shared_ptr<ClipboardHistoryManagerProtocol> historyManager,
                                                 std::shared_ptr<ClipboardSearchServiceProtocol> searchService,
                                                 const DefaultsStore& defaults, OneShotTimerScheduler& timers,
                                                 const Localizer& localizer, QObject* parent)
    : QObject(parent),
      historyManager_(std::move(historyManager)),
      searchService_(std::move(searchService)),
      parser_(defaults),
      timers_(timers),
      localizer_(localizer) {}

ClipboardPanelViewModel::~ClipboardPanelViewModel() = default;

void ClipboardPanelViewModel::setServices(std::shared_ptr<ClipboardHistoryManagerProtocol> historyManager,
                                          std::shared_ptr<ClipboardSearchServiceProtocol> searchService) {
    historyManager_ = std::move(historyManager);
    searchService_ = std::move(searchService);
    // An answer from the old services must not land in the new state.
    ++generation_;
    setLoading(false);
}

void ClipboardPanelViewModel::setSearchText(const QString& text) {
    const bool changed = text != searchText_;
    searchText_ = text;
    if (changed) Q_EMIT searchTextChanged();
    // Every write restarts the debounce, as typing does.
    debounce_ = timers_.schedule(searchDebounceSeconds, [this] { deliverDebounced(); });
}

void ClipboardPanelViewModel::setSearchTextAndSearchNow(const QString& text) {
    debounce_.reset();
    if (text != searchText_) {
        searchText_ = text;
        Q_EMIT searchTextChanged();
    }
    suppressedSearchText_.reset();
    lastDeliveredText_ = text;
    handleDelivered(text);
}

void ClipboardPanelViewModel::deliverDebounced() {
    debounce_.reset();
    if (lastDeliveredText_ && *lastDeliveredText_ == searchText_) {
        return;
    }
    lastDeliveredText_ = searchText_;
    handleDelivered(searchText_);
}

void ClipboardPanelViewModel::handleDelivered(const QString& text) {
    if (suppressedSearchText_) {
        const QString suppressed = *suppressedSearchText_;
        suppressedSearchText_.reset();
        if (suppressed == text) return;
    }
    parsedQuery_ = parser_.parse(text);
    activeFilters_ = parsedQuery_.explicitFilters;
    activeFilters_.insert(activeFilters_.end(), parsedQuery_.implicitFilters.begin(), parsedQuery_.implicitFilters.end());
    Q_EMIT parsedQueryChanged();
    loadItems(false);
}

void ClipboardPanelViewModel::loadItems(bool isLoadMore, const std::optional<QString>& preferredSelectionID) {
    Request request;
    request.generation = ++generation_;
    request.key = ClipboardSearchText::normalizeSearchText(searchText_);
    request.isLoadMore = isLoadMore;
    request.preferredSelectionID = preferredSelectionID;
    if (isLoadMore) {
        // Rows the next page starts with may have shifted since: ask again for a few
        // already loaded ones and drop repeats by id.
        request.visibleOffset = nextServiceOffset_;
        request.offset = std::max(0, nextServiceOffset_ - loadMoreOverlap);
        request.limit = pageSize + (request.visibleOffset - request.offset);
    } else {
        request.limit = pageSize;
    }
    isLoadMoreAction_ = isLoadMore;
    setLoading(true);
    setErrorMessage(std::nullopt);

    Q_EMIT queryStarted(request.key, request.offset, request.limit);
    QFuture<ClipboardSearchPage> future = request.key.isEmpty()
                                              ? searchService_->fetchRecent(request.offset, request.limit)
                                              : searchService_->search(request.key, request.offset, request.limit);
    MainThread::whenFinished(future, this, [this, request](QFuture<ClipboardSearchPage> done) {
        if (!isCurrent(request)) return;
        try {
            applyPage(request, done.result());
        } catch (...) {
            const QString error = describe(std::current_exception());
            Logger::warning(QStringLiteral("Search service failed, falling back to repository query: ") + error, category);
            startFallback(request, error);
        }
    });
}

void ClipboardPanelViewModel::startFallback(const Request& request, const QString& serviceError) {
    Q_UNUSED(serviceError);
    // One row more than the page tells whether more rows exist.
    const int limit = request.offset + request.limit + 1;
    MainThread::whenFinished(
        historyManager_->getHistorySnapshots(request.key, limit), this,
        [this, request](QFuture<std::vector<ClipboardHistoryIndexSnapshot>> done) {
            if (!isCurrent(request)) return;
            try {
                const std::vector<ClipboardHistoryIndexSnapshot> rows = done.result();
                ClipboardSearchPage page;
                const auto begin = rows.begin() + std::min<qsizetype>(request.offset, rows.size());
                const auto end = rows.begin() + std::min<qsizetype>(request.offset + request.limit, rows.size());
                page.items.assign(begin, end);
                page.hasMore = static_cast<int>(rows.size()) > request.offset + request.limit;
                applyPage(request, page);
                setErrorMessage(localizer_.text(TextKey::panelFallbackNotice));
            } catch (...) {
                const QString error = describe(std::current_exception());
                Logger::error(QStringLiteral("Fallback query failed: ") + error, category);
                setLoading(false);
                setErrorMessage(localizer_.text(TextKey::panelSearchFailed, {error}));
            }
        });
}

void ClipboardPanelViewModel::applyPage(const Request& request, const ClipboardSearchPage& page) {
    loadedKey_ = request.key;
    if (request.isLoadMore) {
        std::unordered_set<QString> loaded;
        loaded.reserve(clipboardItems_.size());
        for (const ClipboardHistoryIndexSnapshot& item : clipboardItems_) loaded.insert(item.id);
        bool appended = false;
        for (const ClipboardHistoryIndexSnapshot& item : page.items) {
            if (loaded.insert(item.id).second) {
                clipboardItems_.push_back(item);
                appended = true;
            }
        }
        nextServiceOffset_ = std::max(nextServiceOffset_, request.offset + static_cast<int>(page.items.size()));
        if (appended) Q_EMIT clipboardItemsChanged();
    } else {
        clipboardItems_ = page.items;
        nextServiceOffset_ = static_cast<int>(page.items.size());
        Q_EMIT clipboardItemsChanged();
    }
    setLoading(false);
    setCanLoadMore(page.hasMore);
    setErrorMessage(std::nullopt);
    if (request.isLoadMore) {
        return;
    }
    int index = 0;
    if (request.preferredSelectionID) {
        for (int i = 0; i < static_cast<int>(clipboardItems_.size()); ++i) {
            if (clipboardItems_[static_cast<size_t>(i)].id == *request.preferredSelectionID) {
                index = i;
                break;
            }
        }
    }
    selectedIndex_ = -1; // a new list: announce the selection even when the index is the same
    setSelectedIndex(index);
}

void ClipboardPanelViewModel::loadMore() {
    if (!canLoadMore_ || isLoading_) return;
    const std::optional<ClipboardHistoryIndexSnapshot> selected = selectedItem();
    loadItems(true, selected ? std::optional<QString>(selected->id) : std::nullopt);
}

void ClipboardPanelViewModel::moveSelection(bool up) {
    if (clipboardItems_.empty()) return;
    if (up) {
        if (selectedIndex_ >= 1) setSelectedIndex(selectedIndex_ - 1);
    } else if (selectedIndex_ < static_cast<int>(clipboardItems_.size()) - 1) {
        setSelectedIndex(selectedIndex_ + 1);
    }
}

void ClipboardPanelViewModel::moveSelectionDownOrLoadMore() {
    if (!clipboardItems_.empty() && selectedIndex_ == static_cast<int>(clipboardItems_.size()) - 1 && canLoadMore_) {
        loadMore();
    } else {
        moveSelection(false);
    }
}

void ClipboardPanelViewModel::select(int index) {
    if (index >= 0 && index < static_cast<int>(clipboardItems_.size())) setSelectedIndex(index);
}

std::optional<ClipboardHistoryIndexSnapshot> ClipboardPanelViewModel::selectedItem() const {
    if (clipboardItems_.empty() || selectedIndex_ < 0 || selectedIndex_ >= static_cast<int>(clipboardItems_.size())) {
        return std::nullopt;
    }
    return clipboardItems_[static_cast<size_t>(selectedIndex_)];
}

void ClipboardPanelViewModel::removeItem(const QString& id) {
    const auto found = std::find_if(clipboardItems_.begin(), clipboardItems_.end(),
                                    [&id](const ClipboardHistoryIndexSnapshot& item) { return item.id == id; });
    if (found == clipboardItems_.end()) {
        loadItems(false);
        return;
    }
    const int removedIndex = static_cast<int>(found - clipboardItems_.begin());
    historyManager_->deleteItem(id);
    clipboardItems_.erase(found);
    // The rows after it moved up by one in the service's order too.
    nextServiceOffset_ = std::max(0, nextServiceOffset_ - 1);
    const int count = static_cast<int>(clipboardItems_.size());
    int index = selectedIndex_;
    if (count == 0) {
        index = 0;
    } else if (index >= count) {
        index = count - 1;
    } else if (removedIndex < index) {
        index -= 1;
    }
    Q_EMIT clipboardItemsChanged();
    selectedIndex_ = -1;
    setSelectedIndex(index);
    Q_EMIT itemDeleted(selectedIndex_);
    if (clipboardItems_.empty() && canLoadMore_) {
        loadMore();
    }
}

void ClipboardPanelViewModel::reset() {
    ++generation_; // drops the request in flight
    debounce_.reset();
    suppressedSearchText_.reset();
    // The empty text counts as delivered, so the reset itself never starts a query.
    lastDeliveredText_ = QString();
    loadedKey_.clear();
    nextServiceOffset_ = 0;
    if (!searchText_.isEmpty()) {
        searchText_.clear();
        Q_EMIT searchTextChanged();
    }
    if (!clipboardItems_.empty()) {
        clipboardItems_.clear();
        Q_EMIT clipboardItemsChanged();
    }
    setSelectedIndex(0);
    setLoading(false);
    setErrorMessage(std::nullopt);
    setCanLoadMore(false);
    isLoadMoreAction_ = false;
    if (!(parsedQuery_ == ClipboardParsedSearchQuery{}) || !activeFilters_.empty()) {
        parsedQuery_ = {};
        activeFilters_.clear();
        Q_EMIT parsedQueryChanged();
    }
}

void ClipboardPanelViewModel::setErrorMessage(const std::optional<QString>& message) {
    if (message == errorMessage_) return;
    errorMessage_ = message;
    Q_EMIT errorMessageChanged();
}

void ClipboardPanelViewModel::setLoading(bool loading) {
    if (loading == isLoading_) return;
    isLoading_ = loading;
    Q_EMIT isLoadingChanged();
}

void ClipboardPanelViewModel::setSelectedIndex(int index) {
    if (index == selectedIndex_) return;
    selectedIndex_ = index;
    Q_EMIT selectedIndexChanged();
}

void ClipboardPanelViewModel::setCanLoadMore(bool value) {
    if (value == canLoadMore_) return;
    canLoadMore_ = value;
    Q_EMIT canLoadMoreChanged();
}

} // namespace quellpad
