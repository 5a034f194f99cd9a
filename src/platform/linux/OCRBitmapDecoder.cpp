#include "platform/linux/OCRBitmapDecoder.h"

#include <csetjmp>
#include <cmath>
#include <cstring>
#include <vector>

#include <QBuffer>
#include <QImage>
#include <QImageReader>

#include <png.h>

#include "Core/Utilities/Logger.h"

namespace quellpad {

namespace {

const QString logCategory = QStringLiteral("ClipboardOCR");

// A grey value with its alpha put over white.
inline uchar overWhite(uchar grey, uchar alpha) {
    return static_cast<uchar>((grey * alpha + 255 * (255 - alpha) + 127) / 255);
}

QImage greyOnWhite(const QImage& image) {
    if (!image.hasAlphaChannel()) {
        return image.convertToFormat(QImage::Format_Grayscale8);
    }
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    QImage grey(argb.size(), QImage::Format_Grayscale8);
    for (int y = 0; y < argb.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        uchar* out = grey.scanLine(y);
        for (int x = 0; x < argb.width(); ++x) {
            out[x] = overWhite(static_cast<uchar>(qGray(in[x])), static_cast<uchar>(qAlpha(in[x])));
        }
    }
    return grey;
}

// Averages boxes of factor x factor pixels into one grey pixel, one input row at a time.
class BoxReducer {
public:
    bool begin(int width, int height, int channels, int factor) {
        width_ = width;
        height_ = height;
        channels_ = channels;
        factor_ = factor;
        image = QImage((width + factor - 1) / factor, (height + factor - 1) / factor, QImage::Format_Grayscale8);
        if (image.isNull()) {
            return false;
        }
        sums_.assign(static_cast<size_t>(image.width()), 0);
        return true;
    }

    void addRow(const uchar* row) {
        for (int x = 0; x < width_; ++x) {
            const uchar value = channels_ == 2 ? overWhite(row[2 * x], row[2 * x + 1]) : row[x];
            sums_[static_cast<size_t>(x / factor_)] += value;
        }
        ++rowsInBand_;
        ++rowsRead_;
        if (rowsInBand_ == factor_ || rowsRead_ == height_) {
            uchar* out = image.scanLine((rowsRead_ - 1) / factor_);
            for (int i = 0; i < image.width(); ++i) {
                const qint64 columns = std::min(factor_, width_ - i * factor_);
                out[i] = static_cast<uchar>(sums_[static_cast<size_t>(i)] / static_cast<quint64>(columns * rowsInBand_));
            }
            std::fill(sums_.begin(), sums_.end(), 0);
            rowsInBand_ = 0;
        }
    }

    std::vector<png_byte> row;
    QImage image;

private:
    int width_ = 0;
    int height_ = 0;
    int channels_ = 1;
    int factor_ = 1;
    int rowsInBand_ = 0;
    int rowsRead_ = 0;
    std::vector<quint64> sums_;
};

struct MemoryReader {
    const png_byte* data;
    size_t size;
    size_t offset;
};

void readFromMemory(png_structp png, png_bytep out, size_t length) {
    auto* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
    if (reader->size - reader->offset < length) {
        png_error(png, "truncated PNG data");
    }
    std::memcpy(out, reader->data + reader->offset, length);
    reader->offset += length;
}

void ignoreWarning(png_structp, png_const_charp) {}

void failRead(png_structp png, png_const_charp) { png_longjmp(png, 1); }

// libpng reports errors by longjmp back into this frame: it keeps only trivially
// destructible locals, and everything it fills lives in `reducer` (the caller's frame).
bool readPngReduced(MemoryReader* reader, BoxReducer* reducer, int factor) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, failRead, ignoreWarning);
    if (png == nullptr) {
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, reader, readFromMemory);
    png_read_info(png, info);
    // Interlaced rows arrive complete only after the last pass; such an image this
    // large is not worth holding whole.
    if (png_get_interlace_type(png, info) != PNG_INTERLACE_NONE) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_expand(png);
    png_set_strip_16(png);
    if ((png_get_color_type(png, info) & PNG_COLOR_MASK_COLOR) != 0) {
        png_set_rgb_to_gray_fixed(png, 1, -1, -1);
    }
    png_read_update_info(png, info);
    const int width = static_cast<int>(png_get_image_width(png, info));
    const int height = static_cast<int>(png_get_image_height(png, info));
    const int channels = png_get_channels(png, info);
    if (width <= 0 || height <= 0 || (channels != 1 && channels != 2) ||
        !reducer->begin(width, height, channels, factor)) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    reducer->row.resize(png_get_rowbytes(png, info));
    for (int y = 0; y < height; ++y) {
        png_read_row(png, reducer->row.data(), nullptr);
        reducer->addRow(reducer->row.data());
    }
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

std::optional<QImage> decodeLargePng(const QByteArray& encoded, QSize original, QSize target) {
    const int factor = static_cast<int>(std::ceil(std::max(double(original.width()) / target.width(),
                                                           double(original.height()) / target.height())));
    MemoryReader reader{reinterpret_cast<const png_byte*>(encoded.constData()), static_cast<size_t>(encoded.size()), 0};
    BoxReducer reducer;
    if (!readPngReduced(&reader, &reducer, std::max(1, factor))) {
        return std::nullopt;
    }
    return reducer.image;
}

} // namespace

QSize OCRBitmapDecoder::targetSize(QSize original, const OCRBitmapLimits& limits) {
    if (original.isEmpty()) {
        return original;
    }
    const double pixels = double(original.width()) * double(original.height());
    const double scale = std::min({1.0, std::sqrt(double(limits.maxPixels) / pixels),
                                   double(limits.maxSide) / std::max(original.width(), original.height())});
    if (scale >= 1.0) {
        return original;
    }
    return {std::max(1, static_cast<int>(original.width() * scale)),
            std::max(1, static_cast<int>(original.height() * scale))};
}

std::optional<TextRecognitionBitmap> OCRBitmapDecoder::decode(const QByteArray& encoded, const OCRBitmapLimits& limits) {
    if (encoded.isEmpty()) {
        return std::nullopt;
    }
    QBuffer buffer;
    buffer.setData(encoded);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize original = reader.size();
    const QSize target = targetSize(original, limits);
    const bool fullDecodeTooLarge =
        original.isValid() && qint64(original.width()) * original.height() * 4 > limits.maxFullDecodeBytes;
    QImage image;
    if (fullDecodeTooLarge) {
        if (reader.format() != "png") {
            Logger::warning(QStringLiteral("Image of %1x%2 is too large to decode for OCR")
                                .arg(original.width())
                                .arg(original.height()),
                            logCategory);
            return std::nullopt;
        }
        std::optional<QImage> reduced = decodeLargePng(encoded, original, target);
        if (!reduced) {
            return std::nullopt;
        }
        image = std::move(*reduced);
    } else {
        if (target != original) {
            reader.setScaledSize(target);
        }
        image = reader.read();
        if (image.isNull()) {
            return std::nullopt;
        }
        // Formats that cannot tell their size up front are scaled after decoding.
        if (const QSize fitted = targetSize(image.size(), limits); fitted != image.size()) {
            image = image.scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        }
    }
    if (image.size() != original && original.isValid()) {
        Logger::info(QStringLiteral("Scaled a %1x%2 image to %3x%4 for OCR")
                         .arg(original.width())
                         .arg(original.height())
                         .arg(image.width())
                         .arg(image.height()),
                     logCategory);
    }
    return TextRecognitionBitmap{greyOnWhite(image), original.isValid() ? original : image.size()};
}

} // namespace quellpad
