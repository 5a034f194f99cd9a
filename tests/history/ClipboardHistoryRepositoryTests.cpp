#include <gtest/gtest.h>

#include <future>
#include <limits>
#include <thread>

#include <QTemporaryDir>

#include "Core/Utilities/NotificationCenter.h"
#include "Core/Utilities/SQLiteDatabase.h"
#include "Core/Utilities/Uuid.h"
#include "history/ClipboardHistoryManager.h"
#include "history/ClipboardHistoryPreview.h"
#include "history/ClipboardHistoryRepository.h"
#include "history/DataDirectoryManager.h"
#include "platform/fake/InMemoryDefaultsStore.h"
#include "platform/fake/ManualClock.h"
#include "search/ClipboardSearchFilter.h"
#include "search/ClipboardSearchIndexWriter.h"
#include "search/SQLiteClipboardSearchIndexStore.h"
#include "support/TestSupport.h"

using namespace quellpad;

namespace {

const QString category = QStringLiteral("ClipboardHistoryRepository");

template <typename T>
T await(QFuture<T> future) {
    future.waitForFinished();
    return future.result();
}

} // namespace

class RepositoryTest : public ::testing::Test {
protected:
    QTemporaryDir directory;
    InMemoryDefaultsStore defaults;
    NotificationCenter notifications;
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
    std::unique_ptr<DataDirectoryManager> dataDirectory;
    std::shared_ptr<SQLiteClipboardSearchIndexStore> index;
    std::shared_ptr<ClipboardHistoryRepository> repository;
    SQLiteClipboardSearchIndexStore::Environment indexEnvironment;
    int didChangeCount = 0;

    void SetUp() override {
        QObject::connect(&notifications, &NotificationCenter::notified, [this](const QString& name, const QVariantMap&) {
            if (name == clipboardHistoryDidChangeNotification) {
                ++didChangeCount;
            }
        });
        open();
    }

    QString dataPath() const { return directory.path() + QStringLiteral("/data"); }

    void open(bool withIndex = true) {
        repository.reset();
        index.reset();
        DataDirectoryManager::Environment environment;
        const QString path = dataPath();
        environment.variable = [path](const QString& name) {
            return name == DataDirectoryManager::storageDirectoryOverrideEnvironmentKey ? path : QString();
        };
        dataDirectory = std::make_unique<DataDirectoryManager>(defaults, environment);
        if (withIndex) {
            index = std::make_shared<SQLiteClipboardSearchIndexStore>(dataDirectory->searchIndexFilePath(), defaults,
                                                                      indexEnvironment);
        }
        repository = std::make_shared<ClipboardHistoryRepository>(*dataDirectory, ClipboardSearchIndexWriter::make(index, defaults),
                                                                  defaults, notifications, clock);
    }

    QString insertText(const QString& text, ClipboardHistoryUsageMetadata usage = {},
                       std::optional<QString> app = std::nullopt) {
        const QString id = Uuid::makeString();
        repository->insertText(id, ClipboardHistoryPreview::textPreview(text).value_or(text),
                               ClipboardHistoryPreview::searchText(text), std::nullopt, text, std::nullopt, std::nullopt,
                               app, usage);
        return id;
    }

    QStringList ids(const std::vector<ClipboardHistoryIndexSnapshot>& snapshots) {
        QStringList result;
        for (const auto& snapshot : snapshots) result.push_back(snapshot.id);
        return result;
    }

    QStringList indexSearch(const QString& text) {
        repository->waitForIndexSync();
        return ids(index->search(ClipboardSearchIndexQuery::fromText(text), {}, 50, 0).items);
    }
};

TEST_F(RepositoryTest, InsertStoresBothRecordsIndexesAndNotifies) {
    const QString id = insertText(QStringLiteral("Hello World\nsecond line"), {}, QStringLiteral("org.gnome.gedit"));
    EXPECT_EQ(didChangeCount, 1);
    const auto snapshots = await(repository->getHistorySnapshots(QString(), std::nullopt));
    ASSERT_EQ(snapshots.size(), 1u);
    EXPECT_EQ(snapshots[0].id, id);
    EXPECT_EQ(snapshots[0].preview, QStringLiteral("Hello World \u2026"));
    EXPECT_EQ(snapshots[0].createdAt, clock->now());
    EXPECT_EQ(snapshots[0].bundleIdentifier, QStringLiteral("org.gnome.gedit"));
    const auto content = await(repository->getContentSnapshotById(id));
    ASSERT_TRUE(content);
    EXPECT_EQ(content->content, QStringLiteral("Hello World\nsecond line"));
    EXPECT_FALSE(content->imageData);
    EXPECT_EQ(indexSearch(QStringLiteral("world")), QStringList{id});
    EXPECT_FALSE(await(repository->getContentSnapshotById(QStringLiteral("missing"))));
}

