#include "search/WrittenSearchIndexReference.h"

#include <algorithm>
#include <variant>

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <sqlite3.h>
#include <unicode/uchar.h>

#include "Core/Utilities/Logger.h"
#include "Core/Utilities/TextUtilities.h"
#include "platform/DefaultsStore.h"
#include "search/ClipboardSearchFilterConditions.h"
#include "search/SQLiteClipboardSearchIndexStoreError.h"
#include "Core/Utilities/ClipboardSearchText.h"
#include "search/ClipboardSearchVocabulary.h"

namespace quellpad::test {

namespace {

using Kind = SQLiteClipboardSearchIndexStoreError::Kind;
using Flaw = WrittenSearchIndexReference::Flaw;

const QString logCategory = QStringLiteral("SQLiteSearch");
const QString lastRebuildKey = QStringLiteral("last_rebuild_at");

const char* const schemaIndexOnGramDocID = "CREATE INDEX IF NOT EXISTS idx_compact_grams_doc_id\nON compact_grams(doc_id);";

// Tables first, then the migration of older files, then the indexes: the indexes
// name columns that an older documents table gets only from the migration.
const char* const schemaTableStatements[] = {
    "CREATE TABLE IF NOT EXISTS documents (\n    doc_id INTEGER PRIMARY KEY AUTOINCREMENT,\n    item_id TEXT NOT NULL UNIQUE,\n    preview TEXT NOT NULL,\n    created_at REAL NOT NULL,\n    sort_at REAL NOT NULL,\n    last_accessed_at REAL,\n    access_count INTEGER NOT NULL DEFAULT 0,\n    content_type TEXT NOT NULL,\n    bundle_identifier TEXT,\n    classification TEXT,\n    normalized_text TEXT NOT NULL,\n    compact_text TEXT NOT NULL,\n    pinyin_spaced TEXT NOT NULL,\n    pinyin_compact TEXT NOT NULL,\n    is_truncated INTEGER NOT NULL DEFAULT 0\n);",
    "CREATE VIRTUAL TABLE IF NOT EXISTS fts_terms USING fts5(\n    normalized_text,\n    pinyin_spaced\n);",
    "CREATE TABLE IF NOT EXISTS compact_grams (\n    gram TEXT NOT NULL,\n    doc_id INTEGER NOT NULL,\n    PRIMARY KEY (gram, doc_id)\n) WITHOUT ROWID;",
    schemaIndexOnGramDocID,
    "CREATE TABLE IF NOT EXISTS meta (\n    key TEXT PRIMARY KEY,\n    value TEXT NOT NULL\n);",
};
const char* const schemaIndexStatements[] = {
    "CREATE INDEX IF NOT EXISTS idx_documents_created_at_doc_id\nON documents(created_at DESC, doc_id DESC);",
    "CREATE INDEX IF NOT EXISTS idx_documents_sort_at_doc_id\nON documents(sort_at DESC, doc_id DESC);",
    "CREATE INDEX IF NOT EXISTS idx_documents_classification_created_at_doc_id\nON documents(classification COLLATE NOCASE, created_at DESC, doc_id DESC);",
    "CREATE INDEX IF NOT EXISTS idx_documents_classification_sort_at_doc_id\nON documents(classification COLLATE NOCASE, sort_at DESC, doc_id DESC);",
    "CREATE INDEX IF NOT EXISTS idx_documents_bundle_identifier_created_at_doc_id\nON documents(bundle_identifier COLLATE NOCASE, created_at DESC, doc_id DESC);",
    "CREATE INDEX IF NOT EXISTS idx_documents_bundle_identifier_sort_at_doc_id\nON documents(bundle_identifier COLLATE NOCASE, sort_at DESC, doc_id DESC);",
};

const char* const selectDocIDByItemID = "SELECT doc_id FROM documents WHERE item_id = ? LIMIT 1;";
const char* const deleteGramsOfDoc = "DELETE FROM compact_grams WHERE doc_id = ?;";
const char* const deleteFTSOfDoc = "DELETE FROM fts_terms WHERE rowid = ?;";
const char* const deleteDocument = "DELETE FROM documents WHERE doc_id = ?;";
const char* const insertDocument =
    "INSERT INTO documents (\n    item_id,\n    preview,\n    created_at,\n    sort_at,\n    last_accessed_at,\n    access_count,\n    content_type,\n    bundle_identifier,\n    classification,\n    normalized_text,\n    compact_text,\n    pinyin_spaced,\n    pinyin_compact,\n    is_truncated\n) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?);";
const char* const insertFTS = "INSERT INTO fts_terms (rowid, normalized_text, pinyin_spaced)\nVALUES (?, ?, ?);";
const char* const insertGram = "INSERT OR IGNORE INTO compact_grams (gram, doc_id)\nVALUES (?, ?);";
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

// A value bound to a positional "?"; NULL is the empty alternative.
using Binding = std::variant<std::monostate, int, qint64, double, QString>;
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

bool isAlphanumeric(char32_t c) {
    const int8_t type = u_charType(static_cast<UChar32>(c));
    switch (type) {
    case U_UPPERCASE_LETTER:
    case U_LOWERCASE_LETTER:
    case U_TITLECASE_LETTER:
    case U_MODIFIER_LETTER:
    case U_OTHER_LETTER:
    case U_NON_SPACING_MARK:
    case U_ENCLOSING_MARK:
    case U_COMBINING_SPACING_MARK:
    case U_DECIMAL_DIGIT_NUMBER:
    case U_LETTER_NUMBER:
    case U_OTHER_NUMBER:
        return true;
    default:
        return false;
    }
}

bool hasNonAlphanumeric(const QString& text) {
    for (char32_t c : text.toUcs4()) {
        if (!isAlphanumeric(c)) {
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

class WrittenSearchIndexReference::Connection {
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
                throw SQLiteClipboardSearchIndexStoreError(Kind::prepare, message);
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
                } else {
                    const QByteArray utf8 = std::get<QString>(value).toUtf8();
                    result = sqlite3_bind_text(statement_, index, utf8.constData(), static_cast<int>(utf8.size()),
                                               SQLITE_TRANSIENT);
                }
                if (result != SQLITE_OK) {
                    throw SQLiteClipboardSearchIndexStoreError(Kind::step, connection_.errorMessage());
                }
                ++index;
            }
        }

        // The bytes must stay valid until the statement is reset.
        void bindStaticText(int index, std::string_view text) {
            if (sqlite3_bind_text(statement_, index, text.data(), static_cast<int>(text.size()), SQLITE_STATIC) !=
                SQLITE_OK) {
                throw SQLiteClipboardSearchIndexStoreError(Kind::step, connection_.errorMessage());
            }
        }
        void bindInt64(int index, qint64 value) {
            if (sqlite3_bind_int64(statement_, index, value) != SQLITE_OK) {
                throw SQLiteClipboardSearchIndexStoreError(Kind::step, connection_.errorMessage());
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
            throw SQLiteClipboardSearchIndexStoreError(Kind::step, connection_.errorMessage());
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

    Connection(const QString& path, Flaw flaw) : flaw_(flaw) {
        if (sqlite3_open(QFile::encodeName(path).constData(), &db_) != SQLITE_OK) {
            const QString message = errorMessage();
            sqlite3_close_v2(db_);
            db_ = nullptr;
            throw SQLiteClipboardSearchIndexStoreError(Kind::openDatabase, message);
        }
    }
    ~Connection() {
        sqlite3_close_v2(db_);
        db_ = nullptr;
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    sqlite3* handle() const { return db_; }

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
        if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) != SQLITE_OK) {
            const QString text = message != nullptr ? QString::fromUtf8(message) : errorMessage();
            sqlite3_free(message);
            throw SQLiteClipboardSearchIndexStoreError(Kind::execute, text);
        }
    }

    void prepareSchema() {
        execute("PRAGMA journal_mode = WAL;");
        execute("PRAGMA synchronous = NORMAL;");
        execute("PRAGMA foreign_keys = ON;");
        for (const char* statement : schemaTableStatements) {
            execute(statement);
        }
        migrate();
        for (const char* statement : schemaIndexStatements) {
            execute(statement);
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
        explicit Writer(Connection& connection)
            : connection_(connection), document_(connection, QString::fromLatin1(insertDocument)),
              fts_(connection, QString::fromLatin1(insertFTS)), gram_(connection, QString::fromLatin1(insertGram)) {}

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
            const qint64 docID = sqlite3_last_insert_rowid(connection_.db_);

            fts_.resetAndClear();
            fts_.bind({docID, document.normalizedText, document.pinyinSpaced});
            fts_.runToCompletion();

            for (const QString& gram : ClipboardSearchText::documentGrams(document.compactText, document.pinyinCompact)) {
                gram_.resetAndClear();
                gram_.bind({gram, docID});
                gram_.runToCompletion();
            }
        }

    private:
        Connection& connection_;
        Statement document_;
        Statement fts_;
        Statement gram_;
    };

    // Deletes the grams, FTS row and document of an item, when it has one.
    void removeDocument(const QString& itemID) {
        std::optional<qint64> docID;
        {
            Statement lookup(*this, QString::fromLatin1(selectDocIDByItemID));
            lookup.bind({itemID});
            if (lookup.step()) {
                docID = lookup.int64(0);
            }
        }
        if (!docID) {
            return;
        }
        for (const char* sql : {deleteGramsOfDoc, deleteFTSOfDoc, deleteDocument}) {
            Statement statement(*this, QString::fromLatin1(sql));
            statement.bind({*docID});
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

    void rebuild(const std::vector<ClipboardSearchIndexDocument>& documents, const QDateTime& now) {
        Transaction transaction(*this);
        execute("DELETE FROM compact_grams;");
        execute("DELETE FROM fts_terms;");
        execute("DELETE FROM documents;");
        execute("DELETE FROM meta WHERE key = 'last_rebuild_at';");
        {
            Writer writer(*this);
            for (const ClipboardSearchIndexDocument& document : documents) {
                writer.write(document);
            }
        }
        Statement meta(*this, QString::fromLatin1(upsertMeta));
        meta.bind({lastRebuildKey, QString::number(secondsSince1970(now), 'f', QLocale::FloatingPointShortest)});
        meta.runToCompletion();
        transaction.commit();
    }

    ClipboardSearchIndexStats stats() {
        ClipboardSearchIndexStats result;
        result.documentCount = count("SELECT COUNT(*) FROM documents;");
        result.gramCount = count("SELECT COUNT(*) FROM compact_grams;");
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

    ClipboardSearchPage page(const std::vector<StoredDocument>& rows, qint64 start, qint64 limit) const {
        ClipboardSearchPage result;
        const qint64 count = static_cast<qint64>(rows.size());
        if (start >= count) {
            return result;
        }
        const qint64 end = std::min(count, start + limit);
        for (qint64 i = start; i < end; ++i) {
            result.items.push_back(snapshotOf(rows[static_cast<size_t>(i)]));
        }
        result.hasMore = flaw_ == Flaw::hasMoreOffByOne ? start + limit <= count : start + limit < count;
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

    QString rankingExpression(const QString& alias) const {
        auto clause = [&](const QString& comparison) {
            return QStringLiteral("instr(") + alias + QStringLiteral(".normalized_text, ?) ") + comparison +
                   QStringLiteral(" OR instr(") + alias + QStringLiteral(".compact_text, ?) ") + comparison +
                   QStringLiteral(" OR instr(") + alias + QStringLiteral(".pinyin_spaced, ?) ") + comparison +
                   QStringLiteral(" OR instr(") + alias + QStringLiteral(".pinyin_compact, ?) ") + comparison;
        };
        return QStringLiteral("CASE WHEN ") + clause(QStringLiteral("> 0")) +
               QStringLiteral(" THEN 1 ELSE 0 END DESC,\nCASE WHEN ") + clause(QStringLiteral("= 1")) +
               QStringLiteral(" THEN 1 ELSE 0 END DESC,\n") + alias + QStringLiteral(".sort_at") +
               QStringLiteral(" DESC,\n") + alias + QStringLiteral(".doc_id ") +
               (flaw_ == Flaw::tiesOldestFirst ? QStringLiteral("ASC") : QStringLiteral("DESC"));
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

    QString scanStatement(const QStringList& filterLines) const {
        QStringList lines{aliasedColumnsLine1, aliasedColumnsLine2, QStringLiteral("FROM documents d"),
                          QStringLiteral("WHERE (instr(d.normalized_text, ?) > 0 OR instr(d.compact_text, ?) > 0)")};
        lines += filterLines;
        lines += {QStringLiteral("ORDER BY"), rankingExpression(QStringLiteral("d")), QStringLiteral("LIMIT ? OFFSET ?;")};
        return lines.join(QLatin1Char(' '));
    }

    static QString gramJoin(qsizetype gramCount) {
        QStringList placeholders;
        for (qsizetype i = 0; i < gramCount; ++i) {
            placeholders.push_back(QStringLiteral("?"));
        }
        return QStringLiteral("    JOIN (\n        SELECT doc_id\n        FROM compact_grams\n        WHERE gram IN (") +
               placeholders.join(QStringLiteral(", ")) +
               QStringLiteral(")\n        GROUP BY doc_id\n        HAVING COUNT(DISTINCT gram) = ?\n    ) gram_match ON gram_match.doc_id = d.doc_id");
    }

    static Bindings gramBindings(const std::vector<QString>& grams) {
        Bindings bindings(grams.begin(), grams.end());
        bindings.push_back(static_cast<int>(grams.size()));
        return bindings;
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

    QString unionStatement(const QStringList& ctes, const QStringList& parts) const {
        return QStringLiteral("WITH\n") + ctes.join(QStringLiteral(",\n")) + QStringLiteral(",\ncandidate_ids AS (\n    ") +
               parts.join(QStringLiteral("\nUNION\n")) + QStringLiteral("\n)\n") + aliasedColumns +
               QStringLiteral("\nFROM documents d\nJOIN candidate_ids c ON c.doc_id = d.doc_id\nORDER BY ") +
               rankingExpression(QStringLiteral("d")) + QStringLiteral("\nLIMIT ? OFFSET ?;");
    }

    ClipboardSearchPage searchTextOnly(const ClipboardSearchIndexQuery& query, qint64 limit, qint64 offset) {
        const qint64 pageRows = limit + 1;
        const qint64 candidateLimit = std::max<qint64>(offset + pageRows, 1);
        const Bindings ranking = rankingBindings(query);
        const QString ranked = rankingExpression(QStringLiteral("d"));

        if (hasNonAlphanumeric(query.compactText)) {
            Bindings bindings{query.normalizedText, query.compactText};
            append(bindings, ranking);
            append(bindings, {pageRows, offset});
            return page(documents(scanStatement({}), bindings), 0, limit);
        }

        const QString match = query.matchExpression();
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
                           gramJoin(static_cast<qsizetype>(grams.size())) + QStringLiteral("\n    ORDER BY ") + ranked +
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

    ClipboardSearchPage searchFiltersOnly(const ClipboardSearchFilterConditions& conditions, qint64 limit,
                                          qint64 offset) {
        const FilterClauses clauses = filterClauses(conditions, false);
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
        const qint64 pageRows = limit + 1;
        const qint64 candidateLimit = std::max<qint64>(offset + pageRows, 1);
        const Bindings ranking = rankingBindings(query);
        const QString ranked = rankingExpression(QStringLiteral("d"));
        const FilterClauses clauses = filterClauses(conditions, true);

        if (hasNonAlphanumeric(query.compactText)) {
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
                   gramJoin(static_cast<qsizetype>(grams.size())) + QStringLiteral("\n    WHERE 1=1");
            headBindings = gramBindings(grams);
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
    Flaw flaw_ = Flaw::none;
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

// ---------------------------------------------------------------------------

WrittenSearchIndexReference::WrittenSearchIndexReference(const QString& databasePath, DefaultsStore& userDefaults,
                                                         QDateTime now, Flaw flaw)
    : userDefaults_(userDefaults), now_(std::move(now)), connection_(std::make_unique<Connection>(databasePath, flaw)) {
    connection_->prepareSchema();
}

WrittenSearchIndexReference::~WrittenSearchIndexReference() = default;

void WrittenSearchIndexReference::upsert(const ClipboardSearchIndexDocument& document) { connection_->upsert(document); }

void WrittenSearchIndexReference::deleteDocuments(const QStringList& itemIDs) { connection_->deleteDocuments(itemIDs); }

void WrittenSearchIndexReference::touch(const QString& itemID, const QDateTime& sortAt,
                                        const std::optional<QDateTime>& lastAccessedAt, qint64 accessCount) {
    connection_->touch(itemID, sortAt, lastAccessedAt, accessCount);
}

void WrittenSearchIndexReference::rebuild(const std::vector<ClipboardSearchIndexDocument>& documents) {
    connection_->rebuild(documents, now_);
}

ClipboardSearchPage WrittenSearchIndexReference::fetchRecent(int limit, int offset) {
    return connection_->fetchRecent(limit, offset);
}

ClipboardSearchPage WrittenSearchIndexReference::search(const ClipboardSearchIndexQuery& query,
                                                        const std::vector<ClipboardSearchFilter>& filters, int limit,
                                                        int offset) {
    const qint64 pageLimit = std::max(limit, 0);
    if (filters.empty()) {
        return connection_->searchTextOnly(query, pageLimit, offset);
    }
    const ClipboardSearchFilterConditions conditions = ClipboardSearchFilterConditions::reduce(filters, now_);
    const bool userLabel = conditions.classification && isUserLabel(*conditions.classification, userDefaults_);
    return connection_->searchWithFilters(query, conditions, userLabel, pageLimit, offset);
}

} // namespace quellpad::test
