// Text recognition over an encoded image, used after an image is captured.
#pragma once

#include <functional>
#include <optional>

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
    // The same, but nullopt when the image was skipped without being looked at (newer
    // images came first, or the recogniser shut down): worth trying again later.
    virtual QFuture<std::optional<QString>> recognizeTextUnlessSkipped(const QByteArray& imageData) = 0;
    // True while no image waits or is being recognised.
    virtual bool isIdle() const = 0;
    // Called on the recogniser's own thread each time it becomes idle.
    virtual void setIdleHandler(std::function<void()> handler) = 0;
};

} // namespace quellpad
