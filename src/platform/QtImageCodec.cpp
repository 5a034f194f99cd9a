#include "platform/QtImageCodec.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>

namespace quellpad {

namespace {

// A reader over the bytes; the format is guessed from the content, never from a name.
struct BufferedReader {
    explicit BufferedReader(const QByteArray& encoded) {
        buffer.setData(encoded);
        buffer.open(QIODevice::ReadOnly);
        reader.setDevice(&buffer);
    }
    QBuffer buffer;
    QImageReader reader;
};

std::optional<QImage> decode(const QByteArray& encoded) {
    if (encoded.isEmpty()) {
        return std::nullopt;
    }
    BufferedReader source(encoded);
    // Qt's own allocation limit guards against decompression bombs.
    QImage image = source.reader.read();
    if (image.isNull()) {
        return std::nullopt;
    }
    return image;
}

// The format Qt reads the bytes as ("png", "tiff", ...); empty when it cannot.
QByteArray formatOf(const QByteArray& encoded) {
    if (encoded.isEmpty()) {
        return {};
    }
    BufferedReader source(encoded);
    return source.reader.canRead() ? source.reader.format() : QByteArray();
}

std::optional<QByteArray> encode(const QByteArray& encoded, const char* format) {
    // Already in that format: the original bytes, which need no decoding at all (a
    // 48-megapixel photo would not fit Qt's allocation limit once decoded).
    if (formatOf(encoded) == format) {
        return encoded;
    }
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
    if (encoded.isEmpty()) {
        return std::nullopt;
    }
    // For PNG and JPEG (what photos and screenshots come as) the header's size is the
    // image's, so a picture too large to decode still has one; other formats are
    // decoded, since a GIF's header, for one, gives the canvas, not the image.
    BufferedReader source(encoded);
    if (!source.reader.canRead()) {
        return std::nullopt;
    }
    const QByteArray format = source.reader.format();
    const QSize size = source.reader.size();
    if ((format == "png" || format == "jpeg") && size.isValid() && !size.isEmpty()) {
        return size;
    }
    const std::optional<QImage> image = decode(encoded);
    if (!image) {
        return std::nullopt;
    }
    return image->size();
}

std::optional<QByteArray> QtImageCodec::pngData(const QByteArray& encoded) { return encode(encoded, "png"); }

std::optional<QByteArray> QtImageCodec::tiffData(const QByteArray& encoded) { return encode(encoded, "tiff"); }

} // namespace quellpad