TEST_F(RepositoryTest, RepeatedCopyMovesToTopWithMergedUsage) {
    const QString firstA = insertText(QStringLiteral("A"));
    repository->recordUsage(firstA);
    repository->recordUsage(firstA);
    const QDateTime used = clock->now();
    clock->advance(10);
    insertText(QStringLiteral("B"));
    clock->advance(10);
    const int before = didChangeCount;
    const ClipboardHistoryUsageMetadata usage = repository->removeDuplicateTexts(QStringLiteral("A"), std::nullopt);
    EXPECT_EQ(usage, (ClipboardHistoryUsageMetadata{used, 2}));
    EXPECT_EQ(didChangeCount, before + 1);
    const QString secondA = insertText(QStringLiteral("A"), usage);

    const auto snapshots = await(repository->getHistorySnapshots(QString(), std::nullopt));
    ASSERT_EQ(snapshots.size(), 2u);
    EXPECT_EQ(snapshots[0].id, secondA);
    EXPECT_EQ(snapshots[0].accessCount, 2);
    EXPECT_EQ(snapshots[0].lastAccessedAt, used);
    EXPECT_EQ(snapshots[0].createdAt, clock->now());
    EXPECT_EQ(indexSearch(QStringLiteral("a")).count(firstA), 0);

    // Nothing to remove: no save, no notification.
    const int quiet = didChangeCount;
    EXPECT_EQ(repository->removeDuplicateTexts(QStringLiteral("not stored"), std::nullopt), ClipboardHistoryUsageMetadata{});
    EXPECT_EQ(repository->removeDuplicateTexts(QStringLiteral("A"), secondA), ClipboardHistoryUsageMetadata{});
    EXPECT_EQ(didChangeCount, quiet);
}

TEST_F(RepositoryTest, DuplicatesWithoutFingerprintAreFoundByContent) {
    const QString id = insertText(QStringLiteral("legacy"));
    {
        SQLiteDatabase raw(dataDirectory->storeFilePath());
        raw.execute("UPDATE history_content SET duplicate_fingerprint = NULL");
    }
    insertText(QStringLiteral("legacy2"));
    repository->removeDuplicateTexts(QStringLiteral("legacy"), std::nullopt);
    const auto remaining = ids(await(repository->getHistorySnapshots(QString(), std::nullopt)));
    EXPECT_FALSE(remaining.contains(id));
    EXPECT_EQ(remaining.size(), 1);
}

TEST_F(RepositoryTest, ImagesDeduplicateByExactBytesAndTakeRecognisedText) {
    const QByteArray png("\x89PNG\r\n\x1a\nfake", 12);
    const QString first = Uuid::makeString();
    repository->insertImage(first, QStringLiteral("Image 2x2"), QString(), png, std::nullopt, {});
    EXPECT_EQ(repository->removeDuplicateImages(png + "x", std::nullopt), ClipboardHistoryUsageMetadata{});
    EXPECT_EQ(await(repository->getHistorySnapshots(QString(), std::nullopt)).size(), 1u);

    repository->updateOCRText(first, QStringLiteral("Segmentation fault at 0x0"));
    const auto header = await(repository->getHistorySnapshots(QString(), std::nullopt)).at(0);
    EXPECT_EQ(header.searchText, QStringLiteral("Segmentation fault at 0x0"));
    EXPECT_EQ(await(repository->getContentSnapshotById(first))->ocrText, QStringLiteral("Segmentation fault at 0x0"));
    EXPECT_EQ(indexSearch(QStringLiteral("segmentation")), QStringList{first});

    // Recognised text for a text item is ignored.
    const QString text = insertText(QStringLiteral("plain"));
    repository->updateOCRText(text, QStringLiteral("ocr"));
    EXPECT_FALSE(await(repository->getContentSnapshotById(text))->ocrText);

    repository->removeDuplicateImages(png, std::nullopt);
    EXPECT_EQ(ids(await(repository->getHistorySnapshots(QString(), std::nullopt))), QStringList{text});
}

