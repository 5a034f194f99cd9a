#include "search/SQLiteClipboardSearchIndexStore.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <iterator>
#include <limits>
#include <mutex>
#include <variant>

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unicode/uchar.h>

#include "Core/Utilities/Logger.h"
#include "Core/Utilities/PrivateFiles.h"
#include "Core/Utilities/SerialQueue.h"
#include "Core/Utilities/TextUtilities.h"
#include "search/ClipboardSearchFilterConditions.h"
#include "Core/Utilities/ClipboardSearchText.h"
#include "search/ClipboardSearchGramTokenizer.h"
#include "search/ClipboardSearchVocabulary.h"

namespace quellpad {

namespace {

using Kind = SQLiteClipboardSearchIndexStoreError::Kind;

const QString logCategory = QStringLiteral("SQLiteSearch");
const QString lastRebuildKey = QStringLiteral("last_rebuild_at");
const QString pendingRebuildKey = QStringLiteral("rebuild_pending");
const QString damagedFile = QStringLiteral("damaged");
const QString interruptedRebuild = QStringLiteral("interrupted");

// The file's layout, kept in PRAGMA user_version. 0 is the first layout: fts_terms
// kept its own copy of the texts and compact_grams held one B-tree row per gram and
// document plus an index on doc_id (30 times the text it indexed). 2 keeps the
// texts once, in documents: both FTS tables read them from there (external
// content), and the grams are FTS5 postings (detail=none) fed by a tokenizer that
// cuts the same 2- and 3-character grams. The answers are the same. 3 adds the
// 16-character head indexes; a file of layout 2 only gains them.
constexpr int currentLayoutVersion = 3;

const char* const createTermsTable =
    "CREATE VIRTUAL TABLE IF NOT EXISTS fts_terms USING fts5(\n    normalized_text,\n    pinyin_spaced,\n"
    "    content='documents',\n    content_rowid='doc_id',\n    prefix='1 2 3'\n);";
const char* const createGramTable =
    "CREATE VIRTUAL TABLE IF NOT EXISTS gram_postings USING fts5(\n    compact_text,\n    pinyin_compact,\n"
    "    content='documents',\n    content_rowid='doc_id',\n    detail=none,\n    tokenize='quellpad_grams'\n);";

// Tables first, then the migration of older files, then the indexes: the indexes
// name columns that an older documents table gets only from the migration.
const char* const schemaTableStatements[] = {
    "CREATE TABLE IF NOT EXISTS documents (\n    doc_id INTEGER PRIMARY KEY AUTOINCREMENT,\n    item_id TEXT NOT NULL UNIQUE,\n    preview TEXT NOT NULL,\n    created_at REAL NOT NULL,\n    sort_at REAL NOT NULL,\n    last_accessed_at REAL,\n    access_count INTEGER NOT NULL DEFAULT 0,\n    content_type TEXT NOT NULL,\n    bundle_identifier TEXT,\n    classification TEXT,\n    normalized_text TEXT NOT NULL,\n    compact_text TEXT NOT NULL,\n    pinyin_spaced TEXT NOT NULL,\n    pinyin_compact TEXT NOT NULL,\n    is_truncated INTEGER NOT NULL DEFAULT 0\n);",
    "CREATE TABLE IF NOT EXISTS meta (\n    key TEXT PRIMARY KEY,\n    value TEXT NOT NULL\n);",
};
const char* const schemaIndexStatements[] = {
    "CREATE INDEX IF NOT EXISTS idx_documents_created_at_doc_id\nON documents(created_at DESC, doc_id DESC);",
    "CREATE INDEX IF NOT EXISTS idx_documents_sort_at_doc_id\nON documents(sort_at DESC, doc_id DESC);",
    "CREATE INDEX IF NOT EXISTS idx_documents_classification_created_at_doc_id\nON documents(classification COLLATE NOCASE, created_at DESC, doc_id DESC);",
    "CREATE INDEX IF NOT EXISTS idx_documents_classification_sort_at_doc_id\nON documents(classification COLLATE NOCASE, sort_at DESC, doc_id DESC);",
    "CREATE INDEX IF NOT EXISTS idx_documents_bundle_identifier_created_at_doc_id\nON documents(bundle_identifier COLLATE NOCASE, created_at DESC, doc_id DESC);",
    "CREATE INDEX IF NOT EXISTS idx_documents_bundle_identifier_sort_at_doc_id\nON documents(bundle_identifier COLLATE NOCASE, sort_at DESC, doc_id DESC);",
    // Head indexes: the rows that start with a one-, two- or three-character query,
    // newest first, for the first tier of the ranking.
    "CREATE INDEX IF NOT EXISTS idx_documents_compact_head_1\nON documents(substr(compact_text, 1, 1), sort_at DESC, doc_id DESC);",
    "CREATE INDEX IF NOT EXISTS idx_documents_compact_head_2\nON documents(substr(compact_text, 1, 2), sort_at DESC, doc_id DESC);",
    "CREATE INDEX IF NOT EXISTS idx_documents_compact_head_3\nON documents(substr(compact_text, 1, 3), sort_at DESC, doc_id DESC);",
    "CREATE INDEX IF NOT EXISTS idx_documents_pinyin_head_1\nON documents(substr(pinyin_compact, 1, 1), sort_at DESC, doc_id DESC)\nWHERE pinyin_compact <> '';",
    "CREATE INDEX IF NOT EXISTS idx_documents_pinyin_head_2\nON documents(substr(pinyin_compact, 1, 2), sort_at DESC, doc_id DESC)\nWHERE pinyin_compact <> '';",
    "CREATE INDEX IF NOT EXISTS idx_documents_pinyin_head_3\nON documents(substr(pinyin_compact, 1, 3), sort_at DESC, doc_id DESC)\nWHERE pinyin_compact <> '';",
    // For longer queries: the rows that start with one are a range of these keys.
    "CREATE INDEX IF NOT EXISTS idx_documents_compact_head_16\nON documents(substr(compact_text, 1, 16), sort_at DESC, doc_id DESC);",
    "CREATE INDEX IF NOT EXISTS idx_documents_pinyin_head_16\nON documents(substr(pinyin_compact, 1, 16), sort_at DESC, doc_id DESC)\nWHERE pinyin_compact <> '';",
};

const char* const selectDocIDByItemID =
    "SELECT doc_id, normalized_text, pinyin_spaced, compact_text, pinyin_compact FROM documents WHERE item_id = ? LIMIT 1;";
// External content: FTS5 removes a row's postings given the texts it was indexed with.
const char* const deleteTermsOfDoc =
    "INSERT INTO fts_terms (fts_terms, rowid, normalized_text, pinyin_spaced)\nVALUES ('delete', ?, ?, ?);";
const char* const deleteGramsOfDoc =
    "INSERT INTO gram_postings (gram_postings, rowid, compact_text, pinyin_compact)\nVALUES ('delete', ?, ?, ?);";
const char* const deleteDocument = "DELETE FROM documents WHERE doc_id = ?;";
const char* const insertDocument =
    "INSERT INTO documents (\n    item_id,\n    preview,\n    created_at,\n    sort_at,\n    last_accessed_at,\n    access_count,\n    content_type,\n    bundle_identifier,\n    classification,\n    normalized_text,\n    compact_text,\n    pinyin_spaced,\n    pinyin_compact,\n    is_truncated\n) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?);";
const char* const insertFTS = "INSERT INTO fts_terms (rowid, normalized_text, pinyin_spaced)\nVALUES (?, ?, ?);";
const char* const insertGrams = "INSERT INTO gram_postings (rowid, compact_text, pinyin_compact)\nVALUES (?, ?, ?);";
const char* const upsertMeta =
    "INSERT INTO meta (key, value)\nVALUES (?, ?)\nON CONFLICT(key) DO UPDATE SET value = excluded.value;";
const char* const touchDocument =
    "UPDATE documents SET sort_at = ?, last_accessed_at = ?, access_count = ? WHERE item_id = ?;";
const char* const selectRecent =
    "SELECT doc_id, item_id, preview, created_at, sort_at, last_accessed_at, access_count,\n       content_type, bundle_identifier, normalized_text, compact_text, pinyin_spaced, pinyin_compact, classification\nFROM documents\nORDER BY sort_at DESC, doc_id DESC\nLIMIT ? OFFSET ?;";

const QString aliasedColumnsLine1 = QStringLiteral(
    "SELECT d.doc_id, d.item_id, d.preview, d.created_at, d.sort_at, d.last_accessed_at, d.access_count,");
const QString aliasedColumnsLine2 = QStringLiteral(
    "       d.content_type, d.bundle_identifier, d.normalized_text, d.compact_text, d.pinyin_spaced, d.pinyin_compact, d.classification");
const QString aliasedColumns = aliasedColumnsLine1 + QLatin1Char('\n') + aliasedColumnsLine2;

// The doc_ids of one MATCH, read once per search. Statements test a row with
// quellpad_in_rows(?, d.doc_id), which needs only the doc_id an index entry holds, so
// a walk down an index reads no row outside the set; "d.doc_id IN (SELECT rowid ...
// MATCH ?)" was read again by every statement of a search.
class RowSet {
public:
    static constexpr const char* pointerType = "quellpad_row_set";

    RowSet() = default;
    explicit RowSet(std::vector<qint64> sortedIDs) : ids_(std::move(sortedIDs)) {}

    bool contains(qint64 id) const { return std::binary_search(ids_.begin(), ids_.end(), id); }
    qint64 size() const { return static_cast<qint64>(ids_.size()); }
    const std::vector<qint64>& ids() const { return ids_; }

    RowSet united(const RowSet& other) const {
        std::vector<qint64> both;
        both.reserve(ids_.size() + other.ids_.size());
        std::set_union(ids_.begin(), ids_.end(), other.ids_.begin(), other.ids_.end(), std::back_inserter(both));
        return RowSet(std::move(both));
    }

    // quellpad_in_rows(set, doc_id): 1 when the row is in the set.
    static void sqlFunction(sqlite3_context* context, int, sqlite3_value** arguments) {
        const auto* set = static_cast<const RowSet*>(sqlite3_value_pointer(arguments[0], pointerType));
        if (set == nullptr) {
            sqlite3_result_error(context, "quellpad_in_rows needs a row set", -1);
            return;
        }
        sqlite3_result_int(context, set->contains(sqlite3_value_int64(arguments[1])) ? 1 : 0);
    }

private:
    std::vector<qint64> ids_;
};

// A value bound to a positional "?"; NULL is the empty alternative.
using Binding = std::variant<std::monostate, int, qint64, double, QString, const RowSet*>;
using Bindings = std::vector<Binding>;

double secondsSince1970(const QDateTime& date) { return static_cast<double>(date.toMSecsSinceEpoch()) / 1000.0; }
QDateTime dateFromSeconds(double seconds) {
    return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(std::llround(seconds * 1000.0)));
}
// Date bounds are whole seconds, the fraction truncated toward zero.
qint64 wholeSeconds(const QDateTime& date) { return static_cast<qint64>(secondsSince1970(date)); }

struct StoredDocument {
    qint64 rowID = 0;
    QString itemID;
    QString preview;
    double createdAt = 0;
    double sortAt = 0;
    std::optional<double> lastAccessedAt;
    qint64 accessCount = 0;
    QString contentType;
    std::optional<QString> bundleIdentifier;
    std::optional<QString> classification;
    QString normalizedText;
    QString compactText;
    QString pinyinSpaced;
    QString pinyinCompact;
};

ClipboardHistoryIndexSnapshot snapshotOf(const StoredDocument& row) {
    ClipboardHistoryIndexSnapshot snapshot;
    snapshot.id = row.itemID;
    snapshot.preview = row.preview;
    // The index keeps no raw search text; its normalised form is the nearest.
    snapshot.searchText = row.normalizedText;
    snapshot.createdAt = dateFromSeconds(row.createdAt);
    if (row.lastAccessedAt) {
        snapshot.lastAccessedAt = dateFromSeconds(*row.lastAccessedAt);
    }
    snapshot.accessCount = std::max<qint64>(row.accessCount, 0);
    snapshot.contentType = clipboardContentTypeFromRaw(row.contentType).value_or(ClipboardContentType::text);
    snapshot.bundleIdentifier = row.bundleIdentifier;
    snapshot.classification = row.classification;
    return snapshot;
}


bool hasNonAlphanumeric(const QString& text) {
    for (char32_t c : text.toUcs4()) {
        if (!ClipboardSearchGramTokenizer::isAlphanumeric(c)) {
            return true;
        }
    }
    return false;
}

qsizetype characterCount(const QString& text) { return TextUtilities::graphemeCount(text); }

QString optionalText(const std::optional<QString>& value) { return value ? *value : QStringLiteral("nil"); }

} // namespace

