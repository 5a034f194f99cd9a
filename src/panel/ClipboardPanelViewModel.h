// The state behind a clipboard panel: the search text, the loaded page of items, the
// selection and the loading, error and more-available flags. Typing becomes paged
// queries against the search service (debounced), with the history manager as the
// fallback when the service fails. Owns no window. Main thread only.
//
// Only the newest request is ever applied: every request takes a new generation and
// an answer of an older generation is dropped without any state change.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include <QObject>
#include <QString>

#include "history/ClipboardHistoryRecords.h"
#include "search/ClipboardSearchFilter.h"
#include "search/ClipboardSearchPage.h"
#include "search/ClipboardSearchQueryParser.h"

namespace quellpad {

class ClipboardHistoryManagerProtocol;
class ClipboardSearchServiceProtocol;
class DefaultsStore;
class Localizer;
class OneShotTimerScheduler;
class ScheduledTimer;

class ClipboardPanelViewModel final : public QObject {
    Q_OBJECT
public:
    static constexpr int pageSize = 10;
    static constexpr double searchDebounceSeconds = 0.06;
    // A load-more asks again for this many rows before the end of what is loaded, so
    // that rows shifted by copies, uses or deletions made meanwhile are neither skipped
    // nor shown twice (repeats are dropped by id).
    static constexpr int loadMoreOverlap = pageSize;

    ClipboardPanelViewModel(std::shared_ptr<ClipboardHistoryManagerProtocol> historyManager,
                            std::shared_ptr<ClipboardSearchServiceProtocol> searchService, const DefaultsStore& defaults,
                            OneShotTimerScheduler& timers, const Localizer& localizer, QObject* parent = nullptr);
    ~ClipboardPanelViewModel() override;

    // After the services were rebuilt; a request in flight is dropped.
    void setServices(std::shared_ptr<ClipboardHistoryManagerProtocol> historyManager,
                     std::shared_ptr<ClipboardSearchServiceProtocol> searchService);
    ClipboardHistoryManagerProtocol& historyManager() const { return *historyManager_; }

    const QString& searchText() const { return searchText_; }
    // Enters the search pipeline: 60 ms debounce, repeats dropped, then parse and load.
    void setSearchText(const QString& text);
    // The next delivery of exactly this text through the pipeline starts no query.
    void suppressNextSearch(const QString& text) { suppressedSearchText_ = text; }
    // Sets the text and searches at once, without the debounce (a filter suggestion applied).
    void setSearchTextAndSearchNow(const QString& text);

    const std::vector<ClipboardHistoryIndexSnapshot>& clipboardItems() const { return clipboardItems_; }
    int selectedIndex() const { return selectedIndex_; }
    bool isLoading() const { return isLoading_; }
    const std::optional<QString>& errorMessage() const { return errorMessage_; }
    void setErrorMessage(const std::optional<QString>& message);
    bool canLoadMore() const { return canLoadMore_; }
    bool isLoadMoreAction() const { return isLoadMoreAction_; }
    const ClipboardParsedSearchQuery& parsedQuery() const { return parsedQuery_; }
    const std::vector<ClipboardSearchFilter>& activeFilters() const { return activeFilters_; }
    // Whether the rows shown answer a non-empty search (the empty state says "no matches").
    bool isShowingSearchResults() const { return !loadedKey_.isEmpty(); }

    void loadItems(bool isLoadMore, const std::optional<QString>& preferredSelectionID = std::nullopt);
    void loadMore();
    void moveSelection(bool up);
    // Arrow down on the last row loads the next page when there is one.
    void moveSelectionDownOrLoadMore();
    void select(int index);
    std::optional<ClipboardHistoryIndexSnapshot> selectedItem() const;
    void removeItem(const QString& id);
    void reset();

Q_SIGNALS:
    void searchTextChanged();
    void clipboardItemsChanged();
    void selectedIndexChanged();
    void isLoadingChanged();
    void errorMessageChanged();
    void canLoadMoreChanged();
    void parsedQueryChanged(); // also activeFilters
    // After a row was removed, with the selected index after the removal.
    void itemDeleted(int selectedIndex);
    // A query was sent to a service (tests and the benchmark count them).
    void queryStarted(const QString& normalizedText, int offset, int limit);

private:
    struct Request {
        quint64 generation = 0;
        QString key;
        int offset = 0;       // of the rows asked for
        int limit = 0;
        int visibleOffset = 0; // where the new rows start (the overlap lies before it)
        bool isLoadMore = false;
        std::optional<QString> preferredSelectionID;
    };

    void deliverDebounced();
    void handleDelivered(const QString& text);
    void startFallback(const Request& request, const QString& serviceError);
    void applyPage(const Request& request, const ClipboardSearchPage& page);
    void setLoading(bool loading);
    void setSelectedIndex(int index);
    void setCanLoadMore(bool value);
    bool isCurrent(const Request& request) const { return request.generation == generation_; }

    std::shared_ptr<ClipboardHistoryManagerProtocol> historyManager_;
    std::shared_ptr<ClipboardSearchServiceProtocol> searchService_;
    ClipboardSearchQueryParser parser_;
    OneShotTimerScheduler& timers_;
    const Localizer& localizer_;

    QString searchText_;
    std::vector<ClipboardHistoryIndexSnapshot> clipboardItems_;
    int selectedIndex_ = 0;
    bool isLoading_ = false;
    std::optional<QString> errorMessage_;
    bool canLoadMore_ = false;
    bool isLoadMoreAction_ = false;
    ClipboardParsedSearchQuery parsedQuery_;
    std::vector<ClipboardSearchFilter> activeFilters_;
    std::optional<QString> suppressedSearchText_;

    std::unique_ptr<ScheduledTimer> debounce_;
    std::optional<QString> lastDeliveredText_; // none until the first delivery
    quint64 generation_ = 0;
    QString loadedKey_;      // the key of the rows loaded
    int nextServiceOffset_ = 0; // where the next page starts in the service's order
};

} // namespace quellpad