TEST_F(RepositoryTest, ImagesAwaitingTextRecognitionAreListedNewestFirstUntilTheirTextIsStored) {
    std::vector<QString> images;
    for (int i = 0; i < 3; ++i) {
        images.push_back(Uuid::makeString());
        repository->insertImage(images.back(), QStringLiteral("Image 2x2"), QString(),
                                QByteArray("\x89PNG\r\n\x1a\nimage") + QByteArray::number(i), std::nullopt, {});
        clock->advance(1);
    }
    insertText(QStringLiteral("a text is never awaiting recognition"));
    EXPECT_EQ(await(repository->imageIdsAwaitingTextRecognition(10)), (std::vector<QString>{images[2], images[1], images[0]}));
    EXPECT_EQ(await(repository->imageIdsAwaitingTextRecognition(1)), std::vector<QString>{images[2]});
    // Recognised, even as nothing, is done.
    repository->updateOCRText(images[2], QString());
    repository->updateOCRText(images[0], QStringLiteral("words"));
    EXPECT_EQ(await(repository->imageIdsAwaitingTextRecognition(10)), std::vector<QString>{images[1]});
    repository->deleteItem(images[1]);
    EXPECT_TRUE(await(repository->imageIdsAwaitingTextRecognition(10)).empty());
}

TEST_F(RepositoryTest, DeleteExpireAndClear) {
    const QString old = insertText(QStringLiteral("old text"));
    const QDateTime oldCreated = clock->now();
    clock->advance(3600);
    const QString recent = insertText(QStringLiteral("recent text"));
    const int before = didChangeCount;

    EXPECT_EQ(repository->deleteExpiredItems(ClipboardContentType::text, oldCreated), 0) << "strictly earlier only";
    EXPECT_EQ(repository->deleteExpiredItems(ClipboardContentType::image, oldCreated.addSecs(1)), 0);
    EXPECT_EQ(didChangeCount, before);
    EXPECT_EQ(repository->deleteExpiredItems(ClipboardContentType::text, oldCreated.addSecs(1)), 1);
    EXPECT_EQ(didChangeCount, before + 1);
    EXPECT_TRUE(indexSearch(QStringLiteral("old")).isEmpty());

    repository->deleteItem(QStringLiteral("unknown"));
    EXPECT_EQ(didChangeCount, before + 1) << "unknown ids neither save nor notify";
    repository->deleteItem(recent);
    EXPECT_EQ(didChangeCount, before + 2);
    EXPECT_TRUE(await(repository->getHistorySnapshots(QString(), std::nullopt)).empty());

    insertText(QStringLiteral("one"));
    insertText(QStringLiteral("two"));
    repository->clearAll();
    EXPECT_TRUE(await(repository->getHistorySnapshots(QString(), std::nullopt)).empty());
    repository->waitForIndexSync();
    EXPECT_EQ(index->stats().documentCount, 0);
    (void)old;
}

TEST_F(RepositoryTest, RecordUsageMovesItemWithoutNotifying) {
    const QString first = insertText(QStringLiteral("first"));
    clock->advance(5);
    const QString second = insertText(QStringLiteral("second"));
    clock->advance(5);
    const int before = didChangeCount;
    repository->recordUsage(first);
    EXPECT_EQ(didChangeCount, before);
    EXPECT_EQ(ids(await(repository->getHistorySnapshots(QString(), std::nullopt))), (QStringList{first, second}));
    EXPECT_EQ(ids(await(repository->getHistorySnapshots(QString(), 1))), QStringList{first});
    repository->waitForIndexSync();
    EXPECT_EQ(ids(index->fetchRecent(10, 0).items), (QStringList{first, second}));
    repository->recordUsage(QStringLiteral("unknown")); // no crash, nothing stored
}

