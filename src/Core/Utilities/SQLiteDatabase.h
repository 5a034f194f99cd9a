// Thin RAII layer over the SQLite C API: a connection, prepared statements that are
// always finalised, bound values only (never SQL built from data), and transactions
// that roll back unless committed. Failures throw SQLiteError with SQLite's message.
#pragma once

#include <optional>
#include <stdexcept>

#include <QByteArray>
#include <QString>

struct sqlite3;
struct sqlite3_stmt;

namespace quellpad {

class SQLiteError : public std::runtime_error {
public:
    SQLiteError(int code, const QString& description);
    int code() const { return code_; }
    QString description() const { return QString::fromUtf8(what()); }
    // SQLITE_CORRUPT or SQLITE_NOTADB: the file is damaged or not a database.
    bool isCorruption() const;

private:
    int code_;
};

class SQLiteDatabase {
public:
    enum class Mode { readWriteCreate, readOnly };
    // Opens the file; throws on failure. busyTimeoutMs lets two processes share the file.
    explicit SQLiteDatabase(const QString& path, Mode mode = Mode::readWriteCreate, int busyTimeoutMs = 5000);
    ~SQLiteDatabase();
    SQLiteDatabase(const SQLiteDatabase&) = delete;
    SQLiteDatabase& operator=(const SQLiteDatabase&) = delete;

    sqlite3* handle() const { return db_; }
    // Runs one or more statements without results.
    void execute(const char* sql);
    qint64 lastInsertRowId() const;
    int changes() const;
    QString lastErrorMessage() const;
    [[noreturn]] void fail(int code, const QString& context) const;

private:
    sqlite3* db_ = nullptr;
};

class SQLiteStatement {
public:
    SQLiteStatement(SQLiteDatabase& database, const char* sql);
    ~SQLiteStatement();
    SQLiteStatement(const SQLiteStatement&) = delete;
    SQLiteStatement& operator=(const SQLiteStatement&) = delete;

    // Parameters are 1-based, as in SQLite.
    SQLiteStatement& bind(int index, const QString& value);
    SQLiteStatement& bind(int index, const std::optional<QString>& value);
    SQLiteStatement& bind(int index, qint64 value);
    SQLiteStatement& bind(int index, const std::optional<qint64>& value);
    SQLiteStatement& bindBlob(int index, const QByteArray& value);
    SQLiteStatement& bindBlob(int index, const std::optional<QByteArray>& value);
    SQLiteStatement& bindNull(int index);

    // Advances to the next row: true when a row is available, false when done.
    bool step();
    // Runs a statement that returns no rows.
    void run();
    void reset();

    bool isNull(int column) const;
    qint64 int64(int column) const;
    double real(int column) const;
    QString text(int column) const;
    std::optional<QString> optionalText(int column) const;
    QByteArray blob(int column) const;
    std::optional<QByteArray> optionalBlob(int column) const;

private:
    SQLiteDatabase& database_;
    sqlite3_stmt* statement_ = nullptr;
};

// BEGIN IMMEDIATE on construction; ROLLBACK in the destructor unless commit() ran.
class SQLiteTransaction {
public:
    explicit SQLiteTransaction(SQLiteDatabase& database);
    ~SQLiteTransaction();
    void commit();

private:
    SQLiteDatabase& database_;
    bool finished_ = false;
};

} // namespace quellpad
