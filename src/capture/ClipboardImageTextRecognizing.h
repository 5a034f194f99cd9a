// Text recognition over an encoded image, used after an image is captured.
#pragma once

#include <QByteArray>
#include <QFuture>
#include <QString>

namespace quellpad {

class ClipboardImageTextRecognizing {
public:
    virtual ~ClipboardImageTextRecognizing() = default;
    // Resolves off the main thread with the recognised text, lines joined by "\n";
    // the empty string when nothing was recognised or recognition failed. Never fails.
    virtual QFuture<QString> recognizeText(const QByteArray& imageData) = 0;
};

} // namespace quellpad
