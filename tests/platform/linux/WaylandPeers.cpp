#include "platform/linux/WaylandPeers.h"

#include <cstring>
#include <memory>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>

#include <wayland-client.h>

#include "platform/linux/ClipboardPeer.h"
#include "platform/linux/WaylandPasteboard.h"
#include "support/TestCompositor.h"
#include "wlr-data-control-unstable-v1-client.h"

namespace quellpad::test {

QByteArray waylandSocket() { return qgetenv("QUELLPAD_TEST_WAYLAND_DISPLAY"); }

static QProcessEnvironment peerEnvironment(const QByteArray& socket) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("WAYLAND_DISPLAY"), QString::fromUtf8(socket));
    return environment;
}

QByteArray runPeer(const QString& program, const QStringList& arguments, const QByteArray& input, bool* ok,
                   const QByteArray& socket) {
    QProcess process;
    process.setProcessEnvironment(peerEnvironment(socket));
    process.start(program, arguments);
    process.write(input);
    process.closeWriteChannel();
    QElapsedTimer elapsed;
    elapsed.start();
    while (process.state() != QProcess::NotRunning && elapsed.elapsed() < 10000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        process.waitForFinished(5);
    }
    const bool finished = process.state() == QProcess::NotRunning && process.exitStatus() == QProcess::NormalExit &&
                          process.exitCode() == 0;
    if (!finished) {
        process.kill();
        process.waitForFinished(1000);
    }
    if (ok) {
        *ok = finished;
    }
    return process.readAllStandardOutput();
}

bool wlCopy(const QByteArray& bytes, const QString& type, const QByteArray& socket) {
    QStringList arguments;
    if (!type.isEmpty()) {
        arguments << QStringLiteral("--type") << type;
    }
    bool ok = false;
    runPeer(QStringLiteral("wl-copy"), arguments, bytes, &ok, socket);
    return ok;
}

namespace {

// A clipboard owner that offers text and never answers a request for it (its events
// are never dispatched), as a hung application would.
class SilentOwner {
public:
    explicit SilentOwner(const QByteArray& socket) : display_(wl_display_connect(socket.constData())) {
        if (!display_) return;
        wl_registry* registry = wl_display_get_registry(display_);
        static const wl_registry_listener listener{
            [](void* data, wl_registry* boundRegistry, uint32_t name, const char* interface, uint32_t) {
                auto* self = static_cast<SilentOwner*>(data);
                if (std::strcmp(interface, zwlr_data_control_manager_v1_interface.name) == 0) {
                    self->manager_ = static_cast<zwlr_data_control_manager_v1*>(
                        wl_registry_bind(boundRegistry, name, &zwlr_data_control_manager_v1_interface, 1));
                } else if (std::strcmp(interface, wl_seat_interface.name) == 0 && !self->seat_) {
                    self->seat_ = static_cast<wl_seat*>(wl_registry_bind(boundRegistry, name, &wl_seat_interface, 1));
                }
            },
            [](void*, wl_registry*, uint32_t) {}};
        wl_registry_add_listener(registry, &listener, this);
        wl_display_roundtrip(display_);
        wl_registry_destroy(registry);
    }
    ~SilentOwner() {
        // Every proxy goes before the connection, or its memory is lost with it.
        if (device_) zwlr_data_control_device_v1_destroy(device_);
        if (source_) zwlr_data_control_source_v1_destroy(source_);
        if (manager_) zwlr_data_control_manager_v1_destroy(manager_);
        if (seat_) wl_seat_destroy(seat_);
        if (display_) wl_display_disconnect(display_);
    }
    bool usable() const { return display_ && manager_ && seat_; }
    void takeSelection() {
        source_ = zwlr_data_control_manager_v1_create_data_source(manager_);
        zwlr_data_control_source_v1_offer(source_, "text/plain;charset=utf-8");
        device_ = zwlr_data_control_manager_v1_get_data_device(manager_, seat_);
        zwlr_data_control_device_v1_set_selection(device_, source_);
        wl_display_flush(display_);
    }

private:
    wl_display* display_;
    zwlr_data_control_manager_v1* manager_ = nullptr;
    wl_seat* seat_ = nullptr;
    zwlr_data_control_source_v1* source_ = nullptr;
    zwlr_data_control_device_v1* device_ = nullptr;
};

// The test session's Sway (wlr-data-control only) with wl-clipboard.
class SwayPeer final : public ClipboardPeer {
public:
    std::unique_ptr<Pasteboard> openPasteboard(QString* error) override {
        return WaylandPasteboard::open(error, waylandSocket());
    }
    ~SwayPeer() override {
        silentOwner_.reset();
        // Ends the wl-copy that still serves the last copy.
        runPeer(QStringLiteral("wl-copy"), {QStringLiteral("--clear")});
    }
    bool copy(const QByteArray& bytes, const QString& type) override { return wlCopy(bytes, type); }
    QByteArray paste(const QString& type) override {
        QStringList arguments{QStringLiteral("--no-newline")};
        if (!type.isEmpty()) arguments << QStringLiteral("--type") << type;
        return runPeer(QStringLiteral("wl-paste"), arguments);
    }
    bool takeSelectionSilently() override {
        silentOwner_ = std::make_unique<SilentOwner>(waylandSocket());
        if (!silentOwner_->usable()) return false;
        silentOwner_->takeSelection();
        return true;
    }
    bool offersTypesUpFront() const override { return true; }

private:
    std::unique_ptr<SilentOwner> silentOwner_;
};

// The in-process compositor offering ext-data-control only, playing the other client itself
// (so a compositor only pure ext desktops have is tested too).
class InProcessPeer final : public ClipboardPeer {
public:
    bool start(QString* error) { return compositor_.start(error); }
    std::unique_ptr<Pasteboard> openPasteboard(QString* error) override {
        return WaylandPasteboard::open(error, compositor_.socketPath());
    }
    bool copy(const QByteArray& bytes, const QString& type) override {
        return compositor_.setSelection({{type.isEmpty() ? textType : type, bytes}});
    }
    QByteArray paste(const QString& type) override {
        return compositor_.readSelection(type.isEmpty() ? textType : type).value_or(QByteArray());
    }
    bool takeSelectionSilently() override { return compositor_.setSelection({{textType, "never sent"}}, true); }
    bool offersTypesUpFront() const override { return true; }

private:
    inline static const QString textType = QStringLiteral("text/plain;charset=utf-8");
    TestCompositor compositor_{TestCompositorOptions{true, false, false, 5}};
};

} // namespace

std::unique_ptr<ClipboardPeer> makeSwayPeer(QString* missing) {
    if (waylandSocket().isEmpty()) {
        *missing = QStringLiteral("no Wayland compositor: QUELLPAD_TEST_WAYLAND_DISPLAY is unset (headless Sway could "
                                  "not be started)");
        return nullptr;
    }
    if (QStandardPaths::findExecutable(QStringLiteral("wl-copy")).isEmpty()) {
        *missing = QStringLiteral("wl-clipboard is not installed");
        return nullptr;
    }
    return std::make_unique<SwayPeer>();
}

std::unique_ptr<ClipboardPeer> makeInProcessExtPeer(QString* error) {
    auto peer = std::make_unique<InProcessPeer>();
    if (!peer->start(error)) {
        return nullptr;
    }
    return peer;
}

} // namespace quellpad::test
