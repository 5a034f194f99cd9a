#include "Core/Utilities/SQLiteDatabase.h"

#include <sqlite3.h>

#include "Core/Utilities/Logger.h"
#include "Core/Utilities/PrivateFiles.h"

namespace quellpad {

SQLiteError::SQLiteError(int code, const QString& description)
    : std::runtime_error(description.toStdString()), code_(code) {}

bool SQLiteError::isCorruption() const {
    const int primary = code_ & 0xff;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

SQLiteDatabase::SQLiteDatabase(const QString& path, Mode mode, int busyTimeoutMs) {
    // SQLite would create the file (and later its -wal/-shm, which copy its mode)
    // readable by everyone the umask allows.
    if (mode == Mode::readWriteCreate && !path.isEmpty() && !path.startsWith(QLatin1Char(':')) &&
        !path.startsWith(QStringLiteral("file:"))) {
        if (std::optional<QString> error = PrivateFiles::createFile(path)) {
            throw SQLiteError(SQLITE_CANTOPEN, QStringLiteral("Could not open ") + path + QStringLiteral(": ") + *error);
        }
    }
    const int flags = (mode == Mode::readOnly ? SQLITE_OPEN_READONLY : (SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE)) |
                      SQLITE_OPEN_NOMUTEX;
    const int status = sqlite3_open_v2(path.toUtf8().constData(), &db_, flags, nullptr);
    if (status != SQLITE_OK) {
        const QString message = db_ != nullptr ? QString::fromUtf8(sqlite3_errmsg(db_)) : QStringLiteral("out of memory");
        sqlite3_close_v2(db_);
        db_ = nullptr;
        throw SQLiteError(status, QStringLiteral("Could not open ") + path + QStringLiteral(": ") + message);
    }
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_timeout(db_, busyTimeoutMs);
}

SQLiteDatabase::~SQLiteDatabase() {
    // close_v2 defers the close until every statement is finalised, so it cannot leak.
    sqlite3_close_v2(db_);
}

void SQLiteDatabase::fail(int code, const QString& context) const {
    throw SQLiteError(code, context + QStringLiteral(": ") + lastErrorMessage());
}

void SQLiteDatabase::execute(const char* sql) {
    char* error = nullptr;
    const int status = sqlite3_exec(db_, sql, nullptr, nullptr, &error);
    if (status != SQLITE_OK) {
        const QString message = error != nullptr ? QString::fromUtf8(error) : lastErrorMessage();
        sqlite3_free(error);
        throw SQLiteError(status, message);
    }
}

qint64 SQLiteDatabase::lastInsertRowId() const { return sqlite3_last_insert_rowid(db_); }
int SQLiteDatabase::changes() const { return sqlite3_changes(db_); }
QString SQLiteDatabase::lastErrorMessage() const { return QString::fromUtf8(sqlite3_errmsg(db_)); }

SQLiteStatement::SQLiteStatement(SQLiteDatabase& database, const char* sql) : database_(database) {
    const int status = sqlite3_prepare_v2(database.handle(), sql, -1, &statement_, nullptr);
    if (status != SQLITE_OK) {
        database.fail(status, QStringLiteral("Could not prepare statement"));
    }
}

SQLiteStatement::~SQLiteStatement() { sqlite3_finalize(statement_); }

SQLiteStatement& SQLiteStatement::bind(int index, const QString& value) {
    // SQLITE_TRANSIENT copies the bytes, so the temporary UTF-8 buffer may go away.
    const QByteArray utf8 = value.toUtf8();
    const int status = sqlite3_bind_text64(statement_, index, utf8.constData(), static_cast<sqlite3_uint64>(utf8.size()),
                                           SQLITE_TRANSIENT, SQLITE_UTF8);
    if (status != SQLITE_OK) {
        database_.fail(status, QStringLiteral("Could not bind text"));
    }
    return *this;
}

SQLiteStatement& SQLiteStatement::bind(int index, const std::optional<QString>& value) {
    return value ? bind(index, *value) : bindNull(index);
}

SQLiteStatement& SQLiteStatement::bind(int index, qint64 value) {
    const int status = sqlite3_bind_int64(statement_, index, value);
    if (status != SQLITE_OK) {
        database_.fail(status, QStringLiteral("Could not bind integer"));
    }
    return *this;
}

SQLiteStatement& SQLiteStatement::bind(int index, const std::optional<qint64>& value) {
    return value ? bind(index, *value) : bindNull(index);
}

SQLiteStatement& SQLiteStatement::bindBlob(int index, const QByteArray& value) {
    const int status = sqlite3_bind_blob64(statement_, index, value.constData(),
                                           static_cast<sqlite3_uint64>(value.size()), SQLITE_TRANSIENT);
    if (status != SQLITE_OK) {
        database_.fail(status, QStringLiteral("Could not bind blob"));
    }
    return *this;
}

SQLiteStatement& SQLiteStatement::bindBlob(int index, const std::optional<QByteArray>& value) {
    return value ? bindBlob(index, *value) : bindNull(index);
}

SQLiteStatement& SQLiteStatement::bindNull(int index) {
    sqlite3_bind_null(statement_, index);
    return *this;
}

bool SQLiteStatement::step() {
    const int status = sqlite3_step(statement_);
    if (status == SQLITE_ROW) {
        return true;
    }
    if (status == SQLITE_DONE) {
        return false;
    }
    database_.fail(status, QStringLiteral("Statement failed"));
}

void SQLiteStatement::run() {
    while (step()) {
    }
}

void SQLiteStatement::reset() {
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
}

bool SQLiteStatement::isNull(int column) const { return sqlite3_column_type(statement_, column) == SQLITE_NULL; }
qint64 SQLiteStatement::int64(int column) const { return sqlite3_column_int64(statement_, column); }
double SQLiteStatement::real(int column) const { return sqlite3_column_double(statement_, column); }

QString SQLiteStatement::text(int column) const {
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
    return QString::fromUtf8(bytes, sqlite3_column_bytes(statement_, column));
}

std::optional<QString> SQLiteStatement::optionalText(int column) const {
    return isNull(column) ? std::nullopt : std::optional<QString>(text(column));
}

QByteArray SQLiteStatement::blob(int column) const {
    const void* bytes = sqlite3_column_blob(statement_, column);
    return QByteArray(static_cast<const char*>(bytes), sqlite3_column_bytes(statement_, column));
}

std::optional<QByteArray> SQLiteStatement::optionalBlob(int column) const {
    return isNull(column) ? std::nullopt : std::optional<QByteArray>(blob(column));
}

SQLiteTransaction::SQLiteTransaction(SQLiteDatabase& database) : database_(database) {
    database_.execute("BEGIN IMMEDIATE");
}

SQLiteTransaction::~SQLiteTransaction() {
    if (!finished_) {
        try {
            database_.execute("ROLLBACK");
        } catch (const SQLiteError& error) {
            Logger::error(QStringLiteral("Rollback failed: ") + error.description(), QStringLiteral("SQLite"));
        }
    }
}

void SQLiteTransaction::commit() {
    database_.execute("COMMIT");
    finished_ = true;
}

} // namespace quellpad
