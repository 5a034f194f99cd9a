// Reads the one payload a copy is captured as: an image before text, file copies
// only as a single image file, everything under a byte limit that is checked before
// anything is hashed. Also gives the fingerprint of what the clipboard holds now
// (for re-baselining) and recognises copies that password managers mark secret.
#pragma once

#include <optional>

#include <QStringList>

#include "capture/ClipboardMonitoredPayload.h"

namespace quellpad {

class ImageCodec;
class Pasteboard;

class ClipboardPayloadReader {
public:
    // Both must outlive the reader.
    ClipboardPayloadReader(Pasteboard& pasteboard, ImageCodec& imageCodec);

    // The payload to capture, or nullopt (nothing capturable, switched off, too large:
    // the last two are logged).
    std::optional<ClipboardMonitoredPayload> readMonitoredPayload(qint64 maxBytes, bool textCaptureEnabled,
                                                                  bool imageCaptureEnabled);

    // Fingerprint of the current content, image first, with both kinds enabled and
    // nothing logged. maxBytes bounds what is read: larger content has no fingerprint.
    std::optional<QString> currentFingerprint(qint64 maxBytes);

    // True when the copy carries the password-manager hint "secret", or carries the
    // hint but it cannot be read (treated as secret rather than risk storing one).
    bool carriesSecretHint();

    // An image file's bytes as they are stored: kept when the format is recognised,
    // else re-encoded as PNG (or TIFF); nullopt when they do not decode.
    static std::optional<ClipboardImagePayload> imagePayload(const QByteArray& bytes, ImageCodec& imageCodec);

private:
    struct ImageRead {
        std::optional<ClipboardImagePayload> image;
        // Set when an image was found whose bytes exceed the limit.
        std::optional<QString> oversizeFormat;
        qint64 oversizeByteCount = 0;
    };
    // nullopt when the file list itself is too large to read (treated as many files).
    struct FileList {
        QStringList paths;
        bool unreadable = false;
        bool any() const { return unreadable || !paths.isEmpty(); }
    };

    FileList fileURLs(const QStringList& types, qint64 maxBytes);
    ImageRead readImage(const QStringList& types, qint64 maxBytes, const FileList& files);
    ImageRead readImageFile(const QString& path, qint64 maxBytes);
    ImageRead readImageFromPasteboard(const QStringList& types, qint64 maxBytes);
    std::optional<ClipboardMonitoredPayload> readText(const QStringList& types, qint64 maxBytes,
                                                      const FileList& files, bool logs);
    std::optional<QByteArray> read(const QStringList& types, const QString& type, qint64 maxBytes,
                                   bool* exceeded);

    Pasteboard& pasteboard_;
    ImageCodec& imageCodec_;
};

} // namespace quellpad
