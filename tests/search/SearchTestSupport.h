// Fixtures shared by the search tests: a temporary index, documents, raw SQL access.
#pragma once

#include <memory>
#include <ostream>

#include <QTemporaryDir>
#include <sqlite3.h>

#include "platform/fake/InMemoryDefaultsStore.h"
#include "search/ClipboardSearchIndexDocument.h"
#include "search/SQLiteClipboardSearchIndexStore.h"

// Readable QString values in assertion messages.
inline void PrintTo(const QString& value, std::ostream* out) { *out << '"' << value.toStdString() << '"'; }

namespace quellpad::test {

inline const QDateTime searchTestEpoch = QDateTime::fromSecsSinceEpoch(1'700'000'000, Qt::UTC);

// A document for item `id` created `minute` minutes after the test epoch.
inline ClipboardSearchIndexDocument indexDocument(const QString& id, const QString& text, int minute = 0,
                                                  bool pinyin = true) {
    ClipboardSearchSourceDocument source;
    source.id = id;
    source.preview = text.left(80);
    source.searchableText = text;
    source.createdAt = searchTestEpoch.addSecs(60 * minute);
    ClipboardSearchIndexConfiguration configuration;
    configuration.isPinyinIndexEnabled = pinyin;
    return ClipboardSearchIndexDocument::make(source, configuration);
}

// Runs one statement on its own connection and returns the first column of the first row.
inline qint64 scalar(const QString& path, const char* sql) {
    sqlite3* db = nullptr;
    qint64 value = -1;
    if (sqlite3_open(path.toUtf8().constData(), &db) == SQLITE_OK) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK && sqlite3_step(statement) == SQLITE_ROW) {
            value = sqlite3_column_int64(statement, 0);
        }
        sqlite3_finalize(statement);
    }
    sqlite3_close_v2(db);
    return value;
}

inline bool execute(const QString& path, const char* sql) {
    sqlite3* db = nullptr;
    bool ok = sqlite3_open(path.toUtf8().constData(), &db) == SQLITE_OK &&
              sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close_v2(db);
    return ok;
}

class SearchIndexFixture {
public:
    SearchIndexFixture() : path(directory.filePath(QStringLiteral("data/clipboard_search.sqlite"))) {}

    SQLiteClipboardSearchIndexStore& open(SQLiteClipboardSearchIndexStore::Environment environment = {}) {
        if (!environment.now) {
            environment.now = [this] { return now; };
        }
        store = std::make_unique<SQLiteClipboardSearchIndexStore>(path, defaults, environment);
        return *store;
    }

    QTemporaryDir directory;
    QString path;
    InMemoryDefaultsStore defaults;
    QDateTime now = searchTestEpoch.addDays(30);
    std::unique_ptr<SQLiteClipboardSearchIndexStore> store;
};

} // namespace quellpad::test
