// Screenshot-like test images: dark text drawn with a real font on a light background.
#pragma once

#include <cstring>
#include <vector>

#include <QBuffer>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QStringList>

namespace quellpad::test {

inline QImage renderedText(const QStringList& lines, const QString& family = QStringLiteral("DejaVu Sans"),
                           int pixelSize = 22, QSize size = QSize(1200, 400), QImage::Format format = QImage::Format_RGB32) {
    QImage image(size, format);
    image.fill(format == QImage::Format_ARGB32 ? QColor(Qt::transparent) : QColor(250, 250, 250));
    QPainter painter(&image);
    QFont font(family);
    font.setPixelSize(pixelSize);
    painter.setFont(font);
    painter.setPen(QColor(30, 30, 30));
    int y = 40 + pixelSize;
    for (const QString& line : lines) {
        painter.drawText(40, y, line);
        y += pixelSize * 2;
    }
    return image;
}

inline QByteArray encoded(const QImage& image, const char* format = "png") {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

} // namespace quellpad::test

#include <png.h>

namespace quellpad::test {

// A white 8-bit grey PNG of any size with `band` drawn at row `top`, written row by
// row so that the test never holds the whole image.
inline QByteArray hugeGreyPng(int width, int height, const QImage& band, int top) {
    QByteArray out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(
        png, &out, [](png_structp p, png_bytep data, size_t length) {
            static_cast<QByteArray*>(png_get_io_ptr(p))->append(reinterpret_cast<const char*>(data), qsizetype(length));
        },
        nullptr);
    png_set_compression_level(png, 1);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const QImage grey = band.convertToFormat(QImage::Format_Grayscale8);
    std::vector<png_byte> row(static_cast<size_t>(width));
    for (int y = 0; y < height; ++y) {
        std::fill(row.begin(), row.end(), png_byte(255));
        if (y >= top && y < top + grey.height()) {
            std::memcpy(row.data(), grey.constScanLine(y - top), static_cast<size_t>(std::min(width, grey.width())));
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

// The CRC of a PNG chunk (type and data), to forge headers that pass the checksum.
inline quint32 pngCrc(const QByteArray& typeAndData) {
    quint32 crc = 0xffffffffu;
    for (const char byte : typeAndData) {
        crc ^= static_cast<quint8>(byte);
        for (int k = 0; k < 8; ++k) {
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
        }
    }
    return crc ^ 0xffffffffu;
}

} // namespace quellpad::test
