// Recognises an encoded image's format from its leading bytes.
#pragma once

#include <QByteArray>
#include <QString>

namespace quellpad {

enum class ClipboardImageFormat { png, jpeg, gif, webp, tiff, bmp, pdf, unknown };

// Signatures are checked in the enum's order: PNG, JPEG, GIF, WebP, TIFF, BMP, PDF.
ClipboardImageFormat sniffImageFormat(const QByteArray& leadingBytes);
// "png", "jpeg", ..., "unknown".
QString imageFormatName(ClipboardImageFormat format);
// The usual file extension for an encoded image ("jpg" for JPEG); an unknown format is
// saved as PNG, so "png".
QString imageFileExtension(const QByteArray& imageData);

} // namespace quellpad
