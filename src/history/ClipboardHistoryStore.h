// The history store "clipboard_history.sqlite": two tables sharing the item id.
//
//   history_index   (header, one row per item; lists, sorting and filters read only this)
//     id TEXT UNIQUE, preview TEXT, search_text TEXT,
//     created_at INTEGER (ms since 1970 UTC), last_accessed_at INTEGER NULL,
//     access_count INTEGER >= 0, content_type TEXT ("text" | "image"),
//     bundle_identifier TEXT NULL, classification TEXT NULL
//   history_content (body, one row per item; loaded one at a time)
//     id TEXT UNIQUE, content TEXT, image_data BLOB NULL, ocr_text TEXT NULL,
//     rich_text_rtf BLOB NULL, rich_text_html BLOB NULL, duplicate_fingerprint TEXT NULL
//
// Indexes: created_at; duplicate_fingerprint; bodies without a fingerprint (partial).
// Schema version 1.0.0 is PRAGMA user_version 1; a newer file is refused untouched.
// Write-ahead logging lets the app and the command line use the file together.
// All methods throw SQLiteError.
#pragma once

#include <functional>
#include <optional>
#include <vector>

#include <QDateTime>
#include <QString>

#include "Core/Utilities/SQLiteDatabase.h"
#include "history/ClipboardHistoryRecords.h"

namespace quellpad {

// A body as stored, with the fingerprint readers outside storage never see.
struct ClipboardHistoryContentRecord {
    ClipboardHistoryContentSnapshot snapshot;
    std::optional<QString> duplicateFingerprint;
};

class ClipboardHistoryStore {
public:
    static constexpr int schemaVersion = 1; // "1.0.0"

    // Opens (and in read-write mode creates and migrates) the store.
    explicit ClipboardHistoryStore(const QString& path, SQLiteDatabase::Mode mode = SQLiteDatabase::Mode::readWriteCreate);

    SQLiteDatabase& database() { return database_; }

    void insert(const ClipboardHistoryIndexSnapshot& header, const ClipboardHistoryContentRecord& body);

    std::optional<ClipboardHistoryIndexSnapshot> header(const QString& id);
    std::optional<ClipboardHistoryContentRecord> body(const QString& id);
    // Newest first by createdAt; limit < 0 means all.
    std::vector<ClipboardHistoryIndexSnapshot> headersByCreatedDescending(int limit = -1, int offset = 0);
    // Ids of bodies with this fingerprint whose text equals `text` exactly.
    std::vector<QString> textBodyIdsWithFingerprint(const QString& fingerprint, const QString& text);
    // Ids of bodies stored without a fingerprint whose text equals `text` exactly.
    std::vector<QString> textBodyIdsWithoutFingerprint(const QString& text);
    // Ids of bodies with this fingerprint whose image bytes equal `bytes` exactly.
    std::vector<QString> imageBodyIdsWithFingerprint(const QString& fingerprint, const QByteArray& bytes);
    // Ids of headers of this type created strictly before cutoff.
    std::vector<QString> headerIdsCreatedBefore(ClipboardContentType type, const QDateTime& cutoff);

    // Each returns whether a row was deleted / changed.
    bool deleteHeader(const QString& id);
    bool deleteBody(const QString& id);
    void deleteAllHeaders();
    void deleteAllBodies();
    bool updateUsage(const QString& id, const std::optional<QDateTime>& lastAccessedAt, qint64 accessCount);
    bool updateSearchText(const QString& id, const QString& searchText);
    bool updateOCRText(const QString& id, const QString& ocrText);

    struct Counts {
        qint64 text = 0;
        qint64 image = 0;
    };
    Counts counts();

    // The searchable text of every item, newest first: text for text items, the
    // recognised text (or "") for images; paired with its header.
    struct SourceRow {
        ClipboardHistoryIndexSnapshot header;
        QString searchableText;
    };
    std::vector<SourceRow> sourceRows();
    // The same rows one at a time, from one snapshot of the file, after `begin` was
    // told how many there are; nothing is kept, so memory does not grow with the
    // history. Throws SQLiteError (and whatever the callbacks throw).
    void forEachSourceRow(const std::function<void(qint64 total)>& begin,
                          const std::function<void(SourceRow&& row)>& visit);
    std::optional<SourceRow> sourceRow(const QString& id);

    // The values the search index must agree on, for every item.
    struct ItemStamp {
        QString id;
        QDateTime sortAt;
        qint64 accessCount = 0;
        bool isImage = false;
        bool hasSearchText = false;
    };
    std::vector<ItemStamp> itemStamps();

    // Image items without recognised text (ocr_text never written), newest first.
    std::vector<QString> imageIdsWithoutRecognizedText(int limit);

    // Runs PRAGMA quick_check; returns the problems found (empty when sound).
    QStringList integrityProblems();

    static qint64 toStoredDate(const QDateTime& date);
    static QDateTime fromStoredDate(qint64 milliseconds);

private:
    void createSchema();

    SQLiteDatabase database_;
};

} // namespace quellpad
