// The result list model over a real view model and controller: rows, the "Show More"
// row, appends as insertions, removals, the filter suggestions, and row texts.
#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include "localization/AppLanguage.h"
#include "panel/ClipboardResultListModel.h"
#include "panel/PanelTestDoubles.h"
#include "settings/PreferenceKeys.h"
#include "support/TestSupport.h"

namespace quellpad {
namespace {

using Model = ClipboardResultListModel;

class ClipboardResultListModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (int i = 0; i < 25; ++i) {
            ids.push_back(rig.history->addText(QStringLiteral("item %1\nsecond line").arg(i)));
        }
    }
    void loadFirstPage() {
        rig.viewModel.loadItems(false);
        ASSERT_TRUE(test::processEventsUntil([&] { return !rig.viewModel.isLoading() && model.rowCount() > 0; }));
    }
    QString text(int row, int role = Qt::DisplayRole) const { return model.data(model.index(row), role).toString(); }
    Model::RowKind kind(int row) const { return model.rowKind(row); }

    test::PanelRig rig;
    std::vector<QString> ids;
    Model model{rig.viewModel, rig.controller, rig.localizer};
    QAbstractItemModelTester tester{&model, QAbstractItemModelTester::FailureReportingMode::Fatal};
};

TEST_F(ClipboardResultListModelTest, PagesAppendAsInsertionsBeforeTheShowMoreRowWhichLeavesWithTheLastPage) {
    loadFirstPage();
    ASSERT_EQ(model.rowCount(), 11);
    EXPECT_EQ(kind(10), Model::RowKind::showMore);
    EXPECT_EQ(text(10), QStringLiteral("Show More"));
    EXPECT_EQ(text(0), QStringLiteral("item 0 second line"));
    EXPECT_EQ(text(0, Qt::AccessibleTextRole), text(0));
    EXPECT_EQ(text(3, Model::IdRole), ids[3]);
    EXPECT_EQ(text(3, Model::ContentTypeRole), QStringLiteral("text"));
    EXPECT_EQ(text(3, Model::SourceApplicationRole), QStringLiteral("TextEditor"));
    EXPECT_EQ(text(3, Model::RelativeDateRole), QStringLiteral("2 min ago"));

    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    rig.viewModel.select(4);
    rig.viewModel.loadMore();
    ASSERT_TRUE(test::processEventsUntil([&] { return model.rowCount() == 21; }));
    EXPECT_EQ(resets.count(), 0);
    ASSERT_GE(inserted.count(), 1);
    EXPECT_EQ(inserted.first().at(1).toInt(), 10);
    EXPECT_EQ(kind(20), Model::RowKind::showMore);
    EXPECT_TRUE(model.data(model.index(4), Model::SelectedRole).toBool());
    EXPECT_EQ(model.selectedRow(), 4);

    rig.viewModel.loadMore();
    ASSERT_TRUE(test::processEventsUntil([&] { return !rig.viewModel.isLoading() && !rig.viewModel.canLoadMore(); }));
    EXPECT_EQ(model.rowCount(), 25);
    EXPECT_EQ(kind(24), Model::RowKind::item);
    EXPECT_EQ(resets.count(), 0);
}

TEST_F(ClipboardResultListModelTest, SelectionAndRemovalChangeOnlyTheRowsConcerned) {
    loadFirstPage();
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    rig.viewModel.moveSelection(false);
    ASSERT_EQ(changed.count(), 2);
    EXPECT_EQ(changed.at(0).at(0).value<QModelIndex>().row(), 0);
    EXPECT_EQ(changed.at(1).at(0).value<QModelIndex>().row(), 1);
    EXPECT_FALSE(model.data(model.index(0), Model::SelectedRole).toBool());
    EXPECT_TRUE(model.data(model.index(1), Model::SelectedRole).toBool());

    rig.viewModel.removeItem(ids[1]);
    ASSERT_EQ(removed.count(), 1);
    EXPECT_EQ(removed.first().at(1).toInt(), 1);
    EXPECT_EQ(resets.count(), 0);
    EXPECT_EQ(text(1, Model::IdRole), ids[2]);
    EXPECT_EQ(model.selectedRow(), 1);
}

