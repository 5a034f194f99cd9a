// The Advanced page's model: a rebuild runs off the main thread with its progress
// reported and a second click ignored, the pinyin switch rebuilds (again, when it
// changes during a rebuild), failures are shown as failures, and the recognition,
// accessibility and panel-position settings read and write their keys.
#include <thread>

#include <gtest/gtest.h>

#include <QPromise>
#include <QSignalSpy>

#include "app/AdvancedSettingsViewModel.h"
#include "localization/Localizer.h"
#include "platform/fake/InMemoryDefaultsStore.h"
#include "platform/fake/ManualTimerScheduler.h"
#include "search/ClipboardSearchServiceProtocol.h"
#include "settings/AppPreferences.h"
#include "settings/PreferenceKeys.h"
#include "support/TestSupport.h"

namespace quellpad {
namespace {

// A search service whose rebuilds finish when the test says so.
class ControlledSearchService final : public ClipboardSearchServiceProtocol {
public:
    QFuture<ClipboardSearchPage> fetchRecent(int, int) override { return QtFuture::makeReadyFuture(ClipboardSearchPage{}); }
    QFuture<ClipboardSearchPage> search(const QString&, int, int) override {
        return QtFuture::makeReadyFuture(ClipboardSearchPage{});
    }
    QFuture<ClipboardSearchIndexStats> indexStats() override { return QtFuture::makeReadyFuture(ClipboardSearchIndexStats{}); }
    QFuture<std::vector<ClipboardSearchRuntimeOperationMetricsEntry>> runtimeMetrics() override {
        return QtFuture::makeReadyFuture(std::vector<ClipboardSearchRuntimeOperationMetricsEntry>{});
    }
    QFuture<ClipboardSearchRebuildResult> rebuildIndex() override {
        ++rebuilds;
        pinyinAtStart.push_back(pinyinReader());
        promise = std::make_unique<QPromise<ClipboardSearchRebuildResult>>();
        promise->start();
        return promise->future();
    }
    void setRebuildProgressHandler(RebuildProgressHandler handler) override { progress = std::move(handler); }

    void reportFromWorker(qint64 done, qint64 total) {
        std::thread worker([this, done, total] { progress(done, total); });
        worker.join();
    }
    void finish(int indexed) {
        promise->addResult(ClipboardSearchRebuildResult{indexed, {}});
        promise->finish();
    }
    void fail() {
        promise->setException(std::make_exception_ptr(ClipboardSearchServiceError()));
        promise->finish();
    }

    int rebuilds = 0;
    std::function<bool()> pinyinReader = [] { return false; };
    std::vector<bool> pinyinAtStart;
    RebuildProgressHandler progress;
    std::unique_ptr<QPromise<ClipboardSearchRebuildResult>> promise;
};

class AdvancedSettingsViewModelTest : public ::testing::Test {
protected:
    InMemoryDefaultsStore defaults;
    Localizer localizer{defaults};
    ManualTimerScheduler timers;
    bool trusted = false;
    AccessibilityPermissionManager accessibility{defaults, timers, [this] { return trusted; }, [] { return true; },
                                                 nullptr};
    std::shared_ptr<ControlledSearchService> service = std::make_shared<ControlledSearchService>();
    QStringList installedLanguages{QStringLiteral("en-US"), QStringLiteral("zh-Hans")};
    AdvancedSettingsViewModel model{defaults, localizer,
                                    AdvancedSettingsViewModel::Services{
                                        .searchService = [this] { return service; },
                                        .installedRecognitionLanguages = [this] { return installedLanguages; },
                                        .accessibility = &accessibility,
                                    }};