// ---------------------------------------------------------------------------
// Connection: the handle, statements and transactions; used only on the queue.

class SQLiteClipboardSearchIndexStore::Connection {
public:
    class Statement {
    public:
        Statement(Connection& connection, const QString& sql) : connection_(connection) {
            const QByteArray utf8 = sql.toUtf8();
            if (sqlite3_prepare_v2(connection.db_, utf8.constData(), static_cast<int>(utf8.size()), &statement_,
                                   nullptr) != SQLITE_OK) {
                const QString message = connection.errorMessage();
                sqlite3_finalize(statement_);
                statement_ = nullptr;
                throw SQLiteClipboardSearchIndexStoreError(Kind::prepare, message, connection.errorCode());
            }
        }
        ~Statement() { sqlite3_finalize(statement_); }
        Statement(const Statement&) = delete;
        Statement& operator=(const Statement&) = delete;

        void bind(const Bindings& values) {
            int index = 1;
            for (const Binding& value : values) {
                int result = SQLITE_OK;
                if (std::holds_alternative<std::monostate>(value)) {
                    result = sqlite3_bind_null(statement_, index);
                } else if (const int* i = std::get_if<int>(&value)) {
                    result = sqlite3_bind_int(statement_, index, *i);
                } else if (const qint64* l = std::get_if<qint64>(&value)) {
                    result = sqlite3_bind_int64(statement_, index, *l);
                } else if (const double* d = std::get_if<double>(&value)) {
                    result = sqlite3_bind_double(statement_, index, *d);
                } else if (const RowSet* const* set = std::get_if<const RowSet*>(&value)) {
                    result = sqlite3_bind_pointer(statement_, index, const_cast<RowSet*>(*set), RowSet::pointerType,
                                                  nullptr);
                } else {
                    const QByteArray utf8 = std::get<QString>(value).toUtf8();
                    result = sqlite3_bind_text(statement_, index, utf8.constData(), static_cast<int>(utf8.size()),
                                               SQLITE_TRANSIENT);
                }
                if (result != SQLITE_OK) {
                    throw SQLiteClipboardSearchIndexStoreError(Kind::step, connection_.errorMessage(), connection_.errorCode());
                }
                ++index;
            }
        }

        // The bytes must stay valid until the statement is reset.
        void bindStaticText(int index, std::string_view text) {
            if (sqlite3_bind_text(statement_, index, text.data(), static_cast<int>(text.size()), SQLITE_STATIC) !=
                SQLITE_OK) {
                throw SQLiteClipboardSearchIndexStoreError(Kind::step, connection_.errorMessage(), connection_.errorCode());
            }
        }
        void bindInt64(int index, qint64 value) {
            if (sqlite3_bind_int64(statement_, index, value) != SQLITE_OK) {
                throw SQLiteClipboardSearchIndexStoreError(Kind::step, connection_.errorMessage(), connection_.errorCode());
            }
        }

        // True for a row, false when done.
        bool step() {
            const int result = sqlite3_step(statement_);
            if (result == SQLITE_ROW) {
                return true;
            }
            if (result == SQLITE_DONE) {
                return false;
            }
            throw SQLiteClipboardSearchIndexStoreError(Kind::step, connection_.errorMessage(), result);
        }

        void runToCompletion() {
            while (step()) {
            }
        }

        void resetAndClear() {
            sqlite3_reset(statement_);
            sqlite3_clear_bindings(statement_);
        }

        qint64 int64(int column) const { return sqlite3_column_int64(statement_, column); }
        double real(int column) const { return sqlite3_column_double(statement_, column); }
        bool isNull(int column) const { return sqlite3_column_type(statement_, column) == SQLITE_NULL; }
        std::optional<QString> optionalText(int column) const {
            const unsigned char* text = sqlite3_column_text(statement_, column);
            if (text == nullptr) {
                return std::nullopt;
            }
            return QString::fromUtf8(reinterpret_cast<const char*>(text), sqlite3_column_bytes(statement_, column));
        }
        QString text(int column) const { return optionalText(column).value_or(QString()); }

        StoredDocument document() const {
            StoredDocument row;
            row.rowID = int64(0);
            row.itemID = text(1);
            row.preview = text(2);
            row.createdAt = real(3);
            row.sortAt = real(4);
            if (!isNull(5)) {
                row.lastAccessedAt = real(5);
            }
            row.accessCount = int64(6);
            row.contentType = text(7);
            row.bundleIdentifier = optionalText(8);
            row.normalizedText = text(9);
            row.compactText = text(10);
            row.pinyinSpaced = text(11);
            row.pinyinCompact = text(12);
            row.classification = optionalText(13);
            return row;
        }

    private:
        Connection& connection_;
        sqlite3_stmt* statement_ = nullptr;
    };

    // Rolls back unless committed, so every failed write leaves the file as it was.
    class Transaction {
    public:
        explicit Transaction(Connection& connection) : connection_(connection) {
            connection_.execute("BEGIN IMMEDIATE TRANSACTION;");
        }
        ~Transaction() {
            if (!committed_) {
                sqlite3_exec(connection_.db_, "ROLLBACK TRANSACTION;", nullptr, nullptr, nullptr);
            }
        }
        Transaction(const Transaction&) = delete;
        Transaction& operator=(const Transaction&) = delete;
        void commit() {
            connection_.execute("COMMIT TRANSACTION;");
            committed_ = true;
        }

    private:
        Connection& connection_;
        bool committed_ = false;
    };

