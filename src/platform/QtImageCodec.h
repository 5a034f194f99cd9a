// ImageCodec over Qt's image readers and writers (PNG, JPEG, GIF, BMP built in; TIFF
// and WebP when the image-format plugins are installed). Works without a display.
// Sizes come from the image header, so an image too large to decode whole within
// Qt's allocation limit (a 48-megapixel photo) is still measured and kept as it is.
#pragma once

#include "platform/ImageCodec.h"

namespace quellpad {

class QtImageCodec final : public ImageCodec {
public:
    std::optional<QSize> pixelSize(const QByteArray& encoded) override;
    std::optional<QByteArray> pngData(const QByteArray& encoded) override;
    std::optional<QByteArray> tiffData(const QByteArray& encoded) override;
};

} // namespace quellpad
