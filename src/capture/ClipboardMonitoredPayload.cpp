#include "capture/ClipboardMonitoredPayload.h"

#include <QCryptographicHash>

#include "history/ClipboardHistoryRecords.h"

namespace quellpad {

QString monitorTextFingerprint(const ClipboardTextPayload& payload) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    const char zero = 0;
    hash.addData(QByteArrayView("text"));
    hash.addData(payload.plainText.toUtf8());
    hash.addData(QByteArrayView(&zero, 1));
    if (payload.rtfData) {
        hash.addData(*payload.rtfData);
    }
    hash.addData(QByteArrayView(&zero, 1));
    if (payload.htmlData) {
        hash.addData(*payload.htmlData);
    }
    return QString::fromLatin1(hash.result().toHex());
}

QString monitorImageFingerprint(const QByteArray& imageData) { return imageDuplicateFingerprint(imageData); }

} // namespace quellpad
