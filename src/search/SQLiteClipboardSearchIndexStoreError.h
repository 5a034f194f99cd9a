// Failures of the search database. Each carries SQLite's own message; the
// description is a fixed English prefix followed by that message.
#pragma once

#include <exception>

#include <QByteArray>
#include <QString>

namespace quellpad {

class SQLiteClipboardSearchIndexStoreError : public std::exception {
public:
    enum class Kind {
        openDatabase, // sqlite3_open failed (or the file is not a usable index)
        execute,      // a statement without results failed
        prepare,      // sqlite3_prepare_v2 failed
        step,         // a step returned neither a row nor done
    };

    inline static const QString unknownMessage = QStringLiteral("Unknown SQLite error");

    SQLiteClipboardSearchIndexStoreError(Kind kind, QString message);
    // With SQLite's (extended) result code, so that callers can tell a busy database.
    SQLiteClipboardSearchIndexStoreError(Kind kind, QString message, int sqliteCode);

    Kind kind() const { return kind_; }
    int sqliteCode() const { return sqliteCode_; }
    // Another connection held the lock longer than the busy timeout; worth retrying.
    bool isBusy() const;
    // SQLite found the file damaged or not a database at all (SQLITE_CORRUPT,
    // SQLITE_NOTADB); the store sets such a file aside.
    bool isCorruption() const;
    const QString& message() const { return message_; }
    QString description() const;
    const char* what() const noexcept override { return what_.constData(); }

private:
    Kind kind_;
    QString message_;
    QByteArray what_;
    int sqliteCode_ = 0;
};

// The parent directory of the database could not be created.
class ClipboardSearchIndexDirectoryError : public std::exception {
public:
    explicit ClipboardSearchIndexDirectoryError(QString description);
    const QString& description() const { return description_; }
    const char* what() const noexcept override { return what_.constData(); }

private:
    QString description_;
    QByteArray what_;
};

} // namespace quellpad