TEST_F(RepositoryTest, FallbackSearchRanksPhraseThenPrefixThenRecency) {
    const QString runTogether = insertText(QStringLiteral("see helloworld here"));
    clock->advance(1);
    const QString prefix = insertText(QStringLiteral("Hello World again"));
    clock->advance(1);
    const QString scattered = insertText(QStringLiteral("world says hello"));
    clock->advance(1);
    insertText(QStringLiteral("unrelated"));

    const auto ranked = await(repository->getHistorySnapshots(QStringLiteral("  HELLO   world "), std::nullopt));
    EXPECT_EQ(ids(ranked), (QStringList{prefix, runTogether, scattered}));
    EXPECT_EQ(ids(await(repository->getHistorySnapshots(QStringLiteral("hello world"), 1))), QStringList{prefix});
    EXPECT_EQ(await(repository->getHistorySnapshots(QStringLiteral("   "), std::nullopt)).size(), 4u);
}

TEST_F(RepositoryTest, ExistingHistoryBootstrapsAnEmptyIndex) {
    const QString id = insertText(QStringLiteral("bootstrap me"));
    repository->waitForIndexSync();
    repository.reset();
    index.reset();
    QFile::remove(dataDirectory->searchIndexFilePath());
    test::LogCapture logs;
    open();
    repository->waitForIndexSync(); // the bootstrap runs in the background
    EXPECT_TRUE(logs.contains(LogLevel::info, category, QStringLiteral("Bootstrapped clipboard search index, documents=1, grams=")));
    EXPECT_EQ(indexSearch(QStringLiteral("bootstrap")), QStringList{id});

    // A populated index is left alone, and an empty history logs nothing.
    test::LogCapture quiet;
    open();
    repository->waitForIndexSync();
    EXPECT_FALSE(quiet.contains(LogLevel::info, category, QStringLiteral("Bootstrapped")));
}

TEST_F(RepositoryTest, WorksWithoutAnIndex) {
    open(false);
    const QString id = insertText(QStringLiteral("no index"));
    repository->recordUsage(id);
    repository->deleteItem(id);
    EXPECT_FALSE(repository->hasSearchIndex());
    EXPECT_EQ(didChangeCount, 2);
}

TEST_F(RepositoryTest, WritesFromAnotherThreadRunOnTheMainThread) {
    std::optional<QString> id;
    std::thread worker([&] { id = insertText(QStringLiteral("from a worker")); });
    ASSERT_TRUE(test::processEventsUntil([&] { return id.has_value(); }));
    worker.join();
    EXPECT_EQ(ids(await(repository->getHistorySnapshots(QString(), std::nullopt))), QStringList{*id});
}

TEST_F(RepositoryTest, CorruptOrForeignStoreFailsToOpenWithoutDamage) {
    repository.reset();
    index.reset();
    const QByteArray garbage(4096, 'x');
    ASSERT_TRUE(test::writeFile(dataDirectory->storeFilePath(), garbage));
    try {
        ClipboardHistoryRepository broken(*dataDirectory, nullptr, defaults, notifications, clock);
        FAIL() << "a file that is not a database must not open";
    } catch (const ClipboardHistoryRepositoryError& error) {
        EXPECT_FALSE(error.description().isEmpty());
    }
    EXPECT_EQ(test::readFile(dataDirectory->storeFilePath()), garbage);

    QFile::remove(dataDirectory->storeFilePath());
    {
        SQLiteDatabase newer(dataDirectory->storeFilePath());
        newer.execute("PRAGMA user_version = 7");
    }
    EXPECT_THROW(ClipboardHistoryRepository(*dataDirectory, nullptr, defaults, notifications, clock),
                 ClipboardHistoryRepositoryError);
}

TEST_F(RepositoryTest, FailedSaveLeavesNothingAndDoesNotNotify) {
    const QString id = insertText(QStringLiteral("original"));
    const int before = didChangeCount;
    test::LogCapture logs;
    // The same id again violates uniqueness: the save fails as a whole.
    repository->insertText(id, QStringLiteral("p"), QStringLiteral("s"), std::nullopt, QStringLiteral("other"),
                           std::nullopt, std::nullopt, std::nullopt, {});
    EXPECT_TRUE(logs.contains(LogLevel::error, category, QStringLiteral("Failed to save clipboard history context: ")));
    EXPECT_EQ(didChangeCount, before);
    EXPECT_EQ(await(repository->getContentSnapshotById(id))->content, QStringLiteral("original"));
    EXPECT_EQ(await(repository->getHistorySnapshots(QString(), std::nullopt)).size(), 1u);
}

