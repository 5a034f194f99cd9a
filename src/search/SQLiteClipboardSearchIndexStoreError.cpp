#include "search/SQLiteClipboardSearchIndexStoreError.h"

#include <sqlite3.h>

namespace quellpad {

namespace {
QString prefix(SQLiteClipboardSearchIndexStoreError::Kind kind) {
    switch (kind) {
    case SQLiteClipboardSearchIndexStoreError::Kind::openDatabase:
        return QStringLiteral("Failed to open clipboard search database: ");
    case SQLiteClipboardSearchIndexStoreError::Kind::execute:
        return QStringLiteral("Failed to execute clipboard search SQL: ");
    case SQLiteClipboardSearchIndexStoreError::Kind::prepare:
        return QStringLiteral("Failed to prepare clipboard search SQL: ");
    case SQLiteClipboardSearchIndexStoreError::Kind::step:
        return QStringLiteral("Failed to step clipboard search SQL: ");
    }
    return {};
}
} // namespace

SQLiteClipboardSearchIndexStoreError::SQLiteClipboardSearchIndexStoreError(Kind kind, QString message)
    : kind_(kind), message_(message.isEmpty() ? unknownMessage : std::move(message)),
      what_(description().toUtf8()) {}

SQLiteClipboardSearchIndexStoreError::SQLiteClipboardSearchIndexStoreError(Kind kind, QString message, int sqliteCode)
    : SQLiteClipboardSearchIndexStoreError(kind, std::move(message)) {
    sqliteCode_ = sqliteCode;
}

bool SQLiteClipboardSearchIndexStoreError::isBusy() const {
    const int primary = sqliteCode_ & 0xff;
    return primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
}

bool SQLiteClipboardSearchIndexStoreError::isCorruption() const {
    const int primary = sqliteCode_ & 0xff;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

QString SQLiteClipboardSearchIndexStoreError::description() const { return prefix(kind_) + message_; }

ClipboardSearchIndexDirectoryError::ClipboardSearchIndexDirectoryError(QString description)
    : description_(std::move(description)), what_(description_.toUtf8()) {}

} // namespace quellpad