    void SetUp() override {
        service->pinyinReader = [this] { return AppPreferences(defaults).searchPinyinIndexEnabled(); };
    }
};

TEST_F(AdvancedSettingsViewModelTest, ARebuildReportsItsProgressIgnoresASecondClickAndEndsWithItsCount) {
    model.rebuildIndex();
    EXPECT_TRUE(model.isRebuilding());
    EXPECT_EQ(model.rebuildStatusLine(), QStringLiteral("Rebuilding the search index…"));
    model.rebuildIndex();
    EXPECT_EQ(service->rebuilds, 1) << "a second click while it runs does nothing";

    ASSERT_TRUE(service->progress);
    service->reportFromWorker(500, 2000);
    ASSERT_TRUE(test::processEventsUntil([&] { return model.rebuildDone() == 500; }));
    EXPECT_EQ(model.rebuildTotal(), 2000);
    EXPECT_EQ(model.rebuildStatusLine(), QStringLiteral("Rebuilding the search index: 500 of 2000 items"));

    service->finish(2000);
    ASSERT_TRUE(test::processEventsUntil([&] { return !model.isRebuilding(); }));
    EXPECT_EQ(model.rebuildStatusLine(), QStringLiteral("Search index rebuilt: 2000 items."));
    EXPECT_FALSE(model.lastRebuildFailed());
    EXPECT_FALSE(service->progress) << "the handler is removed with the rebuild";
}

TEST_F(AdvancedSettingsViewModelTest, AFailedOrImpossibleRebuildIsReportedAsAFailure) {
    test::LogCapture logs;
    model.rebuildIndex();
    service->fail();
    ASSERT_TRUE(test::processEventsUntil([&] { return !model.isRebuilding(); }));
    EXPECT_TRUE(model.lastRebuildFailed());
    EXPECT_EQ(model.rebuildStatusLine(),
              QStringLiteral("Could not rebuild the search index: Clipboard search service is unavailable."));
    EXPECT_TRUE(logs.contains(LogLevel::error, QStringLiteral("AdvancedSettings"),
                              QStringLiteral("Search index rebuild from the settings failed: ")));

    service.reset();
    model.rebuildIndex();
    EXPECT_FALSE(model.isRebuilding());
    EXPECT_TRUE(model.lastRebuildFailed());
}

TEST_F(AdvancedSettingsViewModelTest, ThePinyinSwitchRebuildsAndRebuildsAgainWhenChangedDuringARebuild) {
    model.setPinyinIndexEnabled(true);
    EXPECT_EQ(defaults.boolValue(PreferenceKeys::searchPinyinIndexEnabled), true);
    EXPECT_EQ(service->rebuilds, 1);
    model.setPinyinIndexEnabled(true);
    EXPECT_EQ(service->rebuilds, 1) << "storing the same value rebuilds nothing";

    model.setPinyinIndexEnabled(false);
    EXPECT_EQ(service->rebuilds, 1) << "waits for the running rebuild";
    service->finish(3);
    ASSERT_TRUE(test::processEventsUntil([&] { return service->rebuilds == 2; }));
    EXPECT_TRUE(model.isRebuilding());
    EXPECT_EQ(service->pinyinAtStart, (std::vector<bool>{true, false}));
    service->finish(3);
    ASSERT_TRUE(test::processEventsUntil([&] { return !model.isRebuilding(); }));
    EXPECT_EQ(service->rebuilds, 2);
}

TEST_F(AdvancedSettingsViewModelTest, RecognitionSettingsAreStoredAndAMissingLanguageIsExplained) {
    model.setImageOCREnabled(false);
    EXPECT_EQ(defaults.boolValue(PreferenceKeys::imageOCREnabled), false);
    model.setOCRLanguage(ClipboardOCRLanguage::japanese);
    EXPECT_EQ(defaults.stringValue(PreferenceKeys::ocrSpecifiedLanguage), QStringLiteral("ja-JP"));
    EXPECT_FALSE(model.isRecognitionLanguageInstalled(ClipboardOCRLanguage::japanese));
    EXPECT_TRUE(model.isRecognitionLanguageInstalled(ClipboardOCRLanguage::simplifiedChinese));
    EXPECT_EQ(model.recognitionNotice(),
              QStringLiteral("Japanese recognition data is not installed; images are read with the installed languages."));

    model.setOCRLanguageMode(ClipboardOCRLanguageMode::automatic);
    EXPECT_EQ(defaults.stringValue(PreferenceKeys::ocrLanguageMode), QStringLiteral("automatic"));
    EXPECT_EQ(defaults.stringValue(PreferenceKeys::ocrSpecifiedLanguage), QStringLiteral("ja-JP")) << "kept for later";
    EXPECT_TRUE(model.recognitionNotice().isEmpty()) << "automatic reads the installed languages";
    installedLanguages.clear();
    EXPECT_EQ(model.recognitionNotice(), localizer.text(TextKey::settingsOcrNoLanguages));
}

TEST_F(AdvancedSettingsViewModelTest, TheAccessibilityStateAndThePanelPositionFollowTheStore) {
    EXPECT_EQ(model.accessibilityStatusLine(), localizer.text(TextKey::settingsAccessibilityUnavailable));
    ASSERT_TRUE(model.canRequestAccessibility());
    model.requestAccessibility();
    EXPECT_EQ(defaults.boolValue(PreferenceKeys::accessibilityPermissionPromptRequested), true);
    EXPECT_EQ(model.accessibilityStatusLine(), localizer.text(TextKey::settingsAccessibilityStillUnavailable));
    trusted = true;
    EXPECT_EQ(model.accessibilityStatusLine(), localizer.text(TextKey::settingsAccessibilityAvailable));
    EXPECT_FALSE(model.canRequestAccessibility());
    AdvancedSettingsViewModel withoutManager(defaults, localizer, {});
    EXPECT_EQ(withoutManager.accessibilityStatusLine(), localizer.text(TextKey::settingsAccessibilityUnknown));

    EXPECT_FALSE(model.hasSavedPanelPosition());
    AppPreferences(defaults).setClipboardPanelPosition(QPointF(120, 80));
    EXPECT_TRUE(model.hasSavedPanelPosition());
    model.resetPanelPosition();
    EXPECT_FALSE(defaults.object(PreferenceKeys::clipboardPanelPosition).isValid());
    // A value the panel cannot read is removed too.
    defaults.set(PreferenceKeys::clipboardPanelPosition, QStringLiteral("12,80"));
    EXPECT_TRUE(model.hasSavedPanelPosition());
    model.resetPanelPosition();
    EXPECT_FALSE(model.hasSavedPanelPosition());
}

} // namespace
} // namespace quellpad