class FakeMonitor final : public ClipboardCaptureSuspending {
public:
    void performWithoutCapture(const std::function<void()>& body) override {
        ++suspensions;
        body();
    }
    int suspensions = 0;
};

TEST_F(RepositoryTest, ManagerForwardsAndPassesFailuresOn) {
    auto monitor = std::make_shared<FakeMonitor>();
    ClipboardHistoryManager manager(repository, monitor);
    const QString id = insertText(QStringLiteral("managed"));
    EXPECT_EQ(ids(await(manager.getHistorySnapshots(QString(), std::nullopt))), QStringList{id});
    EXPECT_THROW(manager.performWithoutCapture([] { throw std::runtime_error("write failed"); }), std::runtime_error);
    EXPECT_EQ(monitor->suspensions, 1);
    manager.deleteItem(id);
    EXPECT_TRUE(await(manager.getHistorySnapshots(QString(), std::nullopt)).empty());

    EmptyClipboardHistoryManager empty;
    bool ran = false;
    empty.performWithoutCapture([&] { ran = true; });
    EXPECT_TRUE(ran);
    EXPECT_TRUE(await(empty.getHistorySnapshots(QStringLiteral("x"), 3)).empty());
}

// ---- data safety -----------------------------------------------------------------

namespace {

QStringList sortedIndexIds(SQLiteClipboardSearchIndexStore& index) {
    QStringList ids;
    for (const ClipboardIndexedItemStamp& stamp : index.documentStamps()) ids.push_back(stamp.itemID);
    ids.sort();
    return ids;
}

} // namespace

TEST_F(RepositoryTest, ReplacingACopyIsOneTransactionAndAFailureKeepsTheEarlierCopy) {
    const QString first = insertText(QStringLiteral("keep me"));
    repository->recordUsage(first);
    const QString other = insertText(QStringLiteral("other"));

    // Reusing an existing id makes the insert fail after the duplicate was deleted in
    // the same transaction: the rollback must bring the earlier copy back.
    test::LogCapture logs;
    const std::optional<ClipboardHistoryWriteError> failed = repository->storeTextReplacingDuplicates(
        {other, QStringLiteral("keep me"), QStringLiteral("keep me"), std::nullopt, QStringLiteral("keep me"),
         std::nullopt, std::nullopt, std::nullopt});
    ASSERT_TRUE(failed);
    EXPECT_TRUE(failed->description.startsWith(QStringLiteral("Failed to save clipboard history context: ")));
    EXPECT_EQ(repository->lastWriteError()->description, failed->description);
    EXPECT_TRUE(await(repository->getContentSnapshotById(first)));

    // The connection is usable again, and another connection sees the next write.
    const QString replacement = Uuid::makeString();
    EXPECT_FALSE(repository->storeTextReplacingDuplicates({replacement, QStringLiteral("keep me"), QStringLiteral("keep me"),
                                                           std::nullopt, QStringLiteral("keep me"), std::nullopt,
                                                           std::nullopt, std::nullopt}));
    EXPECT_FALSE(repository->lastWriteError());
    ClipboardHistoryStore reader(dataDirectory->storeFilePath(), SQLiteDatabase::Mode::readOnly);
    EXPECT_FALSE(reader.header(first)) << "the earlier copy goes with the insert";
    ASSERT_TRUE(reader.header(replacement));
    EXPECT_EQ(reader.header(replacement)->accessCount, 1) << "usage of the replaced copy carries over";
    EXPECT_EQ(indexSearch(QStringLiteral("keep")), QStringList{replacement});
}

TEST_F(RepositoryTest, UsageCountStopsAtTheLargestValue) {
    const qint64 largest = std::numeric_limits<qint64>::max();
    const QString id = insertText(QStringLiteral("worn out"), {std::nullopt, largest - 1});
    repository->recordUsage(id);
    repository->recordUsage(id);
    const auto snapshots = await(repository->getHistorySnapshots(QString(), std::nullopt));
    ASSERT_EQ(snapshots.size(), 1u);
    EXPECT_EQ(snapshots[0].accessCount, largest);
    EXPECT_EQ(snapshots[0].lastAccessedAt, clock->now());
}

