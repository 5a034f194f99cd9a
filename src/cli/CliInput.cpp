#include "cli/CliInput.h"

#include <QFile>

#include "Core/Utilities/TextUtilities.h"
#include "localization/Localizer.h"
#include "cli/CliCommand.h"

namespace quellpad {

std::optional<QByteArray> readCliInput(const QString& path, qint64 maxBytes, const CliContext& context) {
    QFile file;
    const bool fromStandardInput = path.isEmpty() || path == QStringLiteral("-");
    const bool opened = fromStandardInput ? file.open(stdin, QIODevice::ReadOnly) : (file.setFileName(path), file.open(QIODevice::ReadOnly));
    if (!opened) {
        printError(context.localizer.text(TextKey::cliCannotReadFile, {path, file.errorString()}));
        return std::nullopt;
    }
    // Read until end of input, but at most one byte past the limit so that "too large"
    // is known without reading everything. A pipe hands data over in pieces, so a
    // short read is not the end; only an empty one is.
    QByteArray bytes;
    while (bytes.size() <= maxBytes) {
        const QByteArray chunk = file.read(std::min<qint64>(1 << 20, maxBytes + 1 - bytes.size()));
        if (chunk.isEmpty()) {
            break;
        }
        bytes += chunk;
    }
    if (file.error() != QFileDevice::NoError) {
        printError(context.localizer.text(TextKey::cliCannotReadFile,
                                          {fromStandardInput ? QStringLiteral("-") : path, file.errorString()}));
        return std::nullopt;
    }
    if (bytes.size() > maxBytes) {
        printError(context.localizer.text(TextKey::cliInputTooLarge, {QString::number(maxBytes / 1048576)}));
        return std::nullopt;
    }
    return bytes;
}

std::optional<QString> readCliTextInput(const QString& path, qint64 maxBytes, const CliContext& context) {
    const std::optional<QByteArray> bytes = readCliInput(path, maxBytes, context);
    if (!bytes) {
        return std::nullopt;
    }
    std::optional<QString> text = TextUtilities::decodeUtf8(*bytes);
    if (!text) {
        printError(context.localizer.text(TextKey::cliInvalidUtf8Input));
    }
    return text;
}

} // namespace quellpad
