#include "history/ClipboardHistoryStore.h"

#include <sqlite3.h>

#include <QStringList>

namespace quellpad {

namespace {

constexpr const char* headerColumns =
    "id, preview, search_text, created_at, last_accessed_at, access_count, content_type, bundle_identifier, "
    "classification";

ClipboardHistoryIndexSnapshot readHeader(const SQLiteStatement& row, int first = 0) {
    ClipboardHistoryIndexSnapshot header;
    header.id = row.text(first);
    header.preview = row.text(first + 1);
    header.searchText = row.text(first + 2);
    header.createdAt = ClipboardHistoryStore::fromStoredDate(row.int64(first + 3));
    if (!row.isNull(first + 4)) {
        header.lastAccessedAt = ClipboardHistoryStore::fromStoredDate(row.int64(first + 4));
    }
    header.accessCount = std::max<qint64>(0, row.int64(first + 5));
    // An unknown stored type is read as the default rather than dropping the item.
    header.contentType = clipboardContentTypeFromRaw(row.text(first + 6)).value_or(ClipboardContentType::text);
    header.bundleIdentifier = row.optionalText(first + 7);
    header.classification = row.optionalText(first + 8);
    return header;
}

std::vector<QString> readIds(SQLiteStatement& statement) {
    std::vector<QString> ids;
    while (statement.step()) {
        ids.push_back(statement.text(0));
    }
    return ids;
}

} // namespace

qint64 ClipboardHistoryStore::toStoredDate(const QDateTime& date) { return date.toMSecsSinceEpoch(); }

QDateTime ClipboardHistoryStore::fromStoredDate(qint64 milliseconds) {
    return QDateTime::fromMSecsSinceEpoch(milliseconds, Qt::UTC);
}

ClipboardHistoryStore::ClipboardHistoryStore(const QString& path, SQLiteDatabase::Mode mode) : database_(path, mode) {
    if (mode == SQLiteDatabase::Mode::readWriteCreate) {
        createSchema();
    } else {
        SQLiteStatement version(database_, "PRAGMA user_version");
        version.step();
        if (version.int64(0) > schemaVersion) {
            throw SQLiteError(SQLITE_CANTOPEN, QStringLiteral("The history store was written by a newer version (schema ") +
                                                   QString::number(version.int64(0)) + QStringLiteral(")"));
        }
    }
}

void ClipboardHistoryStore::createSchema() {
    // journal_mode returns a row; read it so that a failure (e.g. not a database) surfaces here.
    {
        SQLiteStatement wal(database_, "PRAGMA journal_mode = WAL");
        wal.step();
    }
    database_.execute("PRAGMA synchronous = NORMAL");
    database_.execute("PRAGMA foreign_keys = OFF");
    SQLiteStatement versionQuery(database_, "PRAGMA user_version");
    versionQuery.step();
    const qint64 version = versionQuery.int64(0);
    versionQuery.reset();
    if (version > schemaVersion) {
        throw SQLiteError(SQLITE_CANTOPEN, QStringLiteral("The history store was written by a newer version (schema ") +
                                               QString::number(version) + QStringLiteral(")"));
    }
    if (version == schemaVersion) {
        return;
    }
    SQLiteTransaction transaction(database_);
    database_.execute(R"SQL(
        CREATE TABLE IF NOT EXISTS history_index (
            id TEXT NOT NULL UNIQUE,
            preview TEXT NOT NULL,
            search_text TEXT NOT NULL,
            created_at INTEGER NOT NULL,
            last_accessed_at INTEGER,
            access_count INTEGER NOT NULL DEFAULT 0 CHECK (access_count >= 0),
            content_type TEXT NOT NULL,
            bundle_identifier TEXT,
            classification TEXT
        );
        CREATE INDEX IF NOT EXISTS history_index_created_at ON history_index (created_at);
        CREATE TABLE IF NOT EXISTS history_content (
            id TEXT NOT NULL UNIQUE,
            content TEXT NOT NULL,
            image_data BLOB,
            ocr_text TEXT,
            rich_text_rtf BLOB,
            rich_text_html BLOB,
            duplicate_fingerprint TEXT
        );
        CREATE INDEX IF NOT EXISTS history_content_fingerprint ON history_content (duplicate_fingerprint);
        CREATE INDEX IF NOT EXISTS history_content_without_fingerprint ON history_content (content)
            WHERE duplicate_fingerprint IS NULL;
        PRAGMA user_version = 1;
    )SQL");
    transaction.commit();
}

void ClipboardHistoryStore::insert(const ClipboardHistoryIndexSnapshot& header, const ClipboardHistoryContentRecord& body) {
    SQLiteStatement insertHeader(database_,
                                 "INSERT INTO history_index (id, preview, search_text, created_at, last_accessed_at, "
                                 "access_count, content_type, bundle_identifier, classification) "
                                 "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)");
    insertHeader.bind(1, header.id)
        .bind(2, header.preview)
        .bind(3, header.searchText)
        .bind(4, toStoredDate(header.createdAt))
        .bind(5, header.lastAccessedAt ? std::optional<qint64>(toStoredDate(*header.lastAccessedAt)) : std::nullopt)
        .bind(6, std::max<qint64>(0, header.accessCount))
        .bind(7, rawValue(header.contentType))
        .bind(8, header.bundleIdentifier)
        .bind(9, header.classification);
    insertHeader.run();
    const ClipboardHistoryContentSnapshot& content = body.snapshot;
    SQLiteStatement insertBody(database_,
                               "INSERT INTO history_content (id, content, image_data, ocr_text, rich_text_rtf, "
                               "rich_text_html, duplicate_fingerprint) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)");
    insertBody.bind(1, content.id)
        .bind(2, content.content)
        .bindBlob(3, content.imageData)
        .bind(4, content.ocrText)
        .bindBlob(5, content.richTextRTFData)
        .bindBlob(6, content.richTextHTMLData)
        .bind(7, body.duplicateFingerprint);
    insertBody.run();
}

std::optional<ClipboardHistoryIndexSnapshot> ClipboardHistoryStore::header(const QString& id) {
    SQLiteStatement query(database_, (QByteArray("SELECT ") + headerColumns + " FROM history_index WHERE id = ?1 LIMIT 1").constData());
    query.bind(1, id);
    if (!query.step()) {
        return std::nullopt;
    }
    return readHeader(query);
}

std::optional<ClipboardHistoryContentRecord> ClipboardHistoryStore::body(const QString& id) {
    SQLiteStatement query(database_,
                          "SELECT id, content, image_data, ocr_text, rich_text_rtf, rich_text_html, duplicate_fingerprint "
                          "FROM history_content WHERE id = ?1 LIMIT 1");
    query.bind(1, id);
    if (!query.step()) {
        return std::nullopt;
    }
    ClipboardHistoryContentRecord record;
    record.snapshot.id = query.text(0);
    record.snapshot.content = query.text(1);
    record.snapshot.imageData = query.optionalBlob(2);
    record.snapshot.ocrText = query.optionalText(3);
    record.snapshot.richTextRTFData = query.optionalBlob(4);
    record.snapshot.richTextHTMLData = query.optionalBlob(5);
    record.duplicateFingerprint = query.optionalText(6);
    return record;
}

std::vector<ClipboardHistoryIndexSnapshot> ClipboardHistoryStore::headersByCreatedDescending(int limit, int offset) {
    SQLiteStatement query(database_, (QByteArray("SELECT ") + headerColumns +
                                      " FROM history_index ORDER BY created_at DESC, rowid DESC LIMIT ?1 OFFSET ?2")
                                         .constData());
    query.bind(1, qint64(limit)).bind(2, qint64(std::max(0, offset)));
    std::vector<ClipboardHistoryIndexSnapshot> headers;
    while (query.step()) {
        headers.push_back(readHeader(query));
    }
    return headers;
}

std::vector<QString> ClipboardHistoryStore::textBodyIdsWithFingerprint(const QString& fingerprint, const QString& text) {
    SQLiteStatement query(database_,
                          "SELECT id FROM history_content WHERE duplicate_fingerprint = ?1 AND content = ?2 "
                          "AND image_data IS NULL");
    query.bind(1, fingerprint).bind(2, text);
    return readIds(query);
}

std::vector<QString> ClipboardHistoryStore::textBodyIdsWithoutFingerprint(const QString& text) {
    SQLiteStatement query(database_,
                          "SELECT id FROM history_content WHERE duplicate_fingerprint IS NULL AND content = ?1 "
                          "AND image_data IS NULL");
    query.bind(1, text);
    return readIds(query);
}

std::vector<QString> ClipboardHistoryStore::imageBodyIdsWithFingerprint(const QString& fingerprint, const QByteArray& bytes) {
    SQLiteStatement query(database_,
                          "SELECT id FROM history_content WHERE duplicate_fingerprint = ?1 AND image_data IS NOT NULL "
                          "AND image_data = ?2");
    query.bind(1, fingerprint).bindBlob(2, bytes);
    return readIds(query);
}

std::vector<QString> ClipboardHistoryStore::headerIdsCreatedBefore(ClipboardContentType type, const QDateTime& cutoff) {
    SQLiteStatement query(database_, "SELECT id FROM history_index WHERE created_at < ?1 AND content_type = ?2");
    query.bind(1, toStoredDate(cutoff)).bind(2, rawValue(type));
    return readIds(query);
}

bool ClipboardHistoryStore::deleteHeader(const QString& id) {
    SQLiteStatement statement(database_, "DELETE FROM history_index WHERE id = ?1");
    statement.bind(1, id).run();
    return database_.changes() > 0;
}

bool ClipboardHistoryStore::deleteBody(const QString& id) {
    SQLiteStatement statement(database_, "DELETE FROM history_content WHERE id = ?1");
    statement.bind(1, id).run();
    return database_.changes() > 0;
}

void ClipboardHistoryStore::deleteAllHeaders() { database_.execute("DELETE FROM history_index"); }
void ClipboardHistoryStore::deleteAllBodies() { database_.execute("DELETE FROM history_content"); }

bool ClipboardHistoryStore::updateUsage(const QString& id, const std::optional<QDateTime>& lastAccessedAt,
                                        qint64 accessCount) {
    SQLiteStatement statement(database_, "UPDATE history_index SET last_accessed_at = ?2, access_count = ?3 WHERE id = ?1");
    statement.bind(1, id)
        .bind(2, lastAccessedAt ? std::optional<qint64>(toStoredDate(*lastAccessedAt)) : std::nullopt)
        .bind(3, std::max<qint64>(0, accessCount))
        .run();
    return database_.changes() > 0;
}

bool ClipboardHistoryStore::updateSearchText(const QString& id, const QString& searchText) {
    SQLiteStatement statement(database_, "UPDATE history_index SET search_text = ?2 WHERE id = ?1");
    statement.bind(1, id).bind(2, searchText).run();
    return database_.changes() > 0;
}

bool ClipboardHistoryStore::updateOCRText(const QString& id, const QString& ocrText) {
    SQLiteStatement statement(database_, "UPDATE history_content SET ocr_text = ?2 WHERE id = ?1");
    statement.bind(1, id).bind(2, ocrText).run();
    return database_.changes() > 0;
}

ClipboardHistoryStore::Counts ClipboardHistoryStore::counts() {
    SQLiteStatement query(database_, "SELECT content_type, COUNT(*) FROM history_index GROUP BY content_type");
    Counts counts;
    while (query.step()) {
        if (query.text(0) == QStringLiteral("image")) {
            counts.image = query.int64(1);
        } else if (query.text(0) == QStringLiteral("text")) {
            counts.text = query.int64(1);
        }
    }
    return counts;
}

std::vector<ClipboardHistoryStore::SourceRow> ClipboardHistoryStore::sourceRows() {
    std::vector<SourceRow> rows;
    forEachSourceRow([&](qint64 total) { rows.reserve(static_cast<size_t>(total)); },
                     [&](SourceRow&& row) { rows.push_back(std::move(row)); });
    return rows;
}

void ClipboardHistoryStore::forEachSourceRow(const std::function<void(qint64 total)>& begin,
                                             const std::function<void(SourceRow&& row)>& visit) {
    // A read transaction, so that the count and the rows see the same history while
    // the app keeps writing.
    database_.execute("BEGIN DEFERRED TRANSACTION;");
    try {
        {
            SQLiteStatement count(database_, "SELECT COUNT(*) FROM history_index");
            begin(count.step() ? count.int64(0) : 0);
        }
        SQLiteStatement query(database_,
                              "SELECT h.id, h.preview, h.search_text, h.created_at, h.last_accessed_at, h.access_count, "
                              "h.content_type, h.bundle_identifier, h.classification, c.content, c.ocr_text, c.id "
                              "FROM history_index h LEFT JOIN history_content c ON c.id = h.id "
                              "ORDER BY h.created_at DESC, h.rowid DESC");
        while (query.step()) {
            SourceRow row;
            row.header = readHeader(query);
            if (!query.isNull(11)) {
                row.searchableText = row.header.contentType == ClipboardContentType::text
                                         ? query.text(9)
                                         : query.optionalText(10).value_or(QString());
            }
            visit(std::move(row));
        }
    } catch (...) {
        sqlite3_exec(database_.handle(), "ROLLBACK TRANSACTION;", nullptr, nullptr, nullptr);
        throw;
    }
    database_.execute("COMMIT TRANSACTION;");
}

std::optional<ClipboardHistoryStore::SourceRow> ClipboardHistoryStore::sourceRow(const QString& id) {
    SQLiteStatement query(database_,
                          "SELECT h.id, h.preview, h.search_text, h.created_at, h.last_accessed_at, h.access_count, "
                          "h.content_type, h.bundle_identifier, h.classification, c.content, c.ocr_text, c.id "
                          "FROM history_index h LEFT JOIN history_content c ON c.id = h.id WHERE h.id = ?1");
    query.bind(1, id);
    if (!query.step()) {
        return std::nullopt;
    }
    SourceRow row;
    row.header = readHeader(query);
    if (!query.isNull(11)) {
        row.searchableText = row.header.contentType == ClipboardContentType::text
                                 ? query.text(9)
                                 : query.optionalText(10).value_or(QString());
    }
    return row;
}

std::vector<ClipboardHistoryStore::ItemStamp> ClipboardHistoryStore::itemStamps() {
    SQLiteStatement query(database_,
                          "SELECT id, created_at, last_accessed_at, access_count, content_type, search_text <> '' "
                          "FROM history_index");
    std::vector<ItemStamp> stamps;
    while (query.step()) {
        ItemStamp stamp;
        stamp.id = query.text(0);
        const QDateTime createdAt = fromStoredDate(query.int64(1));
        stamp.sortAt = sortDate(createdAt, query.isNull(2) ? std::nullopt
                                                           : std::optional<QDateTime>(fromStoredDate(query.int64(2))));
        stamp.accessCount = std::max<qint64>(0, query.int64(3));
        stamp.isImage = query.text(4) == rawValue(ClipboardContentType::image);
        stamp.hasSearchText = query.int64(5) != 0;
        stamps.push_back(std::move(stamp));
    }
    return stamps;
}

QStringList ClipboardHistoryStore::integrityProblems() {
    SQLiteStatement check(database_, "PRAGMA quick_check");
    QStringList problems;
    while (check.step()) {
        const QString line = check.text(0);
        if (line != QStringLiteral("ok")) {
            problems.push_back(line);
        }
    }
    return problems;
}

std::vector<QString> ClipboardHistoryStore::imageIdsWithoutRecognizedText(int limit) {
    SQLiteStatement query(database_,
                          "SELECT h.id FROM history_index h JOIN history_content c ON c.id = h.id "
                          "WHERE h.content_type = 'image' AND c.ocr_text IS NULL ORDER BY h.created_at DESC LIMIT ?1");
    query.bind(1, qint64(std::max(0, limit)));
    return readIds(query);
}

} // namespace quellpad
