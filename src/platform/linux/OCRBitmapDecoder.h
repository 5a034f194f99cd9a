// Decodes an image for text recognition into 8-bit grey, scaled down when it is
// larger than recognition should take.
//
// Why scale: the recogniser's memory and time grow with the pixel count, and a
// copied image can be huge (a 20000x20000 PNG compresses to well under the item size
// limit yet is 1.6 GB as pixels). Images over `maxPixels` or `maxSide` are reduced
// to fit; text stays readable down to a few pixels of x-height, which screen text
// keeps at these limits. Images whose full decode would exceed `maxFullDecodeBytes`
// are never decoded whole: PNG (the clipboard's usual format) is read row by row and
// reduced on the fly; other formats that large are refused. Transparent pixels are
// put on white, as a viewer shows them.
#pragma once

#include <optional>

#include <QByteArray>
#include <QSize>

#include "platform/TextRecognitionEngine.h"

namespace quellpad {

struct OCRBitmapLimits {
    qint64 maxPixels = 4096LL * 4096LL;
    int maxSide = 16384;
    // Qt's default allocation limit for a decoded image.
    qint64 maxFullDecodeBytes = 128LL * 1024 * 1024;
};

class OCRBitmapDecoder {
public:
    static std::optional<TextRecognitionBitmap> decode(const QByteArray& encoded, const OCRBitmapLimits& limits = {});

    // The size an image of `original` is recognised at (the original when it fits).
    static QSize targetSize(QSize original, const OCRBitmapLimits& limits = {});
};

} // namespace quellpad
