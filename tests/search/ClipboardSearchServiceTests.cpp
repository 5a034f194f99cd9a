#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPromise>

#include "settings/PreferenceKeys.h"
#include "classification/ClipboardClassificationServiceProtocol.h"
#include "history/EmptyClipboardHistoryRepository.h"
#include "search/ClipboardSearchService.h"
#include "search/EmptyClipboardSearchService.h"
#include "search/SearchTestSupport.h"
#include "support/TestSupport.h"

using namespace quellpad;
using namespace quellpad::test;
using Kind = ClipboardSearchRuntimeOperationKind;

namespace {

// Serves a fixed list of source documents; nothing else is used by the service.
class SourceRepository final : public EmptyClipboardHistoryRepository {
public:
    std::vector<ClipboardSearchSourceDocument> documents;

    QFuture<std::vector<ClipboardSearchSourceDocument>> getSearchSourceDocuments() override {
        return QtFuture::makeReadyFuture(documents);
    }
};

// "{"-texts are JSON; every enabled rule's label applies to texts containing its condition value.
class FakeClassifier final : public ClipboardClassificationServiceProtocol {
public:
    using ClipboardClassificationServiceProtocol::classify;
    ClipboardClassificationResult classify(const QString& text, const ClipboardSystemClassificationSet& enabled,
                                           const std::vector<ClipboardUserClassificationRule>& rules) const override {
        ClipboardClassificationResult result;
        for (const ClipboardUserClassificationRule& rule : rules) {
            if (rule.isEnabled && text.contains(rule.conditionValue)) {
                result.primaryClassification = rule.resultClassification;
                return result;
            }
        }
        if (text.trimmed().startsWith(QLatin1Char('{')) && enabled.count(ClipboardSystemClassification::json) > 0) {
            result.primaryClassification = QStringLiteral("JSON");
        }
        return result;
    }
};

ClipboardSearchSourceDocument sourceDocument(const QString& id, const QString& text, int minute,
                                             ClipboardContentType type = ClipboardContentType::text,
                                             std::optional<QString> classification = {}) {
    ClipboardSearchSourceDocument document;
    document.id = id;
    document.preview = text.left(80);
    document.searchableText = text;
    document.createdAt = searchTestEpoch.addSecs(60 * minute);
    document.contentType = type;
    document.classification = std::move(classification);
    document.bundleIdentifier = QStringLiteral("org.example.Editor");
    return document;
}

class ServiceTest : public ::testing::Test, protected SearchIndexFixture {
protected:
    void SetUp() override {
        open();
        repository = std::make_shared<SourceRepository>();
        std::shared_ptr<SQLiteClipboardSearchIndexStore> shared(store.release());
        sharedStore = shared;
        service = std::make_unique<ClipboardSearchService>(repository, shared, ClipboardSearchIndexConfiguration{},
                                                           std::make_shared<FakeClassifier>(), defaults,
                                                           std::make_unique<ClipboardSearchRuntimeMetricsRecorder>());
    }

    std::vector<Kind> recordedKinds() {
        std::vector<Kind> kinds;
        for (const auto& entry : service->runtimeMetrics().result()) {
            kinds.push_back(entry.kind);
        }
        return kinds;
    }

    std::shared_ptr<SourceRepository> repository;
    std::shared_ptr<SQLiteClipboardSearchIndexStore> sharedStore;
    std::unique_ptr<ClipboardSearchService> service;
};

} // namespace