TEST_F(ClipboardResultListModelTest, FilterTokensSwitchTheRowsToSuggestionsAndBack) {
    loadFirstPage();
    rig.controller.searchFieldEdited(QStringLiteral("error :js"), 9);
    ASSERT_EQ(model.contentMode(), ClipboardResultListContentMode::filterSuggestions);
    ASSERT_GE(model.rowCount(), 2);
    EXPECT_EQ(kind(0), Model::RowKind::suggestion);
    EXPECT_EQ(text(0), QStringLiteral("JSON"));
    EXPECT_EQ(text(1), QStringLiteral("JSON Lines"));
    EXPECT_EQ(model.selectedRow(), 0);
    rig.controller.handleKey(ClipboardPanelKeyCommand::selectNext);
    EXPECT_EQ(model.selectedRow(), 1);
    EXPECT_TRUE(model.data(model.index(1), Model::SelectedRole).toBool());

    EXPECT_TRUE(rig.controller.closeFilterSuggestions());
    EXPECT_EQ(model.contentMode(), ClipboardResultListContentMode::history);
    EXPECT_EQ(kind(0), Model::RowKind::item);
}

TEST(ClipboardResultListModelTexts, DatesAndApplicationNames) {
    InMemoryDefaultsStore defaults;
    const Localizer localizer(defaults);
    const QDateTime now(QDate(2026, 12, 7), QTime(15, 0));
    struct Case {
        QDateTime date;
        const char* english;
        const char* chinese;
    };
    const Case cases[] = {
        {now.addSecs(30), "Just now", "刚刚"}, // a clock set back
        {now.addSecs(-59), "Just now", "刚刚"},
        {now.addSecs(-60 * 5), "5 min ago", "5 分钟前"},
        {now.addSecs(-3600 * 3), "3 h ago", "3 小时前"},
        {now.addSecs(-3600 * 20), "Yesterday", "昨天"},
        {QDateTime(QDate(2026, 11, 2), QTime(9, 0)), "11/2/26", "2026/11/2"},
    };
    for (const Case& c : cases) {
        defaults.remove(QStringLiteral("AppLanguage"));
        EXPECT_EQ(Model::relativeDate(c.date, now, localizer), QString::fromUtf8(c.english));
        defaults.set(QStringLiteral("AppLanguage"), rawValue(AppLanguage::simplifiedChinese));
        EXPECT_EQ(Model::relativeDate(c.date, now, localizer), QString::fromUtf8(c.chinese));
    }
    ClipboardHistoryIndexSnapshot image;
    image.contentType = ClipboardContentType::image;
    image.preview = QStringLiteral("Image 1920x1080");
    EXPECT_EQ(Model::imageRowText(image, localizer), QString::fromUtf8("图片 1920 × 1080"));
    defaults.remove(QStringLiteral("AppLanguage"));
    EXPECT_EQ(Model::imageRowText(image, localizer), QString::fromUtf8("Image 1920 × 1080"));
    image.preview = QStringLiteral("Image");
    EXPECT_EQ(Model::imageRowText(image, localizer), QStringLiteral("Image"));
    image.searchText = QStringLiteral("Quarterly\nreport");
    EXPECT_EQ(Model::imageRowText(image, localizer), QStringLiteral("Quarterly report"));

    EXPECT_EQ(Model::shortApplicationName(QStringLiteral("org.gnome.TextEditor")), QStringLiteral("TextEditor"));
    EXPECT_EQ(Model::shortApplicationName(QStringLiteral("firefox.desktop")), QStringLiteral("firefox"));
    EXPECT_EQ(Model::shortApplicationName(QStringLiteral("kitty")), QStringLiteral("kitty"));
    EXPECT_EQ(Model::shortApplicationName(QStringLiteral("trailing.")), QStringLiteral("trailing."));
}

} // namespace
} // namespace quellpad
