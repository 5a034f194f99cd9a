// Image decoding and encoding for capture: pixel sizes, PNG re-encoding and the TIFF
// rendition used when PNG encoding fails.
#pragma once

#include <optional>

#include <QByteArray>
#include <QSize>

namespace quellpad {

class ImageCodec {
public:
    virtual ~ImageCodec() = default;

    // Pixel size of the encoded image; nullopt when the bytes do not decode.
    virtual std::optional<QSize> pixelSize(const QByteArray& encoded) = 0;
    // The image re-encoded as PNG; nullopt when it does not decode or encode.
    virtual std::optional<QByteArray> pngData(const QByteArray& encoded) = 0;
    // The image re-encoded as TIFF; nullopt when that is not possible.
    virtual std::optional<QByteArray> tiffData(const QByteArray& encoded) = 0;
};

} // namespace quellpad
