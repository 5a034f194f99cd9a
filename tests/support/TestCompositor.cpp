#include "support/TestCompositor.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <functional>
#include <future>
#include <mutex>
#include <poll.h>
#include <pthread.h>
#include <string>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

#include <wayland-server.h>

#include <QFile>

#include "ext-data-control-v1-server.h"
#include "fake-input-server.h"
#include "wlr-data-control-unstable-v1-server.h"

namespace quellpad::test {

namespace {

constexpr uint32_t fakeInputAuthenticate = 0;
constexpr uint32_t fakeInputKeyboardKey = 10;
constexpr uint32_t fakeInputKeyboardKeymap = 11;

// The two data-control protocols differ only in their interfaces: the same request
// handlers serve both, and events go out by opcode, which they share.
struct DataControlInterfaces {
    const wl_interface* manager;
    const wl_interface* device;
    const wl_interface* source;
    const wl_interface* offer;
};

const DataControlInterfaces extInterfaces{&ext_data_control_manager_v1_interface,
                                          &ext_data_control_device_v1_interface,
                                          &ext_data_control_source_v1_interface, &ext_data_control_offer_v1_interface};
const DataControlInterfaces wlrInterfaces{
    &zwlr_data_control_manager_v1_interface, &zwlr_data_control_device_v1_interface,
    &zwlr_data_control_source_v1_interface, &zwlr_data_control_offer_v1_interface};

// Writes bytes to a pasting client's pipe, off the compositor's thread: the reader may be slow.
void writeAndClose(int fd, QByteArray bytes) {
    sigset_t pipeSignal;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
    const int flags = fcntl(fd, F_GETFL);
    fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break; // the reader went away
        written += n;
    }
    ::close(fd);
}

} // namespace

struct TestCompositor::Server {
    struct Source;
    struct Selection {
        std::vector<std::string> types;
        std::shared_ptr<Source> source;              // a client's source, or
        std::map<std::string, QByteArray> renditions; // served by the compositor
        bool silent = false;
    };
    struct Global {
        Server* server;
        const DataControlInterfaces* interfaces;
    };
    struct Source {
        Server* server;
        wl_resource* resource; // nullptr once the client destroyed it
        std::vector<std::string> types;
        bool used = false;
    };
    struct Device {
        Server* server;
        const DataControlInterfaces* interfaces;
        wl_resource* resource;
    };
    struct Offer {
        Server* server;
        std::shared_ptr<Selection> selection;
    };

    wl_display* display = nullptr;
    std::thread thread;
    int wakeFd = -1;
    wl_event_source* wakeSource = nullptr;
    std::atomic<bool> stopping{false};
    bool serveReplacedOffers = true;
    Global ext{this, &extInterfaces};
    Global wlr{this, &wlrInterfaces};

    // Owned by the compositor's thread.
    std::shared_ptr<Selection> selection;
    std::vector<Device*> devices;
    std::vector<std::thread> writers;
    std::vector<int> silentFds;

    mutable std::mutex mutex; // guards what follows
    std::deque<std::function<void()>> tasks;
    std::vector<FakeInputRequest> fakeInput;

    // Runs f on the compositor's thread and waits for it.
    template <typename T>
    std::optional<T> call(std::function<T()> f) {
        auto task = std::make_shared<std::packaged_task<T()>>(std::move(f));
        std::future<T> result = task->get_future();
        {
            std::lock_guard lock(mutex);
            tasks.push_back([task] { (*task)(); });
        }
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(wakeFd, &one, sizeof one);
        if (result.wait_for(std::chrono::seconds(10)) != std::future_status::ready) return std::nullopt;
        return result.get();
    }

    static int onWake(int fd, uint32_t, void* data) {
        auto* self = static_cast<Server*>(data);
        uint64_t count = 0;
        [[maybe_unused]] const ssize_t got = ::read(fd, &count, sizeof count);
        std::deque<std::function<void()>> pending;
        {
            std::lock_guard lock(self->mutex);
            pending.swap(self->tasks);
        }
        for (auto& task : pending) task();
        return 0;
    }

    void run() {
        wl_event_loop* loop = wl_display_get_event_loop(display);
        while (!stopping) {
            wl_display_flush_clients(display);
            wl_event_loop_dispatch(loop, -1);
        }
    }

    // --- the clipboard ---

