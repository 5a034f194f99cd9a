// The panel's state machine with a hand-driven clock: the debounced query pipeline,
// paging while the history changes underneath, selection rules, the fallback path and
// the rule that an older answer never lands after a newer request.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include "localization/Localizer.h"
#include "panel/ClipboardPanelViewModel.h"
#include "platform/fake/InMemoryDefaultsStore.h"
#include "platform/fake/ManualTimerScheduler.h"
#include "support/TestSupport.h"
#include "panel/PanelTestDoubles.h"

namespace quellpad {
namespace {

using test::PanelHistory;
using test::FakePanelHistoryManager;
using test::FakePanelSearchService;

void drainEvents() {
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
}

class ClipboardPanelViewModelTest : public ::testing::Test {
protected:
    std::shared_ptr<PanelHistory> history = std::make_shared<PanelHistory>();
    std::shared_ptr<FakePanelSearchService> search = std::make_shared<FakePanelSearchService>(history);
    std::shared_ptr<FakePanelHistoryManager> manager = std::make_shared<FakePanelHistoryManager>(history);
    InMemoryDefaultsStore defaults;
    ManualTimerScheduler timers;
    Localizer localizer{defaults};
    ClipboardPanelViewModel model{manager, search, defaults, timers, localizer};

    void fill(int count, const QString& prefix = QStringLiteral("item")) {
        for (int i = 0; i < count; ++i) {
            history->add(QStringLiteral("ID-%1").arg(i, 3, 10, QLatin1Char('0')), prefix + QString::number(i));
        }
    }
    void type(const QString& text) {
        model.setSearchText(text);
    }
    void settleDebounce() {
        while (timers.fireNext()) {
        }
        drainEvents();
    }
    int distinctLoaded() const {
        const QStringList ids = loadedIds();
        return static_cast<int>(QSet<QString>(ids.begin(), ids.end()).size());
    }
    QStringList loadedIds() const {
        QStringList ids;
        for (const auto& item : model.clipboardItems()) ids << item.id;
        return ids;
    }
};

TEST_F(ClipboardPanelViewModelTest, DebouncedPipelineQueriesOnceForTheSettledTextAndSkipsRepeats) {
    fill(3);
    // The value present at construction is never queried.
    drainEvents();
    EXPECT_TRUE(search->calls.empty());

    type(QStringLiteral("a"));
    type(QStringLiteral("ab"));
    type(QStringLiteral("a"));
    EXPECT_TRUE(search->calls.empty()) << "nothing before the debounce interval ends";
    EXPECT_EQ(timers.pendingIntervals(), std::vector<double>{ClipboardPanelViewModel::searchDebounceSeconds});
    settleDebounce();
    ASSERT_EQ(search->calls.size(), 1u);
    EXPECT_EQ(search->calls[0].text, QStringLiteral("a"));

    // The same text again, after the interval: no second query.
    type(QStringLiteral("a"));
    settleDebounce();
    EXPECT_EQ(search->calls.size(), 1u);

    // A filter is parsed into chips; the service still gets the whole normalised text.
    type(QStringLiteral("type:json Item1"));
    settleDebounce();
    ASSERT_EQ(search->calls.size(), 2u);
    EXPECT_EQ(search->calls[1].text, QStringLiteral("type:json item1"));
    ASSERT_EQ(model.activeFilters().size(), 1u);
    EXPECT_EQ(model.activeFilters()[0].kind, ClipboardSearchFilterKind::type);
}

TEST_F(ClipboardPanelViewModelTest, SuppressedTextIsSwallowedOnceAndAnotherTextClearsTheSuppression) {
    fill(2);
    model.suppressNextSearch(QStringLiteral("item"));
    type(QStringLiteral("item"));
    settleDebounce();
    EXPECT_TRUE(search->calls.empty());

    model.suppressNextSearch(QStringLiteral("zzz"));
    type(QStringLiteral("item1"));
    settleDebounce();
    ASSERT_EQ(search->calls.size(), 1u);
    type(QStringLiteral("zzz"));
    settleDebounce();
    EXPECT_EQ(search->calls.size(), 2u) << "the suppression ended with the first delivered text";
}

TEST_F(ClipboardPanelViewModelTest, ResetAfterASearchStartsNoQueryForTheEmptyText) {
    fill(3);
    type(QStringLiteral("item"));
    settleDebounce();
    ASSERT_EQ(search->calls.size(), 1u);
    type(QStringLiteral("item2")); // still debouncing when the panel closes
    model.reset();
    settleDebounce();
    EXPECT_EQ(search->calls.size(), 1u);
    EXPECT_TRUE(model.searchText().isEmpty());
    EXPECT_TRUE(model.clipboardItems().empty());
    EXPECT_FALSE(model.isLoading());
    EXPECT_TRUE(model.activeFilters().empty());

    // Typing again after the reset is queried as usual.
    type(QStringLiteral("item"));
    settleDebounce();
    EXPECT_EQ(search->calls.size(), 2u);
}

TEST_F(ClipboardPanelViewModelTest, OnlyTheNewestRequestIsAppliedWhateverOrderTheAnswersArriveIn) {
    fill(12);
    history->add(QStringLiteral("ID-X"), QStringLiteral("xylophone"));
    search->holdAnswers = true;
    model.loadItems(false);
    type(QStringLiteral("xylo"));
    settleDebounce();
    ASSERT_EQ(search->pending(), 2u);

    search->release(1); // the newer answer first
    drainEvents();
    EXPECT_EQ(loadedIds(), QStringList{QStringLiteral("ID-X")});
    int changes = 0;
    QObject::connect(&model, &ClipboardPanelViewModel::clipboardItemsChanged, [&] { ++changes; });
    search->release(0); // the older one, late
    drainEvents();
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(loadedIds(), QStringList{QStringLiteral("ID-X")});

    // A superseded request that fails shows no fallback notice and queries no fallback.
    model.loadItems(false);
    model.loadItems(false);
    search->release(0, /*fail=*/true);
    drainEvents();
    EXPECT_FALSE(model.errorMessage().has_value());
    EXPECT_TRUE(manager->fallbackCalls.empty());
    EXPECT_TRUE(model.isLoading());
    search->release(0);
    drainEvents();
    EXPECT_FALSE(model.isLoading());
}

TEST_F(ClipboardPanelViewModelTest, FailingSearchFallsBackWithItsOwnHasMoreAndAFailingFallbackEndsLoading) {
    fill(25);
    search->fails = true;
    model.loadItems(false);
    drainEvents();
    ASSERT_EQ(model.clipboardItems().size(), 10u);
    EXPECT_TRUE(model.canLoadMore()) << "derived from one row more than the page";
    EXPECT_EQ(model.errorMessage(), QStringLiteral("Search index unavailable. Showing fallback results."));
    ASSERT_EQ(manager->fallbackCalls.size(), 1u);
    EXPECT_EQ(manager->fallbackCalls[0].second, 11);

    model.loadMore();
    drainEvents();
    model.loadMore();
    drainEvents();
    EXPECT_EQ(model.clipboardItems().size(), 25u);
    EXPECT_FALSE(model.canLoadMore());
    EXPECT_EQ(distinctLoaded(), 25);

    manager->fallbackFails = true;
    model.loadItems(false);
    drainEvents();
    EXPECT_FALSE(model.isLoading());
    ASSERT_TRUE(model.errorMessage().has_value());
    EXPECT_TRUE(model.errorMessage()->contains(QStringLiteral("history store is locked")));
}

TEST_F(ClipboardPanelViewModelTest, LoadMoreAppendsTheNextRowsOnceEvenWhenTheHistoryChangesMeanwhile) {
    fill(35);
    model.loadItems(false);
    drainEvents();
    model.select(4);
    model.loadMore();
    drainEvents();
    ASSERT_EQ(model.clipboardItems().size(), 20u);
    EXPECT_EQ(model.selectedIndex(), 4) << "a load-more leaves the selection alone";
    EXPECT_EQ(loadedIds().last(), QStringLiteral("ID-019"));

    // Two copies arrive at the top: the next page would start two rows early.
    history->addFront(QStringLiteral("NEW-1"), QStringLiteral("new one"));
    history->addFront(QStringLiteral("NEW-2"), QStringLiteral("new two"));
    model.loadMore();
    drainEvents();
    QStringList ids = loadedIds();
    EXPECT_EQ(distinctLoaded(), ids.size()) << "no row twice";
    EXPECT_EQ(ids.mid(20, 10).first(), QStringLiteral("ID-020"));

    // Loaded rows deleted elsewhere (the command line): the next page must not skip any.
    history->remove(QStringLiteral("ID-003"));
    history->remove(QStringLiteral("ID-010"));
    history->remove(QStringLiteral("ID-011"));
    model.loadMore();
    drainEvents();
    ids = loadedIds();
    EXPECT_EQ(distinctLoaded(), ids.size());
    for (int i = 20; i < 35; ++i) {
        EXPECT_TRUE(ids.contains(QStringLiteral("ID-%1").arg(i, 3, 10, QLatin1Char('0')))) << i;
    }
    EXPECT_FALSE(model.canLoadMore());
}

TEST_F(ClipboardPanelViewModelTest, SelectionKeepsThePreferredItemAndStopsAtTheEnds) {
    fill(15);
    model.loadItems(false);
    drainEvents();
    model.moveSelection(true);
    EXPECT_EQ(model.selectedIndex(), 0);
    for (int i = 0; i < 20; ++i) model.moveSelection(false);
    EXPECT_EQ(model.selectedIndex(), 9);

    // Down on the last row with more available loads the next page instead of moving.
    model.moveSelectionDownOrLoadMore();
    drainEvents();
    EXPECT_EQ(model.clipboardItems().size(), 15u);
    EXPECT_EQ(model.selectedIndex(), 9);
    model.moveSelectionDownOrLoadMore();
    EXPECT_EQ(model.selectedIndex(), 10);

    model.loadItems(false, QStringLiteral("ID-007"));
    drainEvents();
    EXPECT_EQ(model.selectedIndex(), 7);
    model.loadItems(false, QStringLiteral("ID-014")); // not in the first page
    drainEvents();
    EXPECT_EQ(model.selectedIndex(), 0);
    model.select(42);
    EXPECT_EQ(model.selectedIndex(), 0);
}

TEST_F(ClipboardPanelViewModelTest, RemovingRowsReselectsByTheThreeRulesAndReloadsForUnknownIds) {
    fill(12);
    model.loadItems(false);
    drainEvents();
    std::vector<int> announced;
    QObject::connect(&model, &ClipboardPanelViewModel::itemDeleted, [&](int index) { announced.push_back(index); });

    model.select(5);
    model.removeItem(QStringLiteral("ID-005")); // the selected row: the next one takes its place
    EXPECT_EQ(model.selectedIndex(), 5);
    EXPECT_EQ(model.selectedItem()->id, QStringLiteral("ID-006"));
    model.removeItem(QStringLiteral("ID-001")); // before the selection: it moves up with its row
    EXPECT_EQ(model.selectedItem()->id, QStringLiteral("ID-006"));
    model.select(7);
    model.removeItem(QStringLiteral("ID-009")); // the last row while selected
    EXPECT_EQ(model.selectedIndex(), 6);
    EXPECT_EQ(announced, (std::vector<int>{5, 4, 6}));
    EXPECT_EQ(manager->deleted, (std::vector<QString>{QStringLiteral("ID-005"), QStringLiteral("ID-001"),
                                                      QStringLiteral("ID-009")}));

    const size_t callsBefore = search->calls.size();
    model.removeItem(QStringLiteral("NOT-LOADED"));
    drainEvents();
    EXPECT_EQ(manager->deleted.size(), 3u) << "nothing is deleted for an id that is not shown";
    EXPECT_EQ(search->calls.size(), callsBefore + 1);

    // Emptying a page with more behind it loads the next one.
    model.reset();
    history->items.clear();
    fill(11, QStringLiteral("again"));
    type(QStringLiteral("again10"));
    settleDebounce();
    ASSERT_EQ(model.clipboardItems().size(), 1u);
    model.removeItem(model.clipboardItems()[0].id);
    EXPECT_TRUE(model.clipboardItems().empty());
    EXPECT_EQ(model.selectedIndex(), 0);
}

} // namespace
} // namespace quellpad
