#include "capture/ClipboardPayloadReader.h"

#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QUrl>

#include "Core/Utilities/Logger.h"
#include "Core/Utilities/TextUtilities.h"
#include "capture/ClipboardImageFormat.h"
#include "capture/ClipboardRichTextPlainText.h"
#include "platform/ImageCodec.h"
#include "platform/Pasteboard.h"

namespace quellpad {

namespace {

const QString logCategory = QStringLiteral("ClipboardMonitor");
constexpr qint64 hintMaxBytes = 64;
constexpr qint64 sniffBytes = 16;
constexpr int minimumImageSide = 2;

bool isAtLeastTwoByTwo(const std::optional<QSize>& size) {
    return size && size->width() >= minimumImageSide && size->height() >= minimumImageSide;
}

// Local paths of the file URLs among URI lines ("#" lines are comments).
QStringList localPaths(const QList<QByteArray>& lines) {
    QStringList paths;
    for (const QByteArray& raw : lines) {
        const QByteArray line = raw.trimmed();
        if (line.isEmpty() || line.startsWith('#')) {
            continue;
        }
        const QUrl url = QUrl::fromEncoded(line, QUrl::StrictMode);
        if (url.isValid() && url.isLocalFile()) {
            paths.append(url.toLocalFile());
        }
    }
    return paths;
}

} // namespace

ClipboardPayloadReader::ClipboardPayloadReader(Pasteboard& pasteboard, ImageCodec& imageCodec)
    : pasteboard_(pasteboard), imageCodec_(imageCodec) {}

std::optional<QByteArray> ClipboardPayloadReader::read(const QStringList& types, const QString& type,
                                                       qint64 maxBytes, bool* exceeded) {
    if (!types.contains(type)) {
        return std::nullopt;
    }
    const std::optional<PasteboardData> data = pasteboard_.dataForType(type, maxBytes);
    if (!data) {
        return std::nullopt;
    }
    if (data->exceedsLimit) {
        if (exceeded != nullptr) {
            *exceeded = true;
        }
        return std::nullopt;
    }
    return data->bytes;
}

ClipboardPayloadReader::FileList ClipboardPayloadReader::fileURLs(const QStringList& types, qint64 maxBytes) {
    FileList files;
    bool exceeded = false;
    if (const auto uriList = read(types, PasteboardTypes::uriList, maxBytes, &exceeded)) {
        files.paths = localPaths(uriList->split('\n'));
    }
    if (files.paths.isEmpty() && !exceeded) {
        // GNOME file managers: first line "copy" or "cut", then one URI per line.
        if (const auto copied = read(types, PasteboardTypes::gnomeCopiedFiles, maxBytes, &exceeded)) {
            QList<QByteArray> lines = copied->split('\n');
            if (!lines.isEmpty()) {
                lines.removeFirst();
            }
            files.paths = localPaths(lines);
        }
    }
    files.unreadable = exceeded;
    return files;
}

ClipboardPayloadReader::ImageRead ClipboardPayloadReader::readImage(const QStringList& types, qint64 maxBytes,
                                                                    const FileList& files) {
    if (files.unreadable || files.paths.size() > 1) {
        return {};
    }
    if (files.paths.size() == 1) {
        return readImageFile(files.paths.first(), maxBytes);
    }
    return readImageFromPasteboard(types, maxBytes);
}

ClipboardPayloadReader::ImageRead ClipboardPayloadReader::readImageFile(const QString& path, qint64 maxBytes) {
    const QFileInfo info(path);
    if (!info.isFile()) {
        return {};
    }
    static const QMimeDatabase mimeDatabase;
    const QMimeType mime = mimeDatabase.mimeTypeForFile(info);
    if (!mime.name().startsWith(QLatin1String("image/"))) {
        return {};
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    // A file larger than the limit is never read whole.
    if (info.size() > maxBytes) {
        ImageRead result;
        result.oversizeFormat = imageFormatName(sniffImageFormat(file.read(sniffBytes)));
        result.oversizeByteCount = info.size();
        return result;
    }
    if (std::optional<ClipboardImagePayload> payload = imagePayload(file.readAll(), imageCodec_)) {
        return {*payload, std::nullopt, 0};
    }
    return {};
}

std::optional<ClipboardImagePayload> ClipboardPayloadReader::imagePayload(const QByteArray& bytes, ImageCodec& imageCodec) {
    const std::optional<QSize> size = imageCodec.pixelSize(bytes);
    if (!size) {
        return std::nullopt;
    }
    // Known formats are kept byte for byte; anything else decodable is re-encoded.
    if (sniffImageFormat(bytes) != ClipboardImageFormat::unknown) {
        return ClipboardImagePayload{bytes, *size};
    }
    if (auto png = imageCodec.pngData(bytes)) {
        return ClipboardImagePayload{*png, *size};
    }
    if (auto tiff = imageCodec.tiffData(bytes)) {
        return ClipboardImagePayload{*tiff, *size};
    }
    return std::nullopt;
}

ClipboardPayloadReader::ImageRead ClipboardPayloadReader::readImageFromPasteboard(const QStringList& types,
                                                                                  qint64 maxBytes) {
    // An image rendition over the limit is too large whatever else the copy carries.
    auto oversize = [](const PasteboardData& data) {
        ImageRead result;
        result.oversizeFormat = imageFormatName(sniffImageFormat(data.bytes));
        result.oversizeByteCount = data.byteCount;
        return result;
    };
    auto readImageType = [&](const QString& type) -> std::optional<PasteboardData> {
        if (!types.contains(type)) {
            return std::nullopt;
        }
        return pasteboard_.dataForType(type, maxBytes);
    };

    if (const auto png = readImageType(PasteboardTypes::png)) {
        if (png->exceedsLimit) {
            return oversize(*png);
        }
        const std::optional<QSize> size = imageCodec_.pixelSize(png->bytes);
        if (isAtLeastTwoByTwo(size)) {
            return {ClipboardImagePayload{png->bytes, *size}, std::nullopt, 0};
        }
    }
    if (const auto tiff = readImageType(PasteboardTypes::tiff)) {
        if (tiff->exceedsLimit) {
            return oversize(*tiff);
        }
        const std::optional<QSize> size = imageCodec_.pixelSize(tiff->bytes);
        if (isAtLeastTwoByTwo(size)) {
            if (auto png = imageCodec_.pngData(tiff->bytes)) {
                return {ClipboardImagePayload{*png, *size}, std::nullopt, 0};
            }
            // Too large to decode whole: the TIFF itself is a format history keeps.
            return {ClipboardImagePayload{tiff->bytes, *size}, std::nullopt, 0};
        }
    }
    // Any other image type: the first that decodes is the copy's image object.
    for (const QString& type : types) {
        if (!type.startsWith(QLatin1String("image/")) || type == PasteboardTypes::png ||
            type == PasteboardTypes::tiff) {
            continue;
        }
        const auto data = readImageType(type);
        if (!data) {
            continue;
        }
        if (data->exceedsLimit) {
            return oversize(*data);
        }
        const std::optional<QSize> size = imageCodec_.pixelSize(data->bytes);
        if (!size) {
            continue;
        }
        if (!isAtLeastTwoByTwo(size)) {
            return {};
        }
        if (auto png = imageCodec_.pngData(data->bytes)) {
            return {ClipboardImagePayload{*png, *size}, std::nullopt, 0};
        }
        if (auto tiff = imageCodec_.tiffData(data->bytes)) {
            return {ClipboardImagePayload{*tiff, *size}, std::nullopt, 0};
        }
        // Not re-encodable (too large to decode whole) but in a known format: keep it as is.
        if (sniffImageFormat(data->bytes) != ClipboardImageFormat::unknown) {
            return {ClipboardImagePayload{data->bytes, *size}, std::nullopt, 0};
        }
        return {};
    }
    return {};
}

std::optional<ClipboardMonitoredPayload> ClipboardPayloadReader::readText(const QStringList& types, qint64 maxBytes,
                                                                          const FileList& files, bool logs) {
    bool exceeded = false;
    const std::optional<QByteArray> rtf = read(types, PasteboardTypes::rtf, maxBytes, &exceeded);
    const std::optional<QByteArray> html = read(types, PasteboardTypes::html, maxBytes, &exceeded);
    const std::optional<QByteArray> plainBytes = read(types, PasteboardTypes::plainText, maxBytes, &exceeded);

    ClipboardTextPayload payload{QString(), rtf, html};
    if (plainBytes && !plainBytes->isEmpty()) {
        if (const std::optional<QString> decoded = TextUtilities::decodeUtf8(*plainBytes)) {
            payload.plainText = *decoded;
        } else {
            // Keep the copy; the invalid sequences become U+FFFD.
            payload.plainText = QString::fromUtf8(*plainBytes);
            if (logs) {
                Logger::warning(QStringLiteral("Clipboard text was not valid UTF-8; invalid bytes were replaced"),
                                logCategory);
            }
        }
    }
    if (payload.plainText.isEmpty() && !exceeded) {
        QString fromRich;
        if (rtf) {
            fromRich = ClipboardRichTextPlainText::fromRTF(*rtf);
        }
        if (fromRich.isEmpty() && html) {
            fromRich = ClipboardRichTextPlainText::fromHTML(*html);
        }
        if (fromRich.isEmpty()) {
            return std::nullopt;
        }
        payload.plainText = fromRich;
    }
    if (files.any()) {
        // Copied files are never captured as text (their names would be).
        return std::nullopt;
    }
    if (!exceeded && TextUtilities::trimmedWhitespace(payload.plainText).isEmpty()) {
        return std::nullopt;
    }
    const qint64 size = qint64(payload.plainText.toUtf8().size()) + (rtf ? rtf->size() : 0) + (html ? html->size() : 0);
    if (exceeded || size > maxBytes) {
        if (logs) {
            Logger::warning(QStringLiteral("Ignored clipboard item larger than limit"), logCategory);
        }
        return std::nullopt;
    }
    ClipboardMonitoredPayload result{payload, monitorTextFingerprint(payload)};
    return result;
}

std::optional<ClipboardMonitoredPayload> ClipboardPayloadReader::readMonitoredPayload(qint64 maxBytes,
                                                                                      bool textCaptureEnabled,
                                                                                      bool imageCaptureEnabled) {
    const QStringList types = pasteboard_.types();
    if (types.isEmpty()) {
        return std::nullopt;
    }
    const FileList files = fileURLs(types, maxBytes);
    if (imageCaptureEnabled) {
        const ImageRead image = readImage(types, maxBytes, files);
        if (image.oversizeFormat) {
            Logger::warning(QStringLiteral("Ignored clipboard image larger than limit: imageType=%1, actualBytes=%2, "
                                           "maxBytes=%3")
                                .arg(*image.oversizeFormat)
                                .arg(image.oversizeByteCount)
                                .arg(maxBytes),
                            logCategory);
            return std::nullopt;
        }
        if (image.image && !image.image->imageData.isEmpty()) {
            if (image.image->imageData.size() > maxBytes) {
                Logger::warning(
                    QStringLiteral("Ignored clipboard image larger than limit: imageType=%1, actualBytes=%2, maxBytes=%3")
                        .arg(imageFormatName(sniffImageFormat(image.image->imageData)))
                        .arg(image.image->imageData.size())
                        .arg(maxBytes),
                    logCategory);
                return std::nullopt;
            }
            return ClipboardMonitoredPayload{*image.image, monitorImageFingerprint(image.image->imageData)};
        }
    }
    if (textCaptureEnabled) {
        return readText(types, maxBytes, files, true);
    }
    return std::nullopt;
}

std::optional<QString> ClipboardPayloadReader::currentFingerprint(qint64 maxBytes) {
    const QStringList types = pasteboard_.types();
    if (types.isEmpty()) {
        return std::nullopt;
    }
    const FileList files = fileURLs(types, maxBytes);
    const ImageRead image = readImage(types, maxBytes, files);
    if (image.image && !image.image->imageData.isEmpty() && image.image->imageData.size() <= maxBytes) {
        return monitorImageFingerprint(image.image->imageData);
    }
    if (image.oversizeFormat || files.any()) {
        return std::nullopt;
    }
    if (const auto text = readText(types, maxBytes, files, false)) {
        return text->fingerprint;
    }
    return std::nullopt;
}

bool ClipboardPayloadReader::carriesSecretHint() {
    const QStringList types = pasteboard_.types();
    if (!types.contains(PasteboardTypes::passwordManagerHint)) {
        return false;
    }
    const std::optional<PasteboardData> hint = pasteboard_.dataForType(PasteboardTypes::passwordManagerHint,
                                                                      hintMaxBytes);
    if (!hint || hint->exceedsLimit) {
        return true;
    }
    return hint->bytes.trimmed() == "secret";
}

} // namespace quellpad
