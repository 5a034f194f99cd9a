// Reading a command's input: a file or standard input, bounded in size, and strict
// UTF-8 for text. Failures print a clear message and return nullopt (exit status 1).
#pragma once

#include <optional>

#include <QByteArray>
#include <QString>

namespace quellpad {

struct CliContext;

// The whole file (or standard input when path is empty or "-"), refusing more than maxBytes.
std::optional<QByteArray> readCliInput(const QString& path, qint64 maxBytes, const CliContext& context);
// The same, decoded as UTF-8; invalid UTF-8 is refused.
std::optional<QString> readCliTextInput(const QString& path, qint64 maxBytes, const CliContext& context);

} // namespace quellpad