TEST_F(ServiceTest, RebuildReclassifiesTextItemsOnly) {
    QJsonArray rules{QJsonObject{{QStringLiteral("id"), QStringLiteral("6F1B2C1E-2C43-4C55-9E0F-111111111111")},
                                 {QStringLiteral("name"), QStringLiteral("Acme")},
                                 {QStringLiteral("conditionKind"), QStringLiteral("containsText")},
                                 {QStringLiteral("conditionValue"), QStringLiteral("acme")},
                                 {QStringLiteral("resultClassification"), QStringLiteral("Acme Notes")},
                                 {QStringLiteral("isEnabled"), true}}};
    defaults.set(PreferenceKeys::classificationUserRules, QJsonDocument(rules).toJson());
    repository->documents = {
        sourceDocument(QStringLiteral("J"), QStringLiteral("{\"a\": 1}"), 4),
        sourceDocument(QStringLiteral("A"), QStringLiteral("acme invoice"), 3, ClipboardContentType::text,
                       QStringLiteral("URL")),
        sourceDocument(QStringLiteral("P"), QStringLiteral("plain words"), 2),
        sourceDocument(QStringLiteral("I"), QStringLiteral("acme on a screenshot"), 1, ClipboardContentType::image,
                       QStringLiteral("Kept")),
        sourceDocument(QStringLiteral("E"), QString(), 0, ClipboardContentType::text, QStringLiteral("Old")),
    };
    test::LogCapture capture;
    const ClipboardSearchRebuildResult result = service->rebuildIndex().result();
    EXPECT_EQ(result.indexedCount, 5);
    EXPECT_EQ(result.stats.documentCount, 5);
    EXPECT_EQ(result.stats.lastRebuildAt, now);

    std::map<QString, std::optional<QString>> classifications;
    for (const ClipboardHistoryIndexSnapshot& item : service->fetchRecent(0, 10).result().items) {
        classifications[item.id] = item.classification;
    }
    EXPECT_EQ(classifications[QStringLiteral("J")], QStringLiteral("JSON"));
    EXPECT_EQ(classifications[QStringLiteral("A")], QStringLiteral("Acme Notes"));
    EXPECT_EQ(classifications[QStringLiteral("P")], QStringLiteral("Text"));
    EXPECT_EQ(classifications[QStringLiteral("I")], QStringLiteral("Kept"));
    EXPECT_EQ(classifications[QStringLiteral("E")], QStringLiteral("Old"));
    EXPECT_EQ(service->search(QStringLiteral("type:acme-notes"), 0, 10).result().items.size(), 1u);

    EXPECT_TRUE(capture.contains(LogLevel::info, QStringLiteral("ClipboardSearch"),
                                 QStringLiteral("Starting clipboard search index rebuild")));
    EXPECT_TRUE(capture.contains(LogLevel::info, QStringLiteral("ClipboardSearch"),
                                 QStringLiteral("Clipboard search index rebuild completed, documents=5, grams=")));
    // The metrics recorder logs on its own queue; the service does not wait for it.
    EXPECT_TRUE(processEventsUntil([&] {
        return capture.contains(LogLevel::info, QStringLiteral("ClipboardSearch"), QStringLiteral("Search runtime rebuildIndex"));
    }));
}

TEST_F(ServiceTest, RebuildReadsThePinyinSettingWhenItRuns) {
    repository->documents = {sourceDocument(QStringLiteral("Z"), QString::fromUtf16(u"\u4E2D\u6587\u8D44\u6599"), 0)};
    service->rebuildIndex().waitForFinished();
    EXPECT_TRUE(service->search(QStringLiteral("zhongwen"), 0, 10).result().items.empty());
    defaults.set(PreferenceKeys::searchPinyinIndexEnabled, true);
    service->rebuildIndex().waitForFinished();
    EXPECT_EQ(service->search(QStringLiteral("zhongwen"), 0, 10).result().items.size(), 1u);
    EXPECT_EQ(service->search(QStringLiteral("zhong wen"), 0, 10).result().items.size(), 1u);
}

