#include "platform/QtImageCodec.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>

namespace quellpad {

namespace {

std::optional<QImage> decode(const QByteArray& encoded) {
    if (encoded.isEmpty()) {
        return std::nullopt;
    }
    QBuffer buffer;
    buffer.setData(encoded);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    // Qt's own allocation limit (256 MB) guards against decompression bombs.
    QImage image = reader.read();
    if (image.isNull()) {
        return std::nullopt;
    }
    return image;
}

std::optional<QByteArray> encode(const QByteArray& encoded, const char* format) {
    const std::optional<QImage> image = decode(encoded);
    if (!image) {
        return std::nullopt;
    }
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (!writer.write(*image) || out.isEmpty()) {
        return std::nullopt;
    }
    return out;
}

} // namespace

std::optional<QSize> QtImageCodec::pixelSize(const QByteArray& encoded) {
    const std::optional<QImage> image = decode(encoded);
    if (!image) {
        return std::nullopt;
    }
    return image->size();
}

std::optional<QByteArray> QtImageCodec::pngData(const QByteArray& encoded) { return encode(encoded, "png"); }

std::optional<QByteArray> QtImageCodec::tiffData(const QByteArray& encoded) { return encode(encoded, "tiff"); }

} // namespace quellpad