    Connection(const QString& path, int busyTimeoutMs) : path_(path) {
        // Created owner-only before SQLite sees it; its -wal and -shm take the same mode.
        if (std::optional<QString> error = PrivateFiles::createFile(path)) {
            throw SQLiteClipboardSearchIndexStoreError(Kind::openDatabase, *error);
        }
        if (const int result = sqlite3_open(QFile::encodeName(path).constData(), &db_); result != SQLITE_OK) {
            const QString message = errorMessage();
            sqlite3_close_v2(db_);
            db_ = nullptr;
            throw SQLiteClipboardSearchIndexStoreError(Kind::openDatabase, message, result);
        }
        // The app, `quellpad add` and a rebuild write this file at the same time; wait
        // for the lock instead of failing at once.
        sqlite3_extended_result_codes(db_, 1);
        sqlite3_busy_timeout(db_, busyTimeoutMs);
    }
    ~Connection() {
        {
            std::lock_guard lock(closingMutex_);
            closing_ = true;
        }
        closingChanged_.notify_all();
        checkpoints_.reset(); // finishes a checkpoint under way
        sqlite3_close_v2(checkpointDb_);
        sqlite3_close_v2(db_);
        db_ = nullptr;
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    sqlite3* handle() const { return db_; }

    int errorCode() const { return db_ != nullptr ? sqlite3_extended_errcode(db_) : SQLITE_ERROR; }

    QString errorMessage() const {
        if (db_ == nullptr) {
            return SQLiteClipboardSearchIndexStoreError::unknownMessage;
        }
        const char* message = sqlite3_errmsg(db_);
        return message != nullptr && *message != '\0' ? QString::fromUtf8(message)
                                                       : SQLiteClipboardSearchIndexStoreError::unknownMessage;
    }

    void execute(const char* sql) {
        char* message = nullptr;
        if (const int result = sqlite3_exec(db_, sql, nullptr, nullptr, &message); result != SQLITE_OK) {
            const QString text = message != nullptr ? QString::fromUtf8(message) : errorMessage();
            sqlite3_free(message);
            throw SQLiteClipboardSearchIndexStoreError(Kind::execute, text, sqlite3_extended_errcode(db_));
        }
    }

    void prepareSchema() {
        execute("PRAGMA journal_mode = WAL;");
        execute("PRAGMA synchronous = NORMAL;");
        execute("PRAGMA foreign_keys = ON;");
        // Checkpoints run beside the writer, so a burst of writes can grow the log
        // well past the checkpoint threshold; it is cut back when it restarts.
        execute("PRAGMA journal_size_limit = 4194304;");
        if (ClipboardSearchGramTokenizer::registerOn(db_) != SQLITE_OK ||
            sqlite3_create_function_v2(db_, "quellpad_in_rows", 2, SQLITE_UTF8 | SQLITE_DIRECTONLY, nullptr,
                                       &RowSet::sqlFunction, nullptr, nullptr, nullptr) != SQLITE_OK) {
            throw SQLiteClipboardSearchIndexStoreError(Kind::openDatabase, errorMessage(), errorCode());
        }
        for (const char* statement : schemaTableStatements) {
            execute(statement);
        }
        migrate();
        convertLayout();
        for (const char* statement : schemaIndexStatements) {
            execute(statement);
        }
        moveCheckpointsOffTheWritePath();
    }

    // ---- checkpoints ------------------------------------------------------------
    //
    // SQLite's automatic checkpoint runs inside the commit that crosses its
    // threshold, so now and then one upsert paid for copying the whole log. The
    // write connection leaves that to a second connection on its own queue, which
    // a commit only nudges; a passive checkpoint waits for no reader or writer.

    static constexpr int checkpointLogPages = 1000; // SQLite's own default threshold
    static constexpr int truncateLogPages = 1024;   // the journal size limit, in 4 KiB pages
    static constexpr int truncateAttempts = 50;
    static constexpr std::chrono::milliseconds truncateRetryInterval{100};

    void moveCheckpointsOffTheWritePath() {
        checkpoints_ = std::make_unique<SerialQueue>(queueLabel + QStringLiteral(".Checkpoint"));
        sqlite3_wal_hook(db_, &Connection::walCommitted, this); // replaces the automatic checkpoint
    }

    static int walCommitted(void* context, sqlite3*, const char*, int logPages) {
        auto* connection = static_cast<Connection*>(context);
        ++connection->commits_;
        if (logPages >= checkpointLogPages && !connection->checkpointPending_.exchange(true)) {
            connection->checkpoints_->async([connection] { connection->checkpointNow(SQLITE_CHECKPOINT_PASSIVE); });
        }
        return SQLITE_OK;
    }

    // On the checkpoint queue. Best effort: a failure leaves the log to the next try.
    void checkpointNow(int mode) {
        checkpointPending_ = false;
        // A connection learns that the file is in WAL mode only by reading it.
        if (checkpointDb_ == nullptr &&
            (sqlite3_open_v2(QFile::encodeName(path_).constData(), &checkpointDb_, SQLITE_OPEN_READWRITE, nullptr) !=
                 SQLITE_OK ||
             sqlite3_exec(checkpointDb_, "PRAGMA schema_version;", nullptr, nullptr, nullptr) != SQLITE_OK)) {
            Logger::warning(QStringLiteral("Clipboard search index checkpoint connection failed: ") +
                                QString::fromUtf8(sqlite3_errmsg(checkpointDb_)),
                            logCategory);
            sqlite3_close_v2(checkpointDb_);
            checkpointDb_ = nullptr;
            return;
        }
        if (mode != SQLITE_CHECKPOINT_PASSIVE) {
            sqlite3_wal_checkpoint_v2(checkpointDb_, nullptr, mode, nullptr, nullptr);
            return;
        }
        // The writer starts the log over only when it begins after a complete checkpoint;
        // back-to-back writes (a burst of copies) always begin before this one ends, so
        // the log kept growing until the next quiet write. Once caught up, with no write
        // meanwhile, cut it back here. With no busy handler the cut gives way at once to
        // a reader or writer already there; then it is tried again a little later.
        for (int attempt = 1;; ++attempt) {
            const quint64 commitsBefore = commits_.load();
            int logPages = 0;
            int copiedPages = 0;
            if (sqlite3_wal_checkpoint_v2(checkpointDb_, nullptr, SQLITE_CHECKPOINT_PASSIVE, &logPages, &copiedPages) !=
                    SQLITE_OK ||
                logPages <= truncateLogPages) {
                return;
            }
            if (logPages == copiedPages && commits_.load() == commitsBefore &&
                sqlite3_wal_checkpoint_v2(checkpointDb_, nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr) ==
                    SQLITE_OK) {
                return;
            }
            std::unique_lock lock(closingMutex_);
            if (attempt == truncateAttempts ||
                closingChanged_.wait_for(lock, truncateRetryInterval, [this] { return closing_; })) {
                return;
            }
        }
    }

    int layoutVersion() {
        Statement statement(*this, QStringLiteral("PRAGMA user_version;"));
        return statement.step() ? static_cast<int>(statement.int64(0)) : 0;
    }

    bool hasTable(const char* name) {
        Statement statement(*this, QStringLiteral("SELECT 1 FROM sqlite_master WHERE name = ? LIMIT 1;"));
        statement.bind({QString::fromLatin1(name)});
        return statement.step();
    }

    // Brings a file of an earlier layout to the current one from its documents
    // table alone (the history is not needed), in one transaction: a kill midway
    // leaves the old layout, which the next open converts again.
    void convertLayout() {
        const int version = layoutVersion();
        if (version == currentLayoutVersion) {
            return;
        }
        if (version > currentLayoutVersion) {
            throw SQLiteClipboardSearchIndexStoreError(
                Kind::openDatabase, QStringLiteral("index layout %1 is newer than this version reads (%2)")
                                        .arg(version)
                                        .arg(currentLayoutVersion));
        }
        const qint64 documentCount = count("SELECT COUNT(*) FROM documents;");
        if (version == 2) {
            // The tables stay; the new indexes are created with the others.
            Logger::info(QStringLiteral("Converting clipboard search index from layout 2 to %1 (%2 documents): adding "
                                        "head indexes")
                             .arg(currentLayoutVersion)
                             .arg(documentCount),
                         logCategory);
            execute(QStringLiteral("PRAGMA user_version = %1;").arg(currentLayoutVersion).toLatin1().constData());
            return;
        }
        const bool earlierLayout = hasTable("compact_grams") || hasTable("fts_terms");
        if (earlierLayout) {
            Logger::info(QStringLiteral("Converting clipboard search index from layout %1 to %2 (%3 documents)")
                             .arg(version)
                             .arg(currentLayoutVersion)
                             .arg(documentCount),
                         logCategory);
        }
        {
            Transaction transaction(*this);
            execute("DROP TABLE IF EXISTS compact_grams;");
            execute("DROP TABLE IF EXISTS fts_terms;");
            execute("DROP TABLE IF EXISTS gram_postings;");
            execute(createTermsTable);
            execute(createGramTable);
            execute("INSERT INTO fts_terms (fts_terms) VALUES ('rebuild');");
            execute("INSERT INTO gram_postings (gram_postings) VALUES ('rebuild');");
            execute(QStringLiteral("PRAGMA user_version = %1;").arg(currentLayoutVersion).toLatin1().constData());
            transaction.commit();
        }
        if (earlierLayout) {
            // The old gram rows are free pages now; give them back (VACUUM writes the
            // new file through the log, so fold that in too). Best effort.
            sqlite3_exec(db_, "VACUUM;", nullptr, nullptr, nullptr);
            sqlite3_exec(db_, "PRAGMA wal_checkpoint(TRUNCATE);", nullptr, nullptr, nullptr);
            Logger::info(QStringLiteral("Clipboard search index converted to layout %1").arg(currentLayoutVersion),
                         logCategory);
        }
    }

    void migrate() {
        QSet<QString> columns;
        {
            Statement info(*this, QStringLiteral("PRAGMA table_info(documents);"));
            while (info.step()) {
                columns.insert(info.text(1));
            }
        }
        const std::pair<const char*, const char*> additions[] = {
            {"classification", "ALTER TABLE documents ADD COLUMN classification TEXT;"},
            {"sort_at", "ALTER TABLE documents ADD COLUMN sort_at REAL;"},
            {"last_accessed_at", "ALTER TABLE documents ADD COLUMN last_accessed_at REAL;"},
            {"access_count", "ALTER TABLE documents ADD COLUMN access_count INTEGER DEFAULT 0;"},
        };
        for (const auto& [column, statement] : additions) {
            if (!columns.contains(QString::fromLatin1(column))) {
                execute(statement);
            }
        }
        execute("UPDATE documents SET sort_at = created_at WHERE sort_at IS NULL;");
        execute("UPDATE documents SET access_count = 0 WHERE access_count IS NULL;");
    }

    std::vector<StoredDocument> documents(const QString& sql, const Bindings& bindings) {
        Statement statement(*this, sql);
        statement.bind(bindings);
        std::vector<StoredDocument> rows;
        while (statement.step()) {
            rows.push_back(statement.document());
        }
        return rows;
    }

    qint64 count(const char* sql) {
        Statement statement(*this, QString::fromLatin1(sql));
        return statement.step() ? statement.int64(0) : 0;
    }

    // ---- writing --------------------------------------------------------------

    // The insert statements of one write, prepared once and reused for every document.
    class Writer {
    public:
        explicit Writer(Connection& connection, bool withPostings = true)
            : connection_(connection), document_(connection, QString::fromLatin1(insertDocument)) {
            if (withPostings) {
                fts_.emplace(connection, QString::fromLatin1(insertFTS));
                grams_.emplace(connection, QString::fromLatin1(insertGrams));
            }
        }

        void write(const ClipboardSearchIndexDocument& document) {
            document_.resetAndClear();
            document_.bind({
                document.id,
                document.preview,
                secondsSince1970(document.createdAt),
                secondsSince1970(document.sortAt),
                document.lastAccessedAt ? Binding(secondsSince1970(*document.lastAccessedAt)) : Binding(),
                std::max<qint64>(document.accessCount, 0),
                rawValue(document.contentType),
                document.bundleIdentifier ? Binding(*document.bundleIdentifier) : Binding(),
                document.classification ? Binding(*document.classification) : Binding(),
                document.normalizedText,
                document.compactText,
                document.pinyinSpaced,
                document.pinyinCompact,
                document.isTruncated ? 1 : 0,
            });
            document_.runToCompletion();
            if (!fts_) {
                return; // a rebuild indexes all rows at once afterwards
            }
            const qint64 docID = sqlite3_last_insert_rowid(connection_.db_);
            fts_->resetAndClear();
            fts_->bind({docID, document.normalizedText, document.pinyinSpaced});
            fts_->runToCompletion();
            grams_->resetAndClear();
            grams_->bind({docID, document.compactText, document.pinyinCompact});
            grams_->runToCompletion();
        }

    private:
        Connection& connection_;
        Statement document_;
        std::optional<Statement> fts_;
        std::optional<Statement> grams_;
    };

    // Deletes the grams, FTS row and document of an item, when it has one.
    void removeDocument(const QString& itemID) {
        Statement lookup(*this, QString::fromLatin1(selectDocIDByItemID));
        lookup.bind({itemID});
        if (!lookup.step()) {
            return;
        }
        const qint64 docID = lookup.int64(0);
        const Bindings terms{docID, lookup.text(1), lookup.text(2)};
        const Bindings grams{docID, lookup.text(3), lookup.text(4)};
        for (const auto& [sql, bindings] : {std::pair{deleteTermsOfDoc, terms}, std::pair{deleteGramsOfDoc, grams},
                                            std::pair{deleteDocument, Bindings{docID}}}) {
            Statement statement(*this, QString::fromLatin1(sql));
            statement.bind(bindings);
            statement.runToCompletion();
        }
    }

    void upsert(const ClipboardSearchIndexDocument& document) {
        Transaction transaction(*this);
        removeDocument(document.id);
        Writer(*this).write(document);
        transaction.commit();
    }

    void deleteDocuments(const QStringList& itemIDs) {
        Transaction transaction(*this);
        for (const QString& itemID : itemIDs) {
            removeDocument(itemID);
        }
        transaction.commit();
    }

    void touch(const QString& itemID, const QDateTime& sortAt, const std::optional<QDateTime>& lastAccessedAt,
               qint64 accessCount) {
        Statement statement(*this, QString::fromLatin1(touchDocument));
        statement.bind({secondsSince1970(sortAt),
                        lastAccessedAt ? Binding(secondsSince1970(*lastAccessedAt)) : Binding(), accessCount, itemID});
        statement.runToCompletion();
    }

    // ---- reconciliation and batched writes -------------------------------------

    // Many documents in one transaction, so a burst of copies costs one commit.
    void upsertAll(const std::vector<ClipboardSearchIndexDocument>& documents) {
        Transaction transaction(*this);
        Writer writer(*this);
        for (const ClipboardSearchIndexDocument& document : documents) {
            removeDocument(document.id);
            writer.write(document);
        }
        transaction.commit();
    }

    std::vector<ClipboardIndexedItemStamp> documentStamps() {
        Statement statement(*this, QStringLiteral("SELECT item_id, sort_at, access_count, normalized_text <> '' "
                                                  "FROM documents;"));
        std::vector<ClipboardIndexedItemStamp> stamps;
        while (statement.step()) {
            stamps.push_back({statement.text(0), dateFromSeconds(statement.real(1)), statement.int64(2),
                              statement.int64(3) != 0});
        }
        return stamps;
    }

    // ---- rebuild debt ------------------------------------------------------------
    //
    // meta "rebuild_pending" says the content is not what the history would give:
    // "damaged" for an empty file standing in for a damaged one, "interrupted" for a
    // rebuild that started and never committed (its rollback left the old content).

    std::optional<QString> rebuildDebt() {
        Statement statement(*this, QStringLiteral("SELECT value FROM meta WHERE key = ? LIMIT 1;"));
        statement.bind({pendingRebuildKey});
        return statement.step() ? std::optional<QString>(statement.text(0)) : std::nullopt;
    }

    // Records the debt in its own transaction, so that it survives the rebuild's rollback.
    void recordRebuildDebt(const QString& reason) {
        Statement statement(*this, QStringLiteral("INSERT OR IGNORE INTO meta (key, value) VALUES (?, ?);"));
        statement.bind({pendingRebuildKey, reason});
        statement.runToCompletion();
    }

    void rebuild(const DocumentSource& source, const QDateTime& now) {
        recordRebuildDebt(interruptedRebuild);
        Transaction transaction(*this);
        execute("DELETE FROM meta WHERE key = 'rebuild_pending';");
        execute("INSERT INTO gram_postings (gram_postings) VALUES ('delete-all');");
        execute("INSERT INTO fts_terms (fts_terms) VALUES ('delete-all');");
        execute("DELETE FROM documents;");
        execute("DELETE FROM meta WHERE key = 'last_rebuild_at';");
        // Each index is built once, sorted, after the rows are in, rather than kept
        // up to date row by row; the rollback of a failed rebuild restores them.
        for (const char* statement : schemaIndexStatements) {
            const QString name = QString::fromLatin1(statement).section(QLatin1Char(' '), 5, 5).section(QLatin1Char('\n'), 0, 0);
            execute((QStringLiteral("DROP INDEX IF EXISTS ") + name + QLatin1Char(';')).toUtf8().constData());
        }
        {
            // Rows first, postings after in one pass per table: FTS5 then builds
            // large sorted segments instead of merging one small one per document.
            Writer writer(*this, false);
            source([&writer](const ClipboardSearchIndexDocument& document) { writer.write(document); });
        }
        execute("INSERT INTO fts_terms (fts_terms) VALUES ('rebuild');");
        execute("INSERT INTO gram_postings (gram_postings) VALUES ('rebuild');");
        for (const char* statement : schemaIndexStatements) {
            execute(statement);
        }
        {
            Statement meta(*this, QString::fromLatin1(upsertMeta));
            meta.bind({lastRebuildKey, QString::number(secondsSince1970(now), 'f', QLocale::FloatingPointShortest)});
            meta.runToCompletion();
        }
        transaction.commit();
        // The log now holds a second copy of the whole index; fold it into the file and
        // give the space back. Best effort: a reader still using the log only delays it.
        // On the checkpoint queue, so that it never races a checkpoint already running.
        checkpoints_->sync([this] { checkpointNow(SQLITE_CHECKPOINT_TRUNCATE); });
    }

    qint64 documentCount() { return count("SELECT COUNT(*) FROM documents;"); }

    ClipboardSearchIndexStats stats() {
        ClipboardSearchIndexStats result;
        result.documentCount = count("SELECT COUNT(*) FROM documents;");
        // One posting per gram and document, as one compact_grams row was.
        execute("CREATE VIRTUAL TABLE IF NOT EXISTS temp.gram_vocabulary USING fts5vocab(main, 'gram_postings', 'row');");
        result.gramCount = count("SELECT COALESCE(SUM(doc), 0) FROM temp.gram_vocabulary WHERE length(term) > 1;");
        Statement meta(*this, QStringLiteral("SELECT value FROM meta WHERE key = ? LIMIT 1;"));
        meta.bind({lastRebuildKey});
        if (meta.step()) {
            bool ok = false;
            const double seconds = meta.text(0).toDouble(&ok);
            if (ok && std::isfinite(seconds)) {
                result.lastRebuildAt = dateFromSeconds(seconds);
            }
        }
        return result;
    }

    // ---- reading --------------------------------------------------------------

    static ClipboardSearchPage page(const std::vector<StoredDocument>& rows, qint64 start, qint64 limit) {
        ClipboardSearchPage result;
        const qint64 count = static_cast<qint64>(rows.size());
        if (start >= count) {
            return result;
        }
        const qint64 end = std::min(count, start + limit);
        for (qint64 i = start; i < end; ++i) {
            result.items.push_back(snapshotOf(rows[static_cast<size_t>(i)]));
        }
        result.hasMore = start + limit < count;
        return result;
    }

    ClipboardSearchPage fetchRecent(qint64 limit, qint64 offset) {
        if (limit <= 0) {
            return {};
        }
        const std::vector<StoredDocument> rows =
            documents(QString::fromLatin1(selectRecent), {limit + 1, std::max<qint64>(offset, 0)});
        return page(rows, 0, limit);
    }

    static QString rankingExpression(const QString& alias) {
        auto clause = [&](const QString& comparison) {
            return QStringLiteral("instr(") + alias + QStringLiteral(".normalized_text, ?) ") + comparison +
                   QStringLiteral(" OR instr(") + alias + QStringLiteral(".compact_text, ?) ") + comparison +
                   QStringLiteral(" OR instr(") + alias + QStringLiteral(".pinyin_spaced, ?) ") + comparison +
                   QStringLiteral(" OR instr(") + alias + QStringLiteral(".pinyin_compact, ?) ") + comparison;
        };
        return QStringLiteral("CASE WHEN ") + clause(QStringLiteral("> 0")) +
               QStringLiteral(" THEN 1 ELSE 0 END DESC,\nCASE WHEN ") + clause(QStringLiteral("= 1")) +
               QStringLiteral(" THEN 1 ELSE 0 END DESC,\n") + alias + QStringLiteral(".sort_at") +
               QStringLiteral(" DESC,\n") + alias + QStringLiteral(".doc_id ") + QStringLiteral("DESC");
    }

    static Bindings rankingBindings(const ClipboardSearchIndexQuery& query) {
        Bindings bindings;
        for (int i = 0; i < 4; ++i) {
            bindings.push_back(query.normalizedText);
            bindings.push_back(query.compactText);
        }
        return bindings;
    }

    static void append(Bindings& to, const Bindings& values) { to.insert(to.end(), values.begin(), values.end()); }

    // ---- filters --------------------------------------------------------------

    struct FilterClauses {
        QStringList slots; // five entries, "" where the filter is not set
        Bindings values;   // of the set filters, in clause order

        QStringList present() const {
            QStringList result;
            for (const QString& slot : slots) {
                if (!slot.isEmpty()) {
                    result.push_back(slot);
                }
            }
            return result;
        }
    };

    static FilterClauses filterClauses(const ClipboardSearchFilterConditions& conditions, bool aliased) {
        const QString prefix = aliased ? QStringLiteral("AND d.") : QStringLiteral("AND ");
        FilterClauses clauses;
        auto add = [&](bool isSet, const QString& clause, const Binding& value) {
            clauses.slots.push_back(isSet ? prefix + clause : QString());
            if (isSet) {
                clauses.values.push_back(value);
            }
        };
        add(conditions.contentType.has_value(), QStringLiteral("content_type = ?"),
            conditions.contentType ? Binding(rawValue(*conditions.contentType)) : Binding());
        add(conditions.classification.has_value(), QStringLiteral("classification = ? COLLATE NOCASE"),
            conditions.classification ? Binding(*conditions.classification) : Binding());
        add(conditions.bundleIdentifier.has_value(), QStringLiteral("bundle_identifier = ? COLLATE NOCASE"),
            conditions.bundleIdentifier ? Binding(*conditions.bundleIdentifier) : Binding());
        add(conditions.lowerBound.has_value(), QStringLiteral("created_at >= ?"),
            conditions.lowerBound ? Binding(wholeSeconds(*conditions.lowerBound)) : Binding());
        add(conditions.upperBound.has_value(), QStringLiteral("created_at < ?"),
            conditions.upperBound ? Binding(wholeSeconds(*conditions.upperBound)) : Binding());
        return clauses;
    }

    // ---- text search ------------------------------------------------------------

    static QString scanStatement(const QStringList& filterLines) {
        QStringList lines{aliasedColumnsLine1, aliasedColumnsLine2, QStringLiteral("FROM documents d"),
                          QStringLiteral("WHERE (instr(d.normalized_text, ?) > 0 OR instr(d.compact_text, ?) > 0)")};
        lines += filterLines;
        lines += {QStringLiteral("ORDER BY"), rankingExpression(QStringLiteral("d")), QStringLiteral("LIMIT ? OFFSET ?;")};
        return lines.join(QLatin1Char(' '));
    }

    // The rows whose gram set holds every query gram (what a GROUP BY over one row
    // per gram and document with COUNT(DISTINCT gram) = n found).
    static QString gramJoin() {
        return QStringLiteral("    JOIN (\n        SELECT rowid AS doc_id\n        FROM gram_postings\n        WHERE "
                              "gram_postings MATCH ?\n    ) gram_match ON gram_match.doc_id = d.doc_id");
    }

    static Bindings gramBindings(const std::vector<QString>& grams) {
        QStringList phrases;
        for (QString gram : grams) {
            phrases.push_back(QLatin1Char('"') + gram.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"'));
        }
        return {phrases.join(QStringLiteral(" AND "))};
    }

    static std::vector<QString> sortedQueryGrams(const QString& compactQuery) {
        const ClipboardSearchText::GramSet grams = ClipboardSearchText::queryGrams(compactQuery);
        std::vector<QString> sorted(grams.begin(), grams.end());
        std::sort(sorted.begin(), sorted.end());
        return sorted;
    }

    struct CandidateQuery {
        QString sql;
        Bindings bindings;
    };

    static QString unionStatement(const QStringList& ctes, const QStringList& parts) {
        return QStringLiteral("WITH\n") + ctes.join(QStringLiteral(",\n")) + QStringLiteral(",\ncandidate_ids AS (\n    ") +
               parts.join(QStringLiteral("\nUNION\n")) + QStringLiteral("\n)\n") + aliasedColumns +
               QStringLiteral("\nFROM documents d\nJOIN candidate_ids c ON c.doc_id = d.doc_id\nORDER BY ") +
               rankingExpression(QStringLiteral("d")) + QStringLiteral("\nLIMIT ? OFFSET ?;");
    }

    // ---- ranked walk --------------------------------------------------------------
    //
    // The ranking is lexicographic (contains, starts with, sort_at, doc_id), so the
    // top rows of a large candidate set can be produced tier by tier instead of
    // ranking every candidate, which reads every candidate's text: rows that start
    // with the query come from the head indexes, newest first; rows that contain it
    // from the gram postings when they are few, else from a walk down the recency
    // index, which also yields the remaining rows in order. Each row's tier is read
    // from the same CASE expressions the ranking uses, so the order is the written
    // one. Small candidate sets still go through the written statements.

    // Above this many candidate rows the tiered walk replaces the written ranking.
    qint64 denseCandidateRows = 2000;

    struct CandidateSet {
        QString predicate; // over alias d: true for the members; cheap per row
        Bindings bindings;
        bool membersContainQuery = false; // scan paths: no member is in the last tier
        QString wholePredicate{}; // the same test for ranking every row; "" when predicate serves
        const RowSet* within = nullptr; // when set, every member is in it
        // When set, the rows of this gram MATCH and of supersetExtra hold every member.
        QString supersetMatch{};
        const RowSet* supersetExtra = nullptr;
    };

    struct Ranked {
        qint64 docID = 0;
        double sortAt = 0;
        bool contains = false;
        bool prefix = false;
    };

    static bool newerFirst(const Ranked& a, const Ranked& b) {
        return a.sortAt != b.sortAt ? a.sortAt > b.sortAt : a.docID > b.docID;
    }

    static QString tierClause(const QString& comparison) {
        return QStringLiteral("instr(d.normalized_text, ?) ") + comparison + QStringLiteral(" OR instr(d.compact_text, ?) ") +
               comparison + QStringLiteral(" OR instr(d.pinyin_spaced, ?) ") + comparison +
               QStringLiteral(" OR instr(d.pinyin_compact, ?) ") + comparison;
    }

    // doc_id, sort_at and the two tier flags of a row; bound with the eight ranking values.
    static QString tierColumns() {
        return QStringLiteral("SELECT d.doc_id, d.sort_at, CASE WHEN ") + tierClause(QStringLiteral("> 0")) +
               QStringLiteral(" THEN 1 ELSE 0 END, CASE WHEN ") + tierClause(QStringLiteral("= 1")) +
               QStringLiteral(" THEN 1 ELSE 0 END FROM documents d");
    }

    static QString quotedPhrase(QString text) {
        return QLatin1Char('"') + text.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
    }

    static QString exactMatchingPhrase() {
        return quotedPhrase(QString::fromLatin1(ClipboardSearchGramTokenizer::exactMatchingMarker));
    }

    // Rows of a MATCH on an FTS table, counted up to `cap`.
    qint64 matchCount(const QString& table, const QString& match, qint64 cap) {
        Statement statement(*this, QStringLiteral("SELECT COUNT(*) FROM (SELECT rowid FROM %1 WHERE %1 MATCH ? LIMIT ?);")
                                       .arg(table));
        statement.bind({match, cap});
        return statement.step() ? statement.int64(0) : 0;
    }

    // Steps a tier query; `keep` sees each row and returns false to stop early.
    // True when every row was seen.
    template <typename Keep>
    bool walk(const QString& sql, const Bindings& bindings, Keep keep) {
        Statement statement(*this, sql);
        statement.bind(bindings);
        while (statement.step()) {
            const Ranked row{statement.int64(0), statement.real(1), statement.int64(2) != 0, statement.int64(3) != 0};
            if (!keep(row)) {
                return false;
            }
        }
        return true;
    }

    std::vector<Ranked> collect(const QString& sql, const Bindings& bindings) {
        std::vector<Ranked> rows;
        walk(sql, bindings, [&](const Ranked& row) {
            rows.push_back(row);
            return true;
        });
        return rows;
    }

    // The first `count` members of the set in rank order.
    std::vector<qint64> topRanked(const ClipboardSearchIndexQuery& query, const CandidateSet& set, qint64 count) {
        const Bindings tiers = rankingBindings(query);
        const QString& compact = query.compactText;
        const qsizetype length = static_cast<qsizetype>(compact.toUcs4().size()); // substr counts code points
        // Tested first: a row outside `within` is passed over without being read.
        const QString membership = (set.within != nullptr ? QStringLiteral("quellpad_in_rows(?, d.doc_id) AND (")
                                                          : QStringLiteral("(")) +
                                   set.predicate + QStringLiteral(")");
        const QString member = QStringLiteral(" AND ") + membership;
        Bindings memberBindings;
        if (set.within != nullptr) {
            memberBindings.push_back(set.within);
        }
        append(memberBindings, set.bindings);
        const QString newest = QStringLiteral(" ORDER BY d.sort_at DESC, d.doc_id DESC");

        // 1. Members that start with the query. Rows whose compact forms hold
        // multi-code-point characters carry a marker posting and are read whole.
        std::vector<Ranked> first;
        const qsizetype head = std::min<qsizetype>(length, 3);
        const QList<uint> codePoints = compact.toUcs4();
        const QString headText = QString::fromUcs4(reinterpret_cast<const char32_t*>(codePoints.constData()), head);
        // A longer query's rows are a range of the 16-character heads: [P, P') where
        // P is its first 16 code points and P' has P's last one incremented (UTF-8
        // compares in code point order).
        const qsizetype longHead = std::min<qsizetype>(length, 16);
        std::optional<std::pair<QString, QString>> headRange;
        if (length > 3 && codePoints[longHead - 1] < 0x10FFFF && codePoints[longHead - 1] != 0xD7FF) {
            QList<uint> upper = codePoints.mid(0, longHead);
            upper.back() += 1;
            headRange = {QString::fromUcs4(reinterpret_cast<const char32_t*>(codePoints.constData()), longHead),
                         QString::fromUcs4(reinterpret_cast<const char32_t*>(upper.constData()), longHead)};
        }
        for (const QString& column : {QStringLiteral("compact"), QStringLiteral("pinyin")}) {
            const QString field = column == QLatin1String("compact") ? QStringLiteral("d.compact_text")
                                                                     : QStringLiteral("d.pinyin_compact");
            const QString nonEmpty = column == QLatin1String("pinyin") ? QStringLiteral(" AND d.pinyin_compact <> ''")
                                                                       : QString();
            if (headRange) {
                // A short range is read from the index alone (every row in it starts
                // with the query) and sorted; a long one is dense in its 3-character
                // bucket, which the walk below leaves early.
                const QString range =
                    QStringLiteral(" INDEXED BY idx_documents_%1_head_16 WHERE substr(%2, 1, 16) >= ? AND substr(%2, 1, 16) < ?")
                        .arg(column, field) +
                    nonEmpty;
                Statement counting(*this, QStringLiteral("SELECT COUNT(*) FROM (SELECT 1 FROM documents d") + range +
                                              QStringLiteral(" LIMIT ?);"));
                counting.bind({headRange->first, headRange->second, denseCandidateRows + 1});
                if (counting.step() && counting.int64(0) <= denseCandidateRows) {
                    QString sql = QStringLiteral("SELECT d.doc_id, d.sort_at, 1, 1 FROM documents d") + range + member;
                    Bindings bindings{headRange->first, headRange->second};
                    append(bindings, memberBindings);
                    if (length > longHead) {
                        sql += QStringLiteral(" AND instr(%1, ?) = 1").arg(field);
                        bindings.push_back(compact);
                    }
                    sql += newest + QStringLiteral(" LIMIT ?;");
                    bindings.push_back(count);
                    const std::vector<Ranked> rows = collect(sql, bindings);
                    first.insert(first.end(), rows.begin(), rows.end());
                    continue;
                }
            }
            QString sql = tierColumns() + QStringLiteral(" INDEXED BY idx_documents_%1_head_%2 WHERE substr(%3, 1, %2) = ?")
                                              .arg(column)
                                              .arg(head)
                                              .arg(field);
            if (column == QLatin1String("pinyin")) {
                sql += QStringLiteral(" AND d.pinyin_compact <> ''");
            }
            // Membership first: with a row set it needs no read of the row.
            sql += member + QStringLiteral(" AND instr(%1, ?) = 1").arg(field) + newest + QStringLiteral(" LIMIT ?;");
            Bindings bindings = tiers;
            bindings.push_back(headText);
            append(bindings, memberBindings);
            append(bindings, {compact, count});
            const std::vector<Ranked> rows = collect(sql, bindings);
            first.insert(first.end(), rows.begin(), rows.end());
        }
        const RowSet& marked = markedRows();
        for (const Ranked& row : membersAmong(marked.ids(), set.within, member, tiers, memberBindings)) {
            if (row.prefix) {
                first.push_back(row);
            }
        }
        std::sort(first.begin(), first.end(), newerFirst);
        first.erase(std::unique(first.begin(), first.end(),
                                [](const Ranked& a, const Ranked& b) { return a.docID == b.docID; }),
                    first.end());
        std::vector<qint64> result;
        for (const Ranked& row : first) {
            if (static_cast<qint64>(result.size()) == count) {
                return result;
            }
            result.push_back(row.docID);
        }
        const size_t need = static_cast<size_t>(count) - result.size();

        // 2. Members that contain it (and do not start with it); 3. the others.
        std::vector<Ranked> second;
        std::vector<Ranked> third;
        bool thirdComplete = false;
        const std::vector<QString> grams = length >= 2 ? sortedQueryGrams(compact) : std::vector<QString>{};
        const QString gramMatch = grams.empty() ? QString() : std::get<QString>(gramBindings(grams).front());
        const std::optional<RowSet> gramRows =
            grams.empty() ? std::nullopt
                          : matchedRows(QStringLiteral("gram_postings"), gramMatch, denseCandidateRows);
        if (gramRows) {
            // Every row containing the query holds all its grams (or is marked exceptional).
            for (const Ranked& row :
                 membersAmong(gramRows->united(markedRows()).ids(), set.within, member, tiers, memberBindings)) {
                if (row.contains && !row.prefix) {
                    second.push_back(row);
                }
            }
            std::sort(second.begin(), second.end(), newerFirst);
        } else {
            // The walk reads rows in recency order, scattered over the file; when
            // members are that rare one pass ranking them all is cheaper. Membership
            // is a column, not a filter, so that every row read counts. Within a row
            // set the walk reads only rows of the set, which that pass would read
            // too, so it goes on to the end.
            const qint64 walkLimit = std::max<qint64>(4 * count, denseCandidateRows * 5 / 2);
            qint64 visited = 0;
            bool gaveUp = false;
            Bindings walkBindings = memberBindings;
            append(walkBindings, {query.normalizedText, query.compactText, query.normalizedText, query.compactText});
            append(walkBindings, {query.normalizedText, query.compactText, query.normalizedText, query.compactText});
            // A NULL membership (a filter on a NULL column) is no membership.
            Statement rows(*this, QStringLiteral("SELECT d.doc_id, d.sort_at, CASE WHEN ") + membership +
                                      QStringLiteral(" THEN (CASE WHEN ") + tierClause(QStringLiteral("= 1")) +
                                      QStringLiteral(" THEN 2 WHEN ") + tierClause(QStringLiteral("> 0")) +
                                      QStringLiteral(" THEN 1 ELSE 0 END) ELSE -1 END FROM documents d INDEXED BY "
                                                     "idx_documents_sort_at_doc_id") +
                                      newest + QLatin1Char(';'));
            rows.bind(walkBindings);
            thirdComplete = true;
            while (rows.step()) {
                if (++visited > walkLimit && set.within == nullptr) {
                    gaveUp = true;
                    thirdComplete = false;
                    break;
                }
                const qint64 tier = rows.int64(2);
                const Ranked row{rows.int64(0), rows.real(1), tier >= 1, tier == 2};
                if (tier < 0 || row.prefix) {
                    continue;
                }
                if (row.contains) {
                    second.push_back(row);
                    if (second.size() >= need) {
                        thirdComplete = false;
                        break;
                    }
                } else if (third.size() < need) {
                    third.push_back(row);
                }
            }
            if (gaveUp) {
                if (!set.supersetMatch.isEmpty()) {
                    RowSet superset = matchedRows(QStringLiteral("gram_postings"), set.supersetMatch);
                    if (set.supersetExtra != nullptr) {
                        superset = superset.united(*set.supersetExtra);
                    }
                    CandidateSet within = set;
                    within.within = keep(std::move(superset));
                    within.supersetMatch.clear();
                    // A large superset is walked again, reading only its rows.
                    return within.within->size() <= 4 * denseCandidateRows ? rankedAmong(query, within, count)
                                                                           : topRanked(query, within, count);
                }
                // Scan members all contain the query, so the rows with its grams hold them.
                if (set.membersContainQuery && !grams.empty()) {
                    return rankedWithin(query, QLatin1Char('(') + gramMatch + QStringLiteral(") OR ") + exactMatchingPhrase(),
                                        set, count);
                }
                return rankedWhole(query, set, count);
            }
        }
        for (size_t i = 0; i < second.size() && result.size() < static_cast<size_t>(count); ++i) {
            result.push_back(second[i].docID);
        }
        if (static_cast<qint64>(result.size()) == count || set.membersContainQuery) {
            return result;
        }
        if (!thirdComplete) {
            Bindings bindings = tiers;
            append(bindings, memberBindings);
            append(bindings, {query.normalizedText, query.compactText, query.normalizedText, query.compactText});
            bindings.push_back(count - static_cast<qint64>(result.size()));
            third = collect(tierColumns() + QStringLiteral(" INDEXED BY idx_documents_sort_at_doc_id WHERE 1=1") + member +
                                QStringLiteral(" AND NOT (") + tierClause(QStringLiteral("> 0")) + QLatin1Char(')') +
                                newest + QStringLiteral(" LIMIT ?;"),
                            bindings);
        }
        for (size_t i = 0; i < third.size() && result.size() < static_cast<size_t>(count); ++i) {
            result.push_back(third[i].docID);
        }
        return result;
    }

    // The first `count` members ranked whole, when a small superset (a MATCH on the
    // gram postings) holds them all.
    std::vector<qint64> rankedWithin(const ClipboardSearchIndexQuery& query, const QString& supersetMatch,
                                     const CandidateSet& set, qint64 count) {
        Bindings bindings{supersetMatch};
        append(bindings, set.bindings);
        append(bindings, rankingBindings(query));
        bindings.push_back(count);
        // NOT INDEXED: the MATCH drives the lookups by doc_id, never a filter's index.
        Statement statement(*this, QStringLiteral("SELECT d.doc_id FROM documents d NOT INDEXED WHERE d.doc_id IN (SELECT "
                                                  "rowid FROM gram_postings WHERE gram_postings MATCH ?) AND (") +
                                       set.predicate + QStringLiteral(")\nORDER BY ") +
                                       rankingExpression(QStringLiteral("d")) + QStringLiteral("\nLIMIT ?;"));
        statement.bind(bindings);
        std::vector<qint64> result;
        while (statement.step()) {
            result.push_back(statement.int64(0));
        }
        return result;
    }

    // The first `count` members of a row set, each read once and ranked here.
    std::vector<qint64> rankedAmong(const ClipboardSearchIndexQuery& query, const CandidateSet& set, qint64 count) {
        Bindings memberBindings;
        append(memberBindings, set.bindings);
        std::vector<Ranked> rows = membersAmong(set.within->ids(), nullptr,
                                                QStringLiteral(" AND (") + set.predicate + QLatin1Char(')'),
                                                rankingBindings(query), memberBindings);
        std::sort(rows.begin(), rows.end(), [](const Ranked& a, const Ranked& b) {
            if (a.contains != b.contains) {
                return a.contains;
            }
            if (a.prefix != b.prefix) {
                return a.prefix;
            }
            return newerFirst(a, b);
        });
        std::vector<qint64> result;
        for (size_t i = 0; i < rows.size() && static_cast<qint64>(i) < count; ++i) {
            result.push_back(rows[i].docID);
        }
        return result;
    }

    // The first `count` members, every member ranked (one pass in file order).
    std::vector<qint64> rankedWhole(const ClipboardSearchIndexQuery& query, const CandidateSet& set, qint64 count) {
        Bindings bindings = set.bindings;
        append(bindings, rankingBindings(query));
        bindings.push_back(count);
        const QString& predicate = set.wholePredicate.isEmpty() ? set.predicate : set.wholePredicate;
        Statement statement(*this, QStringLiteral("SELECT d.doc_id FROM documents d NOT INDEXED WHERE (") + predicate +
                                       QStringLiteral(")\nORDER BY ") + rankingExpression(QStringLiteral("d")) +
                                       QStringLiteral("\nLIMIT ?;"));
        statement.bind(bindings);
        std::vector<qint64> result;
        while (statement.step()) {
            result.push_back(statement.int64(0));
        }
        return result;
    }

    std::vector<StoredDocument> documentsByID(const std::vector<qint64>& docIDs) {
        Statement statement(*this, aliasedColumns + QStringLiteral("\nFROM documents d WHERE d.doc_id = ?;"));
        std::vector<StoredDocument> rows;
        rows.reserve(docIDs.size());
        for (qint64 docID : docIDs) {
            statement.resetAndClear();
            statement.bind({docID});
            if (statement.step()) {
                rows.push_back(statement.document());
            }
        }
        return rows;
    }

    // A scan path's page: members contain the query, so a small gram superset (plus
    // the exceptional rows) holds them all; else the tiered walk.
    ClipboardSearchPage scanPage(const ClipboardSearchIndexQuery& query, const CandidateSet& set, qint64 limit,
                                 qint64 offset) {
        const qint64 count = offset + limit + 1;
        const std::vector<QString> grams = sortedQueryGrams(query.compactText);
        // One code point (a punctuation character here) is posted as a symbol.
        const bool symbol = query.compactText.toUcs4().size() == 1;
        if (!grams.empty() || symbol) {
            const QString superset = QLatin1Char('(') +
                                     (symbol ? quotedPhrase(query.compactText)
                                             : std::get<QString>(gramBindings(grams).front())) +
                                     QStringLiteral(") OR ") + exactMatchingPhrase();
            if (matchCount(QStringLiteral("gram_postings"), superset, denseCandidateRows + 1) <= denseCandidateRows) {
                return page(documentsByID(rankedWithin(query, superset, set, count)), offset, limit);
            }
        }
        return page(documentsByID(topRanked(query, set, count)), offset, limit);
    }

    // Row sets live until the next search starts.
    const RowSet* keep(RowSet set) {
        rowSets_.push_back(std::move(set));
        return &rowSets_.back();
    }

    RowSet matchedRows(const QString& table, const QString& match) {
        return *matchedRows(table, match, std::numeric_limits<qint64>::max());
    }

    // Nothing when more than `limit` rows match.
    std::optional<RowSet> matchedRows(const QString& table, const QString& match, qint64 limit) {
        Statement statement(*this, QStringLiteral("SELECT rowid FROM %1 WHERE %1 MATCH ? LIMIT ?;").arg(table));
        statement.bind({match, limit == std::numeric_limits<qint64>::max() ? qint64(-1) : limit + 1});
        std::vector<qint64> ids;
        while (statement.step()) {
            ids.push_back(statement.int64(0));
        }
        if (static_cast<qint64>(ids.size()) > limit) {
            return std::nullopt;
        }
        if (!std::is_sorted(ids.begin(), ids.end())) {
            std::sort(ids.begin(), ids.end());
        }
        return RowSet(std::move(ids));
    }

    // The rows carrying the exact-matching marker, read once per search.
    const RowSet& markedRows() {
        if (!markedRows_) {
            markedRows_ = matchedRows(QStringLiteral("gram_postings"), exactMatchingPhrase());
        }
        return *markedRows_;
    }

    // The members among `ids` (outside `within` skipped unread), one lookup each.
    std::vector<Ranked> membersAmong(const std::vector<qint64>& ids, const RowSet* within, const QString& member,
                                     const Bindings& tiers, const Bindings& memberBindings) {
        std::vector<Ranked> rows;
        Statement statement(*this, tierColumns() + QStringLiteral(" WHERE d.doc_id = ?") + member + QLatin1Char(';'));
        for (qint64 id : ids) {
            if (within != nullptr && !within->contains(id)) {
                continue;
            }
            Bindings bindings = tiers;
            bindings.push_back(id);
            append(bindings, memberBindings);
            statement.resetAndClear();
            statement.bind(bindings);
            if (statement.step()) {
                rows.push_back({statement.int64(0), statement.real(1), statement.int64(2) != 0, statement.int64(3) != 0});
            }
        }
        return rows;
    }

    static QString inRows() { return QStringLiteral("quellpad_in_rows(?, d.doc_id)"); }

    // Members: the rows of `others` and the rows holding every gram of the query,
    // the latter read from the row the walk reads anyway instead of from a posting
    // list that holds much of the index. A row without the marker holds a gram
    // exactly where one of its compact forms holds those code points; the few marked
    // rows ask the postings. Nothing when a query character spans code points.
    std::optional<CandidateSet> gramMembersByText(const ClipboardSearchIndexQuery& query, const QString& gramMatch,
                                                  const RowSet& others, const QString& filters,
                                                  const Bindings& filterValues) {
        if (query.compactText.toUcs4().size() != characterCount(query.compactText)) {
            return std::nullopt;
        }
        const RowSet* markedOrOthers = keep(
            matchedRows(QStringLiteral("gram_postings"),
                        QLatin1Char('(') + gramMatch + QStringLiteral(") AND ") + exactMatchingPhrase())
                .united(others));
        const RowSet* extra = keep(others);
        QStringList held;
        Bindings bindings{markedOrOthers, &markedRows()};
        for (const QString& gram : sortedQueryGrams(query.compactText)) {
            held.push_back(QStringLiteral("(instr(d.compact_text, ?) > 0 OR instr(d.pinyin_compact, ?) > 0)"));
            append(bindings, {gram, gram});
        }
        append(bindings, filterValues);
        CandidateSet set{QStringLiteral("(quellpad_in_rows(?, d.doc_id) OR (NOT quellpad_in_rows(?, d.doc_id) AND ") +
                             held.join(QStringLiteral(" AND ")) + QStringLiteral(")) ") + filters,
                         bindings};
        set.supersetMatch = QLatin1Char('(') + gramMatch + QStringLiteral(") OR ") + exactMatchingPhrase();
        set.supersetExtra = extra;
        return set;
    }

    static QString scanMember() {
        return QStringLiteral("(instr(d.normalized_text, ?) > 0 OR instr(d.compact_text, ?) > 0)");
    }
    static QString termsMember() {
        return QStringLiteral("d.doc_id IN (SELECT rowid FROM fts_terms WHERE fts_terms MATCH ?)");
    }
    // One row's membership, by a seek in the posting list: for a one-piece query of
    // at most three characters (a prefix index holds it), where collecting every
    // matching rowid up front would cost more than the whole walk.
    static QString termsProbe() {
        return QStringLiteral("EXISTS (SELECT 1 FROM fts_terms WHERE fts_terms MATCH ? AND fts_terms.rowid = d.doc_id)");
    }
    static bool probesTerms(const ClipboardSearchIndexQuery& query) {
        return query.tokens.size() == 1 && !query.tokens.front().contains(QLatin1Char('/')) &&
               query.tokens.front().toUcs4().size() <= 3;
    }
    // The FTS members as a walk tests them, and as one ranked pass does.
    static std::pair<QString, QString> termsMembers(const ClipboardSearchIndexQuery& query) {
        return probesTerms(query) ? std::pair{termsProbe(), termsMember()} : std::pair{termsMember(), QString()};
    }

    ClipboardSearchPage searchTextOnly(const ClipboardSearchIndexQuery& query, qint64 limit, qint64 offset) {
        rowSets_.clear();
        markedRows_.reset();
        const qint64 pageRows = limit + 1;
        const qint64 candidateLimit = std::max<qint64>(offset + pageRows, 1);
        const Bindings ranking = rankingBindings(query);
        const QString ranked = rankingExpression(QStringLiteral("d"));

        // Dense: more members than both the threshold and the rows asked for.
        const bool planned = offset >= 0;
        const qint64 denseRows = std::max(denseCandidateRows, candidateLimit);
        if (hasNonAlphanumeric(query.compactText)) {
            if (planned) {
                return scanPage(query, {scanMember(), {query.normalizedText, query.compactText}, true}, limit, offset);
            }
            Bindings bindings{query.normalizedText, query.compactText};
            append(bindings, ranking);
            append(bindings, {pageRows, offset});
            return page(documents(scanStatement({}), bindings), 0, limit);
        }

        const QString match = query.matchExpression();
        if (planned && !match.isEmpty() && !probesTerms(query)) {
            // Read once: a prefix longer than the prefix indexes costs the same for
            // a count as for every row.
            const RowSet* members = keep(matchedRows(QStringLiteral("fts_terms"), match));
            const CandidateSet set{inRows(), {members}, false, {}, members};
            if (members->size() > denseRows) {
                return page(documentsByID(topRanked(query, set, candidateLimit)), offset, limit);
            }
            if (members->size() >= candidateLimit) { // no gram candidates join these
                return page(documentsByID(rankedAmong(query, set, candidateLimit)), offset, limit);
            }
        } else if (planned && !match.isEmpty() &&
                   matchCount(QStringLiteral("fts_terms"), match, denseRows + 1) > denseRows) {
            const auto [member, whole] = termsMembers(query);
            return page(documentsByID(topRanked(query, {member, {match}, false, whole}, candidateLimit)), offset, limit);
        }
        std::vector<StoredDocument> rows;
        if (!match.isEmpty()) {
            Bindings bindings{match};
            append(bindings, ranking);
            bindings.push_back(candidateLimit);
            rows = documents(aliasedColumns + QStringLiteral("\nFROM documents d\nJOIN fts_terms ON fts_terms.rowid = "
                                                             "d.doc_id\nWHERE fts_terms MATCH ?\nORDER BY ") +
                                 ranked + QStringLiteral("\nLIMIT ?;"),
                             bindings);
        }
        const qsizetype compactLength = characterCount(query.compactText);
        const bool useUnion = static_cast<qint64>(rows.size()) < candidateLimit && query.tokens.size() == 1 &&
                              query.normalizedText == query.compactText && compactLength >= 2 &&
                              (rows.empty() || compactLength < 13);
        if (!useUnion) {
            return page(rows, std::max<qint64>(offset, 0), limit);
        }

        const std::vector<QString> queryGrams = sortedQueryGrams(query.compactText);
        if (planned && !queryGrams.empty()) {
            const QString gramMatch = std::get<QString>(gramBindings(queryGrams).front());
            if (matchCount(QStringLiteral("gram_postings"), gramMatch, denseRows + 1) > denseRows) {
                // The FTS matches are few here: `rows` holds them all.
                std::vector<qint64> termRows;
                for (const StoredDocument& row : rows) {
                    termRows.push_back(row.rowID);
                }
                std::sort(termRows.begin(), termRows.end());
                const RowSet* terms = keep(RowSet(std::move(termRows)));
                if (std::optional<CandidateSet> set = gramMembersByText(query, gramMatch, *terms, {}, {})) {
                    return page(documentsByID(topRanked(query, *set, candidateLimit)), offset, limit);
                }
                const RowSet* members = keep(matchedRows(QStringLiteral("gram_postings"), gramMatch).united(*terms));
                return page(documentsByID(topRanked(query, {inRows(), {members}, false, {}, members}, candidateLimit)),
                            offset, limit);
            }
        }
        QStringList ctes;
        QStringList parts;
        Bindings bindings;
        if (!match.isEmpty()) {
            ctes.push_back(QStringLiteral("fts_candidates AS (\n    SELECT d.doc_id\n    FROM documents d\n    JOIN "
                                          "fts_terms ON fts_terms.rowid = d.doc_id\n    WHERE fts_terms MATCH ?\n    "
                                          "ORDER BY ") +
                           ranked + QStringLiteral("\n    LIMIT ?\n)"));
            parts.push_back(QStringLiteral("SELECT doc_id FROM fts_candidates"));
            bindings.push_back(match);
            append(bindings, ranking);
            bindings.push_back(candidateLimit);
        }
        const std::vector<QString> grams = sortedQueryGrams(query.compactText);
        if (!grams.empty()) {
            ctes.push_back(QStringLiteral("gram_candidates AS (\n    SELECT d.doc_id\n    FROM documents d\n") +
                           gramJoin() + QStringLiteral("\n    ORDER BY ") + ranked +
                           QStringLiteral("\n    LIMIT ?\n)"));
            parts.push_back(QStringLiteral("SELECT doc_id FROM gram_candidates"));
            append(bindings, gramBindings(grams));
            append(bindings, ranking);
            bindings.push_back(candidateLimit);
        }
        if (ctes.isEmpty()) {
            return {};
        }
        append(bindings, ranking);
        append(bindings, {pageRows, offset});
        return page(documents(unionStatement(ctes, parts), bindings), 0, limit);
    }

    // With a lower date bound alone, SQLite reads every row in the range through the
    // created_at index and sorts them (a week of JSON items is 10,000 row reads at a
    // million items). A match was created after the bound and its sort_at moves only
    // forward from its creation, so the recency walk meets the matches near its start
    // and stops after the page, provided the range holds that many rows; the
    // index-only count below says so after reading at most that many entries. Only for
    // filters an index can count exactly. The answer is the same either way.
    bool walksRecencyForLowerBound(const ClipboardSearchFilterConditions& conditions, qint64 wanted) {
        if (!conditions.lowerBound || conditions.upperBound || conditions.contentType ||
            (conditions.classification && conditions.bundleIdentifier)) {
            return false;
        }
        QString where = QStringLiteral("created_at >= ?");
        Bindings bindings{wholeSeconds(*conditions.lowerBound)};
        if (conditions.classification) {
            where = QStringLiteral("classification = ? COLLATE NOCASE AND ") + where;
            bindings.insert(bindings.begin(), *conditions.classification);
        } else if (conditions.bundleIdentifier) {
            where = QStringLiteral("bundle_identifier = ? COLLATE NOCASE AND ") + where;
            bindings.insert(bindings.begin(), *conditions.bundleIdentifier);
        }
        bindings.push_back(wanted);
        Statement statement(*this, QStringLiteral("SELECT COUNT(*) FROM (SELECT 1 FROM documents WHERE ") + where +
                                       QStringLiteral(" LIMIT ?);"));
        statement.bind(bindings);
        return statement.step() && statement.int64(0) >= wanted;
    }

    ClipboardSearchPage searchFiltersOnly(const ClipboardSearchFilterConditions& conditions, qint64 limit,
                                          qint64 offset) {
        FilterClauses clauses = filterClauses(conditions, false);
        if (walksRecencyForLowerBound(conditions, std::max<qint64>(offset, 0) + limit + 1)) {
            clauses.slots[3] = QStringLiteral("AND +created_at >= ?"); // "+": no index for this term
        }
        QStringList lines{
            QStringLiteral("SELECT doc_id, item_id, preview, created_at, sort_at, last_accessed_at, access_count,"),
            QStringLiteral("content_type, bundle_identifier, normalized_text, compact_text, pinyin_spaced, "
                           "pinyin_compact, classification"),
            QStringLiteral("FROM documents WHERE 1=1")};
        lines += clauses.present();
        lines += {QStringLiteral("ORDER BY sort_at DESC, doc_id DESC"), QStringLiteral("LIMIT ? OFFSET ?")};
        const QString sql = lines.join(QLatin1Char(' '));
        Logger::debug(QStringLiteral("SQLiteStore.fetchWithFiltersOnly SQL: ") + sql, logCategory);
        Logger::debug(QStringLiteral("SQLiteStore.fetchWithFiltersOnly bindings: contentType=") +
                          (conditions.contentType ? rawValue(*conditions.contentType) : QStringLiteral("nil")) +
                          QStringLiteral(" classification=") + optionalText(conditions.classification) +
                          QStringLiteral(" bundleIdentifier=") + optionalText(conditions.bundleIdentifier) +
                          QStringLiteral(" lowerBound=") +
                          (conditions.lowerBound ? QString::number(wholeSeconds(*conditions.lowerBound))
                                                 : QStringLiteral("nil")) +
                          QStringLiteral(" upperBound=") +
                          (conditions.upperBound ? QString::number(wholeSeconds(*conditions.upperBound))
                                                 : QStringLiteral("nil")),
                      logCategory);
        Bindings bindings = clauses.values;
        append(bindings, {limit + 1, offset});
        const std::vector<StoredDocument> rows = documents(sql, bindings);
        Logger::debug(QStringLiteral("SQLiteStore.fetchWithFiltersOnly result: ") + QString::number(rows.size()) +
                          QStringLiteral(" documents"),
                      logCategory);
        return page(rows, 0, limit);
    }

    ClipboardSearchPage searchWithFilters(const ClipboardSearchIndexQuery& query,
                                          const ClipboardSearchFilterConditions& conditions, bool classificationIsUserLabel,
                                          qint64 limit, qint64 offset) {
        Logger::debug(QStringLiteral("SQLiteStore.searchWithFilters: contentType=") +
                          (conditions.contentType ? rawValue(*conditions.contentType) : QStringLiteral("nil")) +
                          QStringLiteral(" app=") + optionalText(conditions.bundleIdentifier) +
                          QStringLiteral(" classification=") + optionalText(conditions.classification) +
                          QStringLiteral(" text='") + query.normalizedText + QLatin1Char('\''),
                      logCategory);
        if (query.normalizedText.isEmpty()) {
            Logger::debug(QStringLiteral("SQLiteStore: pure filter query (no text)"), logCategory);
            return searchFiltersOnly(conditions, limit, offset);
        }
        Logger::debug(QStringLiteral("SQLiteStore: text + filter query"), logCategory);
        rowSets_.clear();
        markedRows_.reset();
        const qint64 pageRows = limit + 1;
        const qint64 candidateLimit = std::max<qint64>(offset + pageRows, 1);
        const Bindings ranking = rankingBindings(query);
        const QString ranked = rankingExpression(QStringLiteral("d"));
        const FilterClauses clauses = filterClauses(conditions, true);

        // Dense: more members than both the threshold and the rows asked for.
        const bool planned = offset >= 0;
        const qint64 denseRows = std::max(denseCandidateRows, candidateLimit);
        if (hasNonAlphanumeric(query.compactText)) {
            if (planned) {
                Bindings members{query.normalizedText, query.compactText};
                append(members, clauses.values);
                return scanPage(query,
                                {(QStringList{scanMember()} + clauses.present()).join(QLatin1Char(' ')), members, true},
                                limit, offset);
            }
            Bindings bindings{query.normalizedText, query.compactText};
            append(bindings, clauses.values);
            append(bindings, ranking);
            append(bindings, {pageRows, offset});
            return page(documents(scanStatement(clauses.present()), bindings), 0, limit);
        }

        QStringList ctes;
        QStringList parts;
        Bindings bindings;
        const QString match = query.matchExpression();
        if (!match.isEmpty()) {
            ctes.push_back(QStringLiteral("fts_candidates AS (\n    SELECT d.doc_id, d.classification, "
                                          "d.bundle_identifier, d.created_at\n    FROM documents d\n    JOIN fts_terms "
                                          "ON fts_terms.rowid = d.doc_id\n    WHERE fts_terms MATCH ?\n    ") +
                           clauses.slots.join(QStringLiteral("\n    ")) + QStringLiteral("\n    ORDER BY ") + ranked +
                           QStringLiteral("\n    LIMIT ?\n)"));
            parts.push_back(QStringLiteral("SELECT doc_id FROM fts_candidates"));
            bindings.push_back(match);
            append(bindings, clauses.values);
            append(bindings, ranking);
            bindings.push_back(candidateLimit);
        }
        const qsizetype compactLength = characterCount(query.compactText);
        QString head;
        Bindings headBindings;
        if (compactLength == 1 && classificationIsUserLabel) {
            head = QStringLiteral("gram_candidates AS (\n    SELECT d.doc_id\n    FROM documents d\n    WHERE "
                                  "instr(d.compact_text, ?) > 0");
            headBindings.push_back(query.compactText);
        } else if (compactLength >= 2) {
            const std::vector<QString> grams = sortedQueryGrams(query.compactText);
            head = QStringLiteral("gram_candidates AS (\n    SELECT d.doc_id\n    FROM documents d\n") +
                   gramJoin() + QStringLiteral("\n    WHERE 1=1");
            headBindings = gramBindings(grams);
        }
        if (planned) {
            // Members: the FTS matches (probed per row for a short one-piece query,
            // else read once as a row set) or the rows holding the query's grams (a
            // row set), or for a one-character query under a user label the rows
            // holding the character.
            bool dense = false;
            const bool probed = !match.isEmpty() && probesTerms(query);
            std::optional<RowSet> termRows;
            if (probed) {
                dense = matchCount(QStringLiteral("fts_terms"), match, denseRows + 1) > denseRows;
            } else if (!match.isEmpty()) {
                termRows = matchedRows(QStringLiteral("fts_terms"), match);
                dense = termRows->size() > denseRows;
            }
            const bool oneCharacter = compactLength == 1 && classificationIsUserLabel;
            QString gramMatch;
            std::optional<RowSet> gramRows;
            if (oneCharacter) {
                dense = true; // no index says how many rows hold one character
            } else if (compactLength >= 2) {
                gramMatch = std::get<QString>(gramBindings(sortedQueryGrams(query.compactText)).front());
                gramRows = matchedRows(QStringLiteral("gram_postings"), gramMatch, denseRows);
                dense = dense || !gramRows;
            }
            if (dense && !probed && !oneCharacter && !gramMatch.isEmpty() && !gramRows) {
                if (std::optional<CandidateSet> set =
                        gramMembersByText(query, gramMatch, termRows.value_or(RowSet()),
                                          clauses.present().join(QLatin1Char(' ')), clauses.values)) {
                    return page(documentsByID(topRanked(query, *set, candidateLimit)), offset, limit);
                }
            }
            if (dense) {
                RowSet rows = termRows.value_or(RowSet());
                if (!gramMatch.isEmpty()) {
                    rows = rows.united(gramRows ? *gramRows : matchedRows(QStringLiteral("gram_postings"), gramMatch));
                }
                const RowSet* rowSet = keep(std::move(rows));
                QStringList members;
                QStringList wholeMembers;
                Bindings memberBindings;
                if (probed) {
                    const auto [member, whole] = termsMembers(query);
                    members.push_back(member);
                    wholeMembers.push_back(whole);
                    memberBindings.push_back(match);
                }
                if (oneCharacter) {
                    members.push_back(QStringLiteral("instr(d.compact_text, ?) > 0"));
                    wholeMembers.push_back(members.back());
                    memberBindings.push_back(query.compactText);
                }
                const bool rowSetOnly = members.isEmpty();
                if (rowSet->size() > 0 || rowSetOnly) {
                    members.push_back(inRows());
                    wholeMembers.push_back(inRows());
                    memberBindings.push_back(rowSet);
                }
                append(memberBindings, clauses.values);
                auto predicateOf = [&](const QStringList& alternatives) {
                    return QLatin1Char('(') + alternatives.join(QStringLiteral(" OR ")) + QStringLiteral(") ") +
                           clauses.present().join(QLatin1Char(' '));
                };
                return page(documentsByID(topRanked(query,
                                                    {predicateOf(members), memberBindings, false,
                                                     predicateOf(wholeMembers), rowSetOnly ? rowSet : nullptr},
                                                    candidateLimit)),
                            offset, limit);
            }
        }
        if (!head.isEmpty()) {
            QStringList pieces{head};
            pieces += clauses.present();
            pieces += {QStringLiteral("ORDER BY ") + ranked, QStringLiteral("LIMIT ?"), QStringLiteral(")")};
            ctes.push_back(pieces.join(QLatin1Char(' ')));
            parts.push_back(QStringLiteral("SELECT doc_id FROM gram_candidates"));
            append(bindings, headBindings);
            append(bindings, clauses.values);
            append(bindings, ranking);
            bindings.push_back(candidateLimit);
        }
        if (ctes.isEmpty()) {
            return {};
        }
        append(bindings, ranking);
        append(bindings, {pageRows, offset});
        return page(documents(unionStatement(ctes, parts), bindings), 0, limit);
    }

private:
    sqlite3* db_ = nullptr;
    QString path_;
    std::unique_ptr<SerialQueue> checkpoints_;
    sqlite3* checkpointDb_ = nullptr; // used only on checkpoints_
    std::atomic<bool> checkpointPending_ = false;
    std::atomic<quint64> commits_ = 0; // counted by the commit hook, read on the checkpoint queue
    // Ends the wait between attempts to cut the log back when the store closes.
    std::mutex closingMutex_;
    std::condition_variable closingChanged_;
    bool closing_ = false;
    std::deque<RowSet> rowSets_; // of the search under way
    std::optional<RowSet> markedRows_; // of the search under way
};

// ---------------------------------------------------------------------------

namespace {

// A classification filter value that names a user's own label rather than a
// built-in one; such a one-character query may scan instead of using grams.
bool isUserLabel(const QString& value, const DefaultsStore& defaults) {
    const QString normalized = ClipboardSearchText::normalizeSearchText(value);
    if (normalized.isEmpty()) {
        return false;
    }
    for (const ClipboardSearchVocabulary::Name& name : ClipboardSearchVocabulary::systemClassifications()) {
        if (normalized == ClipboardSearchText::normalizeSearchText(name.displayName) ||
            normalized == ClipboardSearchText::normalizeSearchText(name.identifier)) {
            return false;
        }
    }
    for (const ClipboardSearchVocabulary::UserLabel& label : ClipboardSearchVocabulary::userLabels(defaults)) {
        if (label.isEnabled && normalized == ClipboardSearchText::normalizeSearchText(label.label)) {
            return true;
        }
    }
    return false;
}

} // namespace

SQLiteClipboardSearchIndexStore::SQLiteClipboardSearchIndexStore(const QString& databasePath,
                                                                 DefaultsStore& userDefaults, Environment environment)
    : databasePath_(databasePath), userDefaults_(userDefaults), environment_(std::move(environment)),
      queue_(std::make_unique<SerialQueue>(queueLabel)) {
    if (!environment_.now) {
        environment_.now = [] { return QDateTime::currentDateTime(); };
    }
    const QString directory = QFileInfo(databasePath).absolutePath();
    if (std::optional<QString> error = PrivateFiles::createDirectories(directory)) {
        throw ClipboardSearchIndexDirectoryError(QStringLiteral("Failed to create directory ") + directory +
                                                 QStringLiteral(": ") + *error);
    }
    queue_->sync([&] {
        try {
            connection_ = openConnection();
        } catch (const SQLiteClipboardSearchIndexStoreError& error) {
            if (!error.isCorruption()) {
                throw;
            }
            recoverFromDamage(error);
            if (!connection_) {
                throw;
            }
        }
        readRebuildDebt();
    });
}

SQLiteClipboardSearchIndexStore::~SQLiteClipboardSearchIndexStore() {
    queue_->sync([&] { connection_.reset(); });
}

std::unique_ptr<SQLiteClipboardSearchIndexStore::Connection> SQLiteClipboardSearchIndexStore::openConnection() {
    auto connection =
        std::make_unique<Connection>(databasePath_, environment_.busyTimeoutMs.value_or(defaultBusyTimeoutMs));
    connection->denseCandidateRows = std::max<qint64>(environment_.denseCandidateRows.value_or(2000), 0);
    connection->prepareSchema();
    if (environment_.didOpen) {
        environment_.didOpen(connection->handle());
    }
    struct stat file {};
    if (::stat(QFile::encodeName(databasePath_).constData(), &file) == 0) {
        openedFile_ = std::pair<quint64, quint64>(file.st_dev, file.st_ino);
    }
    return connection;
}

template <typename Body>
auto SQLiteClipboardSearchIndexStore::guarded(Body&& body) {
    return queue_->sync([&] {
        if (!connection_) {
            throw SQLiteClipboardSearchIndexStoreError(
                Kind::openDatabase, QStringLiteral("the index was closed after it was found damaged again"));
        }
        try {
            return body();
        } catch (const SQLiteClipboardSearchIndexStoreError& error) {
            if (error.isCorruption()) {
                recoverFromDamage(error);
            }
            throw;
        }
    });
}

void SQLiteClipboardSearchIndexStore::recoverFromDamage(const SQLiteClipboardSearchIndexStoreError& error) {
    connection_.reset(); // closed before its files are moved, so closing cannot touch the new ones
    if (recoveries_ >= automaticRecoveries) {
        availability_ = Availability::failed;
        Logger::error(QStringLiteral("Clipboard search index is damaged again after it was rebuilt, search uses the "
                                     "history until the next start: ") +
                          error.message(),
                      logCategory);
        return;
    }
    ++recoveries_;
    QString asideName;
    try {
        asideName = setFileAside();
        connection_ = openConnection();
        connection_->recordRebuildDebt(damagedFile);
    } catch (const std::exception& failure) {
        connection_.reset();
        availability_ = Availability::failed;
        Logger::error(QStringLiteral("Clipboard search index is damaged (") + error.message() +
                          QStringLiteral(") and could not be replaced, search uses the history: ") +
                          QString::fromUtf8(failure.what()),
                      logCategory);
        return;
    }
    availability_ = Availability::awaitingRebuild;
    owesRebuild_ = true;
    Logger::error(QStringLiteral("Clipboard search index is damaged (") + error.message() +
                      QStringLiteral("), set aside as ") + asideName +
                      QStringLiteral("; rebuilding it from the history"),
                  logCategory);
    requestRebuild();
}

QString SQLiteClipboardSearchIndexStore::setFileAside() {
    const QFileInfo info(databasePath_);
    QDir directory = info.absoluteDir();
    const QString prefix = info.fileName() + QStringLiteral(".corrupt-");
    // Another process may have set the damaged file aside already and started a new
    // one under the same name: that one is not ours to move.
    struct stat file {};
    const bool present = ::stat(QFile::encodeName(databasePath_).constData(), &file) == 0;
    if (!present || (openedFile_ && *openedFile_ != std::pair<quint64, quint64>(file.st_dev, file.st_ino))) {
        return QStringLiteral("(already replaced by another process)");
    }
    const QString stamp = environment_.now().toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    QString aside = prefix + stamp;
    for (int n = 2; directory.exists(aside); ++n) {
        aside = prefix + stamp + QLatin1Char('-') + QString::number(n);
    }
    const QString asidePath = directory.filePath(aside);
    if (!QFile::rename(databasePath_, asidePath)) {
        throw SQLiteClipboardSearchIndexStoreError(Kind::openDatabase,
                                                   QStringLiteral("could not rename the damaged file to ") + asidePath);
    }
    for (const QString& suffix : {QStringLiteral("-wal"), QStringLiteral("-shm")}) {
        if (QFile::exists(databasePath_ + suffix)) {
            QFile::remove(asidePath + suffix);
            if (!QFile::rename(databasePath_ + suffix, asidePath + suffix)) {
                QFile::remove(databasePath_ + suffix); // a stale log must not meet the new file
            }
        }
    }
    // The names sort by time; keep the newest few.
    QStringList copies = directory.entryList({prefix + QLatin1Char('*')}, QDir::Files, QDir::Name);
    copies.removeIf([](const QString& name) {
        return name.endsWith(QStringLiteral("-wal")) || name.endsWith(QStringLiteral("-shm"));
    });
    while (copies.size() > keptCorruptCopies) {
        const QString oldest = directory.filePath(copies.takeFirst());
        for (const QString& suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")}) {
            QFile::remove(oldest + suffix);
        }
    }
    return aside;
}

void SQLiteClipboardSearchIndexStore::readRebuildDebt() {
    const std::optional<QString> debt = connection_->rebuildDebt();
    if (!debt) {
        return;
    }
    owesRebuild_ = true;
    if (*debt == damagedFile) {
        availability_ = Availability::awaitingRebuild;
        Logger::warning(QStringLiteral("Clipboard search index replaced a damaged one and was not rebuilt yet"),
                        logCategory);
    } else {
        Logger::warning(QStringLiteral("Clipboard search index rebuild did not finish last time; the index owes one"),
                        logCategory);
    }
}

void SQLiteClipboardSearchIndexStore::setRebuildRequestHandler(std::function<void()> handler) {
    {
        std::lock_guard lock(handlerMutex_);
        rebuildRequestHandler_ = std::move(handler);
    }
    if (owesRebuild_) {
        requestRebuild();
    }
}

void SQLiteClipboardSearchIndexStore::requestRebuild() {
    // Called under the lock, so that once a handler is removed it is never called again.
    std::lock_guard lock(handlerMutex_);
    if (rebuildRequestHandler_) {
        rebuildRequestHandler_();
    }
}

template <typename Write>
void SQLiteClipboardSearchIndexStore::writeRetryingWhenBusy(Write&& write) {
    for (int attempt = 0;; ++attempt) {
        try {
            guarded(write);
            return;
        } catch (const SQLiteClipboardSearchIndexStoreError& error) {
            if (!error.isBusy() || attempt >= busyRetries) {
                throw;
            }
            Logger::warning(QStringLiteral("Clipboard search database is busy, retrying write: ") + error.description(),
                            QStringLiteral("SQLiteClipboardSearchIndexStore"));
        }
    }
}

void SQLiteClipboardSearchIndexStore::upsert(const ClipboardSearchIndexDocument& document) {
    writeRetryingWhenBusy([&] { connection_->upsert(document); });
}

void SQLiteClipboardSearchIndexStore::deleteDocuments(const QStringList& itemIDs) {
    writeRetryingWhenBusy([&] { connection_->deleteDocuments(itemIDs); });
}

void SQLiteClipboardSearchIndexStore::touch(const QString& itemID, const QDateTime& sortAt,
                                            const std::optional<QDateTime>& lastAccessedAt, qint64 accessCount) {
    writeRetryingWhenBusy([&] { connection_->touch(itemID, sortAt, lastAccessedAt, accessCount); });
}

void SQLiteClipboardSearchIndexStore::upsertAll(const std::vector<ClipboardSearchIndexDocument>& documents) {
    if (documents.empty()) {
        return;
    }
    writeRetryingWhenBusy([&] { connection_->upsertAll(documents); });
}

std::vector<ClipboardIndexedItemStamp> SQLiteClipboardSearchIndexStore::documentStamps() {
    return guarded([&] { return connection_->documentStamps(); });
}

ClipboardSearchIndexStats SQLiteClipboardSearchIndexStore::rebuild(
    const std::vector<ClipboardSearchIndexDocument>& documents) {
    return *rebuildFrom([&documents](const DocumentSink& write) {
        for (const ClipboardSearchIndexDocument& document : documents) {
            write(document);
        }
    });
}

std::optional<ClipboardSearchIndexStats> SQLiteClipboardSearchIndexStore::rebuildFrom(const DocumentSource& source,
                                                                                      RebuildCondition condition) {
    std::optional<ClipboardSearchIndexStats> stats;
    writeRetryingWhenBusy([&] {
        if ((condition == RebuildCondition::whenOwed && !owesRebuild_) ||
            (condition == RebuildCondition::whenEmpty && connection_->documentCount() > 0)) {
            return;
        }
        connection_->rebuild(source, environment_.now());
        owesRebuild_ = false;
        availability_ = Availability::ready;
        stats = connection_->stats();
    });
    return stats;
}

ClipboardSearchIndexStats SQLiteClipboardSearchIndexStore::stats() {
    return guarded([&] { return connection_->stats(); });
}

ClipboardSearchPage SQLiteClipboardSearchIndexStore::fetchRecent(int limit, int offset) {
    return guarded([&] { return connection_->fetchRecent(limit, offset); });
}

ClipboardSearchPage SQLiteClipboardSearchIndexStore::search(const ClipboardSearchIndexQuery& query,
                                                            const std::vector<ClipboardSearchFilter>& filters,
                                                            int limit, int offset) {
    const qint64 pageLimit = std::max(limit, 0);
    if (filters.empty()) {
        return guarded([&] { return connection_->searchTextOnly(query, pageLimit, offset); });
    }
    const ClipboardSearchFilterConditions conditions =
        ClipboardSearchFilterConditions::reduce(filters, environment_.now());
    const bool userLabel = conditions.classification && isUserLabel(*conditions.classification, userDefaults_);
    return guarded([&] { return connection_->searchWithFilters(query, conditions, userLabel, pageLimit, offset); });
}

} // namespace quellpad