TEST_F(RepositoryTest, ReconciliationIndexesMissingAndStaleItemsAndRemovesOrphans) {
    const QString missing = insertText(QStringLiteral("never indexed"));
    const QString stale = insertText(QStringLiteral("used while the index was away"));
    const QString current = insertText(QStringLiteral("already fine"));
    repository->waitForIndexSync();
    // What a crash or a busy index leaves behind: one document lost, one outdated, one orphan.
    index->deleteDocuments({missing});
    clock->advance(60);
    ClipboardHistoryStore(dataDirectory->storeFilePath()).updateUsage(stale, clock->now(), 3);
    ClipboardSearchSourceDocument orphan{QStringLiteral("ORPHAN"), QStringLiteral("gone"), QStringLiteral("gone"),
                                         clock->now(), std::nullopt, 0, ClipboardContentType::text, std::nullopt,
                                         std::nullopt};
    ClipboardSearchIndexWriter(index, defaults).upsert({orphan});
    EXPECT_EQ(repository->searchIndexLag(), (ClipboardSearchIndexLag{2, 1}));

    test::LogCapture logs;
    open();
    EXPECT_TRUE(repository->waitForIndexSync());
    EXPECT_TRUE(logs.contains(LogLevel::info, category,
                              QStringLiteral("Reconciling clipboard search index: 2 items to index, 1 orphaned")));
    EXPECT_TRUE(logs.contains(LogLevel::info, category, QStringLiteral("Reconciled clipboard search index, indexed=2, removed=1")));
    QStringList expected{missing, stale, current};
    expected.sort();
    EXPECT_EQ(sortedIndexIds(*index), expected);
    EXPECT_EQ(repository->searchIndexLag(), ClipboardSearchIndexLag{});
    const auto recent = index->fetchRecent(1, 0);
    ASSERT_EQ(recent.items.size(), 1u);
    EXPECT_EQ(recent.items[0].id, stale) << "the newer sort date reached the index";

    // Nothing to do: no log line.
    test::LogCapture quiet;
    open();
    repository->waitForIndexSync();
    EXPECT_FALSE(quiet.contains(LogLevel::info, category, QStringLiteral("Reconcil")));
}

TEST_F(RepositoryTest, IndexWritesWaitForAnotherWriterInsteadOfDroppingTheDocument) {
    repository->waitForIndexSync();
    std::promise<void> locked;
    std::thread holder([&, path = dataDirectory->searchIndexFilePath()] {
        SQLiteDatabase other(path);
        other.execute("BEGIN IMMEDIATE");
        locked.set_value();
        // Shorter than the busy timeout: the index write must wait, not fail.
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
        other.execute("COMMIT");
    });
    locked.get_future().wait();
    test::LogCapture logs;
    const QString id = insertText(QStringLiteral("written while locked"));
    holder.join();
    EXPECT_TRUE(repository->waitForIndexSync());
    EXPECT_FALSE(logs.contains(LogLevel::error, category, QStringLiteral("Failed to upsert")));
    EXPECT_EQ(indexSearch(QStringLiteral("locked")), QStringList{id});
}

TEST_F(RepositoryTest, AFailedIndexWriteIsRepairedByReconciliation) {
    indexEnvironment.busyTimeoutMs = 50;
    open();
    repository->waitForIndexSync();
    std::promise<void> locked;
    std::promise<void> release;
    std::thread holder([&, path = dataDirectory->searchIndexFilePath()] {
        SQLiteDatabase other(path, SQLiteDatabase::Mode::readWriteCreate, 0);
        other.execute("BEGIN EXCLUSIVE");
        locked.set_value();
        release.get_future().wait();
        other.execute("COMMIT");
    });
    locked.get_future().wait();
    test::LogCapture logs;
    const QString id = insertText(QStringLiteral("outlasts the lock"));
    // The write gives up after its retries, says so, and leaves a reconciliation due.
    ASSERT_TRUE(test::processEventsUntil(
        [&] { return logs.contains(LogLevel::error, category, QStringLiteral("Failed to upsert clipboard search index document: ")); },
        60000));
    EXPECT_FALSE(repository->waitForIndexSync()) << "the index is known to lag";
    release.set_value();
    holder.join();
    // The next write (or the next start) reconciles.
    insertText(QStringLiteral("later"));
    EXPECT_TRUE(repository->waitForIndexSync());
    EXPECT_EQ(indexSearch(QStringLiteral("outlasts")), QStringList{id});
}