    void announce(Device* device) {
        wl_resource* deviceResource = device->resource;
        if (!selection) {
            ext_data_control_device_v1_send_selection(deviceResource, nullptr);
            return;
        }
        wl_resource* offer = wl_resource_create(wl_resource_get_client(deviceResource), device->interfaces->offer,
                                                wl_resource_get_version(deviceResource), 0);
        static const struct ext_data_control_offer_v1_interface offerRequests{&Server::offerReceive, &Server::destroyResource};
        wl_resource_set_implementation(offer, &offerRequests, new Offer{this, selection}, [](wl_resource* resource) {
            delete static_cast<Offer*>(wl_resource_get_user_data(resource));
        });
        ext_data_control_device_v1_send_data_offer(deviceResource, offer);
        for (const std::string& type : selection->types) {
            ext_data_control_offer_v1_send_offer(offer, type.c_str());
        }
        ext_data_control_device_v1_send_selection(deviceResource, offer);
    }

    // Replaces the selection and tells every device but those of a client going away.
    void replaceSelection(std::shared_ptr<Selection> next, wl_client* leaving = nullptr) {
        if (selection && selection->source && selection->source->resource &&
            (!next || next->source != selection->source)) {
            ext_data_control_source_v1_send_cancelled(selection->source->resource);
        }
        selection = std::move(next);
        if (stopping) return;
        for (Device* device : devices) {
            if (wl_resource_get_client(device->resource) != leaving) announce(device);
        }
    }

    static void destroyResource(wl_client*, wl_resource* resource) { wl_resource_destroy(resource); }

    static void bindDataControl(wl_client* client, void* data, uint32_t version, uint32_t id) {
        auto* global = static_cast<Global*>(data);
        wl_resource* resource = wl_resource_create(client, global->interfaces->manager, int(version), id);
        static const struct ext_data_control_manager_v1_interface requests{&Server::createSource, &Server::getDevice,
                                                                    &Server::destroyResource};
        wl_resource_set_implementation(resource, &requests, global, nullptr);
    }

    static void createSource(wl_client* client, wl_resource* manager, uint32_t id) {
        auto* global = static_cast<Global*>(wl_resource_get_user_data(manager));
        wl_resource* resource =
            wl_resource_create(client, global->interfaces->source, wl_resource_get_version(manager), id);
        static const struct ext_data_control_source_v1_interface requests{&Server::sourceOffer, &Server::destroyResource};
        wl_resource_set_implementation(resource, &requests,
                                       new std::shared_ptr<Source>(new Source{global->server, resource, {}}),
                                       &Server::sourceDestroyed);
    }

    static const std::shared_ptr<Source>& sourceOf(wl_resource* resource) {
        return *static_cast<std::shared_ptr<Source>*>(wl_resource_get_user_data(resource));
    }

    static void sourceOffer(wl_client*, wl_resource* resource, const char* type) {
        Source* source = sourceOf(resource).get();
        if (source->used) {
            wl_resource_post_error(resource, EXT_DATA_CONTROL_SOURCE_V1_ERROR_INVALID_OFFER,
                                   "offer after the source was used");
            return;
        }
        source->types.emplace_back(type);
    }

    static void sourceDestroyed(wl_resource* resource) {
        auto* source = static_cast<std::shared_ptr<Source>*>(wl_resource_get_user_data(resource));
        Server* server = (*source)->server;
        (*source)->resource = nullptr; // offers made from it get nothing from now on
        if (server->selection && server->selection->source == *source) {
            server->replaceSelection(nullptr, wl_resource_get_client(resource));
        }
        delete source;
    }

    static void getDevice(wl_client* client, wl_resource* manager, uint32_t id, wl_resource*) {
        auto* global = static_cast<Global*>(wl_resource_get_user_data(manager));
        wl_resource* resource =
            wl_resource_create(client, global->interfaces->device, wl_resource_get_version(manager), id);
        static const struct ext_data_control_device_v1_interface requests{&Server::setSelection, &Server::destroyResource,
                                                                   &Server::setPrimarySelection};
        auto* device = new Device{global->server, global->interfaces, resource};
        wl_resource_set_implementation(resource, &requests, device, [](wl_resource* gone) {
            auto* goneDevice = static_cast<Device*>(wl_resource_get_user_data(gone));
            auto& devices = goneDevice->server->devices;
            devices.erase(std::remove(devices.begin(), devices.end(), goneDevice), devices.end());
            delete goneDevice;
        });
        global->server->devices.push_back(device);
        global->server->announce(device);
    }

    // The source of a set_selection request, marked used; nullptr after a protocol error.
    static std::shared_ptr<Source> takeSource(wl_resource* device, wl_resource* sourceResource) {
        const std::shared_ptr<Source>& source = sourceOf(sourceResource);
        if (source->used) {
            wl_resource_post_error(device, EXT_DATA_CONTROL_DEVICE_V1_ERROR_USED_SOURCE, "source used twice");
            return nullptr;
        }
        source->used = true;
        return source;
    }

