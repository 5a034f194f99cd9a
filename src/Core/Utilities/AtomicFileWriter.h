// Writes a whole file so that it appears complete or not at all (QSaveFile: a
// temporary beside it, renamed over the target on success).
#pragma once

#include <optional>

#include <QByteArray>
#include <QString>

namespace quellpad::AtomicFileWriter {

// The description of the first failure; nullopt when the file was written.
std::optional<QString> write(const QString& path, const QByteArray& data);

} // namespace quellpad::AtomicFileWriter
