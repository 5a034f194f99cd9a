// Image bytes another application offered: format sniffing, the capture codec and
// the decoder that prepares images for text recognition.
#include <cstddef>
#include <cstdint>

#include <QImageReader>

#include "FuzzSupport.h"
#include "capture/ClipboardImageFormat.h"
#include "platform/QtImageCodec.h"
#include "platform/linux/OCRBitmapDecoder.h"

using namespace quellpad;

namespace {

// Smaller than the application's limits so that each input stays fast; the limits
// themselves are what is exercised.
constexpr int allocationLimitMegabytes = 32;

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzz::startQt(argc, argv);
    QImageReader::setAllocationLimit(allocationLimitMegabytes);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    (void)imageFormatName(sniffImageFormat(bytes));

    QtImageCodec codec;
    const std::optional<QSize> pixels = codec.pixelSize(bytes);
    if (pixels) {
        FUZZ_CHECK(pixels->width() > 0 && pixels->height() > 0);
        if (qint64(pixels->width()) * pixels->height() <= 512 * 512) {
            if (const std::optional<QByteArray> png = codec.pngData(bytes)) {
                FUZZ_CHECK(sniffImageFormat(*png) == ClipboardImageFormat::png);
                FUZZ_CHECK(codec.pixelSize(*png) == pixels);
            }
        }
    }

    OCRBitmapLimits limits;
    limits.maxPixels = 256 * 256;
    limits.maxSide = 1024;
    limits.maxFullDecodeBytes = qint64(allocationLimitMegabytes) * 1024 * 1024;
    if (const std::optional<TextRecognitionBitmap> bitmap = OCRBitmapDecoder::decode(bytes, limits)) {
        const QSize shown = bitmap->image.size();
        FUZZ_CHECK(!bitmap->image.isNull());
        FUZZ_CHECK(qint64(shown.width()) * shown.height() <= limits.maxPixels);
        FUZZ_CHECK(shown.width() <= limits.maxSide && shown.height() <= limits.maxSide);
        FUZZ_CHECK(bitmap->image.format() == QImage::Format_Grayscale8);
    }
    return 0;
}
