// The X11 side of the pasteboard contract: the test display with xclip as the other client.
#include <QStandardPaths>

#include "platform/linux/ClipboardPeer.h"
#include "platform/linux/X11Pasteboard.h"
#include "support/X11TestSupport.h"

namespace quellpad::test {
namespace {

QString targetFor(const QString& type) {
    return type.isEmpty() || type == QLatin1String("text/plain") ? QStringLiteral("UTF8_STRING") : type;
}

class X11Peer final : public ClipboardPeer {
public:
    std::unique_ptr<Pasteboard> openPasteboard(QString* error) override { return X11Pasteboard::open(error); }
    bool copy(const QByteArray& bytes, const QString& type) override { return xclipCopy(bytes, targetFor(type)); }
    QByteArray paste(const QString& type) override { return xclipPaste(targetFor(type)); }
    bool takeSelectionSilently() override {
        hungOwner_ = std::make_unique<ScriptedSelectionOwner>(std::map<QByteArray, QByteArray>{{"UTF8_STRING", "never sent"}},
                                                              false);
        return true;
    }
    bool offersTypesUpFront() const override { return false; }

private:
    DisplayLock lock_; // the CLIPBOARD is the display's, shared with other test processes
    std::unique_ptr<ScriptedSelectionOwner> hungOwner_;
};

} // namespace

std::unique_ptr<ClipboardPeer> makeX11Peer(QString* missing) {
    if (!hasDisplay()) {
        *missing = QStringLiteral("DISPLAY is not set");
        return nullptr;
    }
    if (QStandardPaths::findExecutable(QStringLiteral("xclip")).isEmpty()) {
        *missing = QStringLiteral("xclip is not installed");
        return nullptr;
    }
    return std::make_unique<X11Peer>();
}

} // namespace quellpad::test