    static void setSelection(wl_client*, wl_resource* resource, wl_resource* sourceResource) {
        auto* device = static_cast<Device*>(wl_resource_get_user_data(resource));
        std::shared_ptr<Selection> next;
        if (sourceResource) {
            std::shared_ptr<Source> source = takeSource(resource, sourceResource);
            if (!source) return;
            next = std::make_shared<Selection>();
            next->types = source->types;
            next->source = source;
        }
        device->server->replaceSelection(std::move(next));
    }

    // No primary selection here: its source is turned down at once.
    static void setPrimarySelection(wl_client*, wl_resource* resource, wl_resource* sourceResource) {
        if (sourceResource && takeSource(resource, sourceResource)) {
            ext_data_control_source_v1_send_cancelled(sourceResource);
        }
    }

    static void offerReceive(wl_client*, wl_resource* resource, const char* type, int32_t fd) {
        auto* offer = static_cast<Offer*>(wl_resource_get_user_data(resource));
        offer->server->serve(offer->selection, type, fd);
    }

    // Hands a pasting client's fd to the owner of the selection the offer was made for.
    void serve(const std::shared_ptr<Selection>& wanted, const std::string& type, int fd) {
        if (!wanted || (wanted != selection && !serveReplacedOffers) ||
            std::find(wanted->types.begin(), wanted->types.end(), type) == wanted->types.end()) {
            ::close(fd);
        } else if (wanted->source) {
            if (wanted->source->resource) {
                ext_data_control_source_v1_send_send(wanted->source->resource, type.c_str(), fd);
            }
            ::close(fd); // the event carries a duplicate
        } else if (wanted->silent) {
            silentFds.push_back(fd);
        } else {
            writers.emplace_back(writeAndClose, fd, wanted->renditions[type]);
        }
    }

    // --- the seat: only there to be named by get_data_device ---

    static void bindSeat(wl_client* client, void*, uint32_t version, uint32_t id) {
        wl_resource* resource = wl_resource_create(client, &wl_seat_interface, int(version), id);
        static const struct wl_seat_interface requests {
            &Server::noDevice, &Server::noDevice, &Server::noDevice, &Server::destroyResource
        };
        wl_resource_set_implementation(resource, &requests, nullptr, nullptr);
        wl_seat_send_capabilities(resource, 0);
    }

    static void noDevice(wl_client*, wl_resource* seat, uint32_t) {
        wl_resource_post_error(seat, 0, "this seat has no input devices");
    }

    // --- KWin's fake input: recorded, nothing is injected ---

    static void bindFakeInput(wl_client* client, void* data, uint32_t version, uint32_t id) {
        wl_resource* resource = wl_resource_create(client, &org_kde_kwin_fake_input_interface, int(version), id);
        wl_resource_set_dispatcher(resource, &Server::fakeInputRequest, nullptr, data, nullptr);
    }

    static int fakeInputRequest(const void*, void* target, uint32_t opcode, const wl_message*, wl_argument* args) {
        auto* self = static_cast<Server*>(wl_resource_get_user_data(static_cast<wl_resource*>(target)));
        FakeInputRequest request;
        request.opcode = opcode;
        if (opcode == fakeInputAuthenticate) {
            request.kind = FakeInputRequest::Kind::authenticate;
            request.application = QString::fromUtf8(args[0].s);
            request.reason = QString::fromUtf8(args[1].s);
        } else if (opcode == fakeInputKeyboardKey) {
            request.kind = FakeInputRequest::Kind::keyboardKey;
            request.key = args[0].u;
            request.state = args[1].u;
        } else if (opcode == fakeInputKeyboardKeymap) {
            ::close(args[0].h);
        }
        std::lock_guard lock(self->mutex);
        self->fakeInput.push_back(request);
        return 0;
    }
};

TestCompositor::TestCompositor(TestCompositorOptions options)
    : options_(options), socketPath_(QFile::encodeName(directory_.filePath(QStringLiteral("wayland-test")))) {}

TestCompositor::~TestCompositor() { stop(); }

