// The search database "clipboard_search.sqlite": one row per history item with its
// pre-normalised texts, an FTS5 table over the normalised and spaced-pinyin texts,
// and a table of 2- and 3-character grams of the compact texts.
//
// Every operation is synchronous for the caller: it runs on the store's own serial
// queue ("SQLiteClipboardSearchIndexStore.Queue"), which alone touches the
// connection, and the caller waits. Any thread may call. Failures throw
// SQLiteClipboardSearchIndexStoreError; a failed write is rolled back, so a document
// never exists without its FTS row and grams.
//
// The file is a cache of the history. When SQLite reports it damaged (at open or at
// any statement), the store renames it (and its log) to
// "clipboard_search.sqlite.corrupt-<UTC time>" beside it, keeps the newest
// keptCorruptCopies of those, starts an empty file that owes a rebuild from the
// history, and tells the rebuild handler. It does that once per store; damage found
// again afterwards closes the index for good (availability() == failed).
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include <QDateTime>
#include <QString>
#include <QStringList>

#include "history/ClipboardSearchIndexWriting.h"
#include "search/ClipboardSearchFilter.h"
#include "search/ClipboardSearchIndexDocument.h"
#include "search/ClipboardSearchPage.h"
#include "search/SQLiteClipboardSearchIndexStoreError.h"

struct sqlite3;

namespace quellpad {

class DefaultsStore;
class SerialQueue;

class SQLiteClipboardSearchIndexStore {
public:
    inline static const QString queueLabel = QStringLiteral("SQLiteClipboardSearchIndexStore.Queue");
    inline static constexpr int defaultBusyTimeoutMs = 5000;
    // Further attempts of a write that still found the database busy.
    inline static constexpr int busyRetries = 2;
    // How many damaged files set aside beside the index are kept (the newest ones).
    inline static constexpr int keptCorruptCopies = 2;
    // Damaged files set aside (and replaced with an empty one) per store.
    inline static constexpr int automaticRecoveries = 1;

    enum class Availability {
        ready,           // answers queries
        awaitingRebuild, // an empty file stands in for a damaged one until a rebuild commits
        failed,          // damaged again after its recovery: every operation throws
    };

    using DocumentSink = std::function<void(const ClipboardSearchIndexDocument&)>;
    // Writes every document of a rebuild, in order, through the sink it is given.
    using DocumentSource = std::function<void(const DocumentSink&)>;

    struct Environment {
        // The current time for date filters; defaults to the system clock.
        std::function<QDateTime()> now;
        // Runs on the store's queue right after the database is prepared (tests use it
        // to cap the file size, for one).
        std::function<void(sqlite3*)> didOpen;
        // How long a statement waits for another connection's write lock
        // (defaultBusyTimeoutMs when absent).
        std::optional<int> busyTimeoutMs;
        // Candidate sets larger than this are ranked by the tiered walk instead of
        // whole; the answers are the same (tests lower it to exercise every path).
        // Default 2000.
        std::optional<qint64> denseCandidateRows;
    };

    // Creates the parent directory (ClipboardSearchIndexDirectoryError on failure),
    // opens the database, sets the pragmas, creates the schema and migrates databases
    // of earlier versions (SQLiteClipboardSearchIndexStoreError on failure). The
    // defaults store is read for the user classification rules and must outlive
    // the store.
    SQLiteClipboardSearchIndexStore(const QString& databasePath, DefaultsStore& userDefaults,
                                    Environment environment = {});
    // Closes the connection on the store's queue.
    ~SQLiteClipboardSearchIndexStore();

    SQLiteClipboardSearchIndexStore(const SQLiteClipboardSearchIndexStore&) = delete;
    SQLiteClipboardSearchIndexStore& operator=(const SQLiteClipboardSearchIndexStore&) = delete;

    const QString& databasePath() const { return databasePath_; }

    // Replaces the item's document, FTS row and grams in one transaction.
    void upsert(const ClipboardSearchIndexDocument& document);
    // Removes the documents of these item ids (unknown ids are skipped) in one transaction.
    void deleteDocuments(const QStringList& itemIDs);
    // Moves an item in the recency order; an unknown id changes nothing.
    void touch(const QString& itemID, const QDateTime& sortAt, const std::optional<QDateTime>& lastAccessedAt,
               qint64 accessCount);
    // Replaces the whole content in one transaction (the old content stays on failure)
    // and returns the stats read afterwards.
    ClipboardSearchIndexStats rebuild(const std::vector<ClipboardSearchIndexDocument>& documents);
    enum class RebuildCondition {
        always,
        whenOwed,  // a damaged file was replaced, or a rebuild was cut short
        whenEmpty, // no documents (a first fill)
    };
    // The same, with the documents pulled from `source` on the store's queue while the
    // transaction is open, so they need not all be in memory. The source must not call
    // the store. The condition is checked on the queue: nullopt, and `source` is not
    // called, when it does not hold. A rebuild is recorded in the file before it
    // starts, so one cut short (a crash, a kill) leaves the old content and
    // owesRebuild() on the next open.
    std::optional<ClipboardSearchIndexStats> rebuildFrom(const DocumentSource& source,
                                                         RebuildCondition condition = RebuildCondition::always);
    ClipboardSearchIndexStats stats();

    // Upserts all documents in one transaction (all or nothing).
    void upsertAll(const std::vector<ClipboardSearchIndexDocument>& documents);
    // Every document's stamp, in no particular order.
    std::vector<ClipboardIndexedItemStamp> documentStamps();

    // Most recently used first. A limit of 0 or less gives an empty page and runs nothing.
    ClipboardSearchPage fetchRecent(int limit, int offset);
    // Text only, text with filters or filters only (an empty filter list means text
    // only); pages of rows in rank order.
    ClipboardSearchPage search(const ClipboardSearchIndexQuery& query, const std::vector<ClipboardSearchFilter>& filters,
                               int limit, int offset);

    Availability availability() const { return availability_; }
    // A damaged file was replaced, or a rebuild did not finish: the history should be
    // indexed again. Cleared when a rebuild commits.
    bool owesRebuild() const { return owesRebuild_; }
    // Called (on any thread, so it should only schedule work) whenever the index comes
    // to owe a rebuild, and at once when it already does. Null removes it.
    void setRebuildRequestHandler(std::function<void()> handler);

private:
    class Connection;

    std::unique_ptr<Connection> openConnection();
    // Runs on the queue: the body when the index is open; damage found on the way
    // sets the file aside (once) before the error reaches the caller.
    template <typename Body>
    auto guarded(Body&& body);
    void recoverFromDamage(const SQLiteClipboardSearchIndexStoreError& error); // on the queue
    QString setFileAside();                                                    // on the queue
    void readRebuildDebt();                                                    // on the queue
    void requestRebuild();

    // Runs a write on the queue, again when it failed only because another connection
    // held the lock past the busy timeout; the last failure is thrown.
    template <typename Write>
    void writeRetryingWhenBusy(Write&& write);

    QString databasePath_;
    DefaultsStore& userDefaults_;
    Environment environment_;
    std::unique_ptr<SerialQueue> queue_;
    std::unique_ptr<Connection> connection_; // used only on queue_; null once failed
    std::atomic<Availability> availability_ = Availability::ready;
    std::atomic<bool> owesRebuild_ = false;
    int recoveries_ = 0;                      // used only on queue_
    std::optional<std::pair<quint64, quint64>> openedFile_; // device and inode, used only on queue_
    std::mutex handlerMutex_;
    std::function<void()> rebuildRequestHandler_;
};

} // namespace quellpad
