#include "capture/ClipboardImageFormat.h"

namespace quellpad {

ClipboardImageFormat sniffImageFormat(const QByteArray& b) {
    static const QByteArray pngSignature("\x89PNG\r\n\x1a\n", 8);
    if (b.size() >= 8 && b.startsWith(pngSignature)) {
        return ClipboardImageFormat::png;
    }
    if (b.size() >= 3 && b.startsWith(QByteArray("\xFF\xD8\xFF", 3))) {
        return ClipboardImageFormat::jpeg;
    }
    if (b.size() >= 3 && b.startsWith("GIF")) {
        return ClipboardImageFormat::gif;
    }
    if (b.size() >= 12 && b.startsWith("RIFF") && b.mid(8, 4) == "WEBP") {
        return ClipboardImageFormat::webp;
    }
    if (b.size() >= 2 && (b.startsWith("II") || b.startsWith("MM"))) {
        return ClipboardImageFormat::tiff;
    }
    if (b.size() >= 2 && b.startsWith("BM")) {
        return ClipboardImageFormat::bmp;
    }
    if (b.size() >= 4 && b.startsWith("%PDF")) {
        return ClipboardImageFormat::pdf;
    }
    return ClipboardImageFormat::unknown;
}

QString imageFormatName(ClipboardImageFormat format) {
    switch (format) {
    case ClipboardImageFormat::png: return QStringLiteral("png");
    case ClipboardImageFormat::jpeg: return QStringLiteral("jpeg");
    case ClipboardImageFormat::gif: return QStringLiteral("gif");
    case ClipboardImageFormat::webp: return QStringLiteral("webp");
    case ClipboardImageFormat::tiff: return QStringLiteral("tiff");
    case ClipboardImageFormat::bmp: return QStringLiteral("bmp");
    case ClipboardImageFormat::pdf: return QStringLiteral("pdf");
    case ClipboardImageFormat::unknown: break;
    }
    return QStringLiteral("unknown");
}

QString imageFileExtension(const QByteArray& imageData) {
    const ClipboardImageFormat format = sniffImageFormat(imageData.left(64));
    if (format == ClipboardImageFormat::unknown) return QStringLiteral("png");
    if (format == ClipboardImageFormat::jpeg) return QStringLiteral("jpg");
    return imageFormatName(format);
}

} // namespace quellpad
