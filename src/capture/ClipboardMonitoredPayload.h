// One payload read from the clipboard for capture, with the monitor-side fingerprint
// that tells a new copy from the previous one.
#pragma once

#include <optional>
#include <variant>

#include <QByteArray>
#include <QSize>
#include <QString>

namespace quellpad {

struct ClipboardTextPayload {
    QString plainText; // as copied, untrimmed
    std::optional<QByteArray> rtfData;
    std::optional<QByteArray> htmlData;

    bool operator==(const ClipboardTextPayload&) const = default;
};

struct ClipboardImagePayload {
    QByteArray imageData; // the encoded bytes that are stored
    QSize pixelSize;      // feeds the preview

    bool operator==(const ClipboardImagePayload&) const = default;
};

// An image is preferred over text when a copy carries both.
struct ClipboardMonitoredPayload {
    std::variant<ClipboardTextPayload, ClipboardImagePayload> content;
    QString fingerprint;
};

// SHA-256 over "text", the UTF-8 plain text, a zero byte, the RTF bytes, a zero byte
// and the HTML bytes, as 64 lower-case hex digits. Unlike the stored duplicate
// fingerprint it includes the rich renditions.
QString monitorTextFingerprint(const ClipboardTextPayload& payload);
// SHA-256 over the image bytes alone.
QString monitorImageFingerprint(const QByteArray& imageData);

} // namespace quellpad