TEST_F(ServiceTest, SearchRecordsItsKindAndPages) {
    for (int i = 0; i < 51; ++i) {
        sharedStore->upsert(indexDocument(QStringLiteral("T%1").arg(i), QStringLiteral("report number %1").arg(i), i));
    }
    ClipboardSearchIndexDocument json = indexDocument(QStringLiteral("JSON"), QStringLiteral("{\"report\": 1}"), 60);
    json.classification = QStringLiteral("JSON");
    json.bundleIdentifier = QStringLiteral("org.example.Editor");
    sharedStore->upsert(json);

    const ClipboardSearchPage page = service->search(QStringLiteral("report"), 0, 50).result();
    EXPECT_EQ(page.items.size(), 50u);
    EXPECT_TRUE(page.hasMore);
    EXPECT_EQ(recordedKinds(), (std::vector<Kind>{Kind::search, Kind::textOnlySearch}));

    const ClipboardSearchPage filtered = service->search(QStringLiteral("type:json after:week"), 0, 50).result();
    EXPECT_TRUE(filtered.items.empty()); // the test documents are a month old
    EXPECT_EQ(recordedKinds(), (std::vector<Kind>{Kind::search, Kind::textOnlySearch, Kind::filtersOnlySearch}));

    const ClipboardSearchPage withApp = service->search(QStringLiteral("report app:ORG.EXAMPLE.EDITOR"), 0, 50).result();
    ASSERT_EQ(withApp.items.size(), 1u);
    EXPECT_EQ(withApp.items[0].id, QStringLiteral("JSON"));
    EXPECT_EQ(recordedKinds(), (std::vector<Kind>{Kind::search, Kind::textOnlySearch, Kind::textWithFiltersSearch,
                                                  Kind::filtersOnlySearch}));

    // Negative arguments count as 0.
    const ClipboardSearchPage negative = service->search(QStringLiteral("report"), -5, -1).result();
    EXPECT_TRUE(negative.items.empty());
    const ClipboardSearchPage recent = service->fetchRecent(-1, 2).result();
    ASSERT_EQ(recent.items.size(), 2u);
    EXPECT_EQ(recent.items[0].id, QStringLiteral("JSON"));
    EXPECT_TRUE(recent.hasMore);
    EXPECT_EQ(service->indexStats().result().documentCount, 52);
}

TEST_F(ServiceTest, StoreFailuresAreLoggedRecordedAndPassedOn) {
    sharedStore->upsert(indexDocument(QStringLiteral("A"), QStringLiteral("alpha"), 0));
    ASSERT_TRUE(execute(path, "DROP TABLE documents;"));
    test::LogCapture capture;
    QFuture<ClipboardSearchPage> failing = service->search(QStringLiteral("alpha"), 0, 10);
    EXPECT_THROW(failing.waitForFinished(), SQLiteClipboardSearchIndexStoreError);
    EXPECT_TRUE(capture.contains(LogLevel::error, QStringLiteral("ClipboardSearch"),
                                 QStringLiteral("Clipboard search index query failed: Failed to ")));
    EXPECT_THROW(service->fetchRecent(0, 10).waitForFinished(), SQLiteClipboardSearchIndexStoreError);
    EXPECT_TRUE(capture.contains(LogLevel::error, QStringLiteral("ClipboardSearch"),
                                 QStringLiteral("Failed to read recent clipboard search index items: ")));
    EXPECT_THROW(service->indexStats().waitForFinished(), SQLiteClipboardSearchIndexStoreError);
    EXPECT_TRUE(capture.contains(LogLevel::error, QStringLiteral("ClipboardSearch"),
                                 QStringLiteral("Failed to read clipboard search index stats: ")));
    EXPECT_THROW(service->rebuildIndex().waitForFinished(), SQLiteClipboardSearchIndexStoreError);
    EXPECT_TRUE(capture.contains(LogLevel::error, QStringLiteral("ClipboardSearch"),
                                 QStringLiteral("Clipboard search index rebuild failed: ")));

    const auto entries = service->runtimeMetrics().result();
    ASSERT_EQ(entries.size(), 4u);
    for (const auto& entry : entries) {
        EXPECT_EQ(entry.metrics.failureCount, 1) << rawValue(entry.kind).toStdString();
    }
}

TEST(EmptyClipboardSearchService, FailsSearchesAndReportsAnEmptyIndex) {
    EmptyClipboardSearchService service;
    try {
        service.search(QStringLiteral("x"), 0, 10).waitForFinished();
        FAIL() << "the empty service searched";
    } catch (const ClipboardSearchServiceError& error) {
        EXPECT_EQ(error.description(), QStringLiteral("Clipboard search service is unavailable."));
    }
    EXPECT_THROW(service.fetchRecent(0, 10).waitForFinished(), ClipboardSearchServiceError);
    EXPECT_THROW(service.rebuildIndex().waitForFinished(), ClipboardSearchServiceError);
    EXPECT_EQ(service.indexStats().result(), ClipboardSearchIndexStats{});
    EXPECT_TRUE(service.runtimeMetrics().result().empty());
}