bool TestCompositor::start(QString* error) {
    auto fail = [&](const QString& reason) {
        *error = reason + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
        server_.reset();
        return false;
    };
    stop();
    server_ = std::make_unique<Server>();
    Server& server = *server_;
    server.serveReplacedOffers = options_.serveReplacedOffers;
    server.display = wl_display_create();
    const int listening = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (!directory_.isValid() || size_t(socketPath_.size()) >= sizeof address.sun_path) {
        return fail(QStringLiteral("no room for the socket"));
    }
    std::memcpy(address.sun_path, socketPath_.constData(), size_t(socketPath_.size()));
    ::unlink(socketPath_.constData());
    if (listening < 0 || ::bind(listening, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listening, 16) != 0 || wl_display_add_socket_fd(server.display, listening) != 0) {
        if (listening >= 0) ::close(listening);
        wl_display_destroy(server.display);
        return fail(QStringLiteral("cannot listen on ") + QString::fromUtf8(socketPath_));
    }
    server.wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    server.wakeSource = wl_event_loop_add_fd(wl_display_get_event_loop(server.display), server.wakeFd,
                                             WL_EVENT_READABLE, &Server::onWake, &server);
    wl_global_create(server.display, &wl_seat_interface, 1, &server, &Server::bindSeat);
    if (options_.extDataControl) {
        wl_global_create(server.display, &ext_data_control_manager_v1_interface, 1, &server.ext,
                         &Server::bindDataControl);
    }
    if (options_.wlrDataControl) {
        wl_global_create(server.display, &zwlr_data_control_manager_v1_interface, 2, &server.wlr,
                         &Server::bindDataControl);
    }
    if (options_.fakeInput) {
        wl_global_create(server.display, &org_kde_kwin_fake_input_interface, int(options_.fakeInputVersion), &server,
                         &Server::bindFakeInput);
    }
    server.thread = std::thread([&server] { server.run(); });
    return true;
}

void TestCompositor::stop() {
    if (!server_) return;
    Server& server = *server_;
    server.stopping = true;
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(server.wakeFd, &one, sizeof one);
    server.thread.join();
    // The clients first, while their resources can still reach the state they point to.
    wl_display_destroy_clients(server.display);
    wl_event_source_remove(server.wakeSource); // the loop frees only its own sources
    wl_display_destroy(server.display);
    for (std::thread& writer : server.writers) writer.join();
    for (int fd : server.silentFds) ::close(fd);
    ::close(server.wakeFd);
    ::unlink(socketPath_.constData());
    server_.reset();
}

bool TestCompositor::isRunning() const { return server_ != nullptr; }

QByteArray TestCompositor::socketPath() const { return socketPath_; }

bool TestCompositor::setSelection(const std::map<QString, QByteArray>& renditions, bool silent) {
    if (!server_) return false;
    auto selection = std::make_shared<Server::Selection>();
    for (const auto& [type, bytes] : renditions) {
        selection->types.push_back(type.toStdString());
        selection->renditions[type.toStdString()] = bytes;
    }
    selection->silent = silent;
    Server& server = *server_;
    return server.call<bool>([&server, selection] {
               server.replaceSelection(selection);
               return true;
           })
        .value_or(false);
}

std::optional<QByteArray> TestCompositor::readSelection(const QString& type, int timeoutMs) {
    if (!server_) return std::nullopt;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return std::nullopt;
    Server& server = *server_;
    const std::string wanted = type.toStdString();
    const int writeEnd = fds[1];
    // The write end goes to the owner (it closes its copy), or is closed when nothing is offered.
    const bool asked = server.call<bool>([&server, wanted, writeEnd] {
                                 const bool offered = server.selection &&
                                                      std::find(server.selection->types.begin(),
                                                                server.selection->types.end(),
                                                                wanted) != server.selection->types.end();
                                 server.serve(server.selection, wanted, writeEnd);
                                 return offered;
                             })
                           .value_or(false);
    std::optional<QByteArray> result;
    if (asked) {
        QByteArray bytes;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        char buffer[65536];
        for (;;) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            pollfd pfd{fds[0], POLLIN, 0};
            if (left.count() <= 0 || ::poll(&pfd, 1, int(left.count())) <= 0) break;
            const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) break;
            if (n == 0) {
                result = bytes;
                break;
            }
            bytes.append(buffer, n);
        }
    }
    ::close(fds[0]);
    return result;
}

QStringList TestCompositor::selectionTypes() {
    if (!server_) return {};
    Server& server = *server_;
    return server
        .call<QStringList>([&server] {
            QStringList types;
            if (server.selection) {
                for (const std::string& type : server.selection->types) types.append(QString::fromStdString(type));
            }
            return types;
        })
        .value_or(QStringList{});
}

std::vector<FakeInputRequest> TestCompositor::fakeInputRequests() const {
    if (!server_) return {};
    std::lock_guard lock(server_->mutex);
    return server_->fakeInput;
}

} // namespace quellpad::test
