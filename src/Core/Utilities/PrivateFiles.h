// Owner-only files and directories: clipboard history holds passwords and other
// secrets, so nothing we create may be readable by other local users whatever the
// umask says. SQLite gives its -wal and -shm files the mode of the database file, so
// a database created 0600 keeps its companions 0600 too.
#pragma once

#include <optional>

#include <QString>

namespace quellpad::PrivateFiles {

inline constexpr unsigned directoryMode = 0700;
inline constexpr unsigned fileMode = 0600;

// mkdir -p that creates each missing directory 0700. Returns a description on failure
// (also when the path exists and is not a directory).
std::optional<QString> createDirectories(const QString& path);

// Creates an empty file 0600 when nothing exists at the path; an existing file is left
// alone. Returns a description on failure.
std::optional<QString> createFile(const QString& path);

// What restrict() did to one path.
struct Restriction {
    unsigned oldMode = 0;
    unsigned newMode = 0;
};

// Clears the group and other bits of an existing file or directory that has any
// (symbolic links are not followed). Returns the change made, nullopt when the path
// is missing or already private; a failed chmod is reported as the error string.
std::optional<Restriction> restrict(const QString& path, QString* error = nullptr);

// Mode bits (permissions only) of an existing path, nullopt when it cannot be read.
std::optional<unsigned> mode(const QString& path);

// "0755" style.
QString formatMode(unsigned mode);

} // namespace quellpad::PrivateFiles
