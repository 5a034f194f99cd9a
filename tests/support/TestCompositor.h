// A Wayland compositor inside the test process, for the protocols the test session's Sway
// lacks: a seat without devices, ext-data-control-v1 (and, when asked, the wlr protocol it
// was standardised from, which carries the same messages) and KWin's fake input, which only
// records what it is sent. It serves its own wl_display on its own thread, on a socket in a
// private directory. Stopping it ends every client connection as a crash would; starting it
// again listens on the same path with an empty clipboard.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace quellpad::test {

struct TestCompositorOptions {
    bool extDataControl = true;
    bool wlrDataControl = false;
    bool fakeInput = true;
    uint32_t fakeInputVersion = 5;
    // An offer the selection has moved on from is still served while its owner is there,
    // as KWin does; false closes the pipe at once, as wlroots does.
    bool serveReplacedOffers = true;
};

// One request a client sent to the fake input interface, in arrival order.
struct FakeInputRequest {
    enum class Kind { authenticate, keyboardKey, other };
    Kind kind = Kind::other;
    uint32_t opcode = 0;
    QString application; // authenticate
    QString reason;      // authenticate
    uint32_t key = 0;    // keyboard_key: an evdev code
    uint32_t state = 0;  // keyboard_key: 1 pressed, 0 released
};

class TestCompositor {
public:
    explicit TestCompositor(TestCompositorOptions options = {});
    ~TestCompositor();
    TestCompositor(const TestCompositor&) = delete;
    TestCompositor& operator=(const TestCompositor&) = delete;

    // Listens on socketPath() and serves from a thread of its own; false with the reason.
    bool start(QString* error);
    // Ends every client connection, forgets the clipboard and removes the socket.
    void stop();
    bool isRunning() const;
    // An absolute path, which wl_display_connect takes as it is.
    QByteArray socketPath() const;

    // Sets the clipboard as another client would, with renditions by MIME type served
    // from the compositor; a silent owner never answers a request (a hung application).
    bool setSelection(const std::map<QString, QByteArray>& renditions, bool silent = false);
    // Pastes as another client would: the current selection in type, read to its end;
    // nullopt when nothing is offered in that type or the owner does not answer in time.
    std::optional<QByteArray> readSelection(const QString& type, int timeoutMs = 5000);
    // The MIME types the current selection offers.
    QStringList selectionTypes();

    std::vector<FakeInputRequest> fakeInputRequests() const;

private:
    struct Server;
    TestCompositorOptions options_;
    QTemporaryDir directory_;
    QByteArray socketPath_;
    std::unique_ptr<Server> server_;
};

} // namespace quellpad::test
