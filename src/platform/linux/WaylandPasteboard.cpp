#include "platform/linux/WaylandPasteboard.h"

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
#include <map>
#include <mutex>
#include <poll.h>
#include <pthread.h>
#include <set>
#include <sys/eventfd.h>
#include <thread>
#include <unistd.h>
#include <utility>

#include <wayland-client.h>

#include <QMetaObject>
#include <QPointer>
#include <QTimer>

#include "Core/Utilities/Logger.h"
#include "ext-data-control-v1-client.h"
#include "wlr-data-control-unstable-v1-client.h"

namespace quellpad {

namespace {

const QString logCategory = QStringLiteral("WaylandPasteboard");

// Reads at least this large set the size up to which new content is read at once.
constexpr qint64 smallestItemLimit = 1024 * 1024;
// Bounds on what waits for the monitor, so a burst cannot exhaust memory.
constexpr size_t maximumQueuedSnapshots = 256;
constexpr qint64 maximumQueuedBytes = 64 * 1024 * 1024;
// More types than any real application offers: the rest are ignored.
constexpr int maximumOfferedTypes = 200;

// ext-data-control-v1 is wlr-data-control standardised: the same messages in the same
// order, so one code path drives both, given the interfaces of the protocol in use.
struct DataControlProtocol {
    const char* name;
    const char* globalName;
    const wl_interface* manager;
    const wl_interface* device;
    const wl_interface* source;
    const wl_interface* offer;
};

const DataControlProtocol extProtocol{"ext-data-control", "ext_data_control_manager_v1",
                                      &ext_data_control_manager_v1_interface, &ext_data_control_device_v1_interface,
                                      &ext_data_control_source_v1_interface, &ext_data_control_offer_v1_interface};
const DataControlProtocol wlrProtocol{"wlr-data-control", "zwlr_data_control_manager_v1",
                                      &zwlr_data_control_manager_v1_interface, &zwlr_data_control_device_v1_interface,
                                      &zwlr_data_control_source_v1_interface, &zwlr_data_control_offer_v1_interface};

// Opcodes, shared by both protocols.
enum : uint32_t { managerCreateDataSource = 0, managerGetDataDevice = 1, managerDestroy = 2 };
enum : uint32_t { deviceSetSelection = 0, deviceDestroy = 1 };
enum : uint32_t { sourceOffer = 0, sourceDestroy = 1 };
enum : uint32_t { offerReceive = 0, offerDestroy = 1 };

// Listener layouts, shared by both protocols (event order = member order).
struct DeviceListener {
    void (*dataOffer)(void*, wl_proxy*, wl_proxy*);
    void (*selection)(void*, wl_proxy*, wl_proxy*);
    void (*finished)(void*, wl_proxy*);
    void (*primarySelection)(void*, wl_proxy*, wl_proxy*);
};
struct SourceListener {
    void (*send)(void*, wl_proxy*, const char*, int32_t);
    void (*cancelled)(void*, wl_proxy*);
};
struct OfferListener {
    void (*offer)(void*, wl_proxy*, const char*);
};

void destroyProxy(wl_proxy* proxy, uint32_t opcode) {
    if (proxy) {
        wl_proxy_marshal_flags(proxy, opcode, nullptr, wl_proxy_get_version(proxy), WL_MARSHAL_FLAG_DESTROY);
    }
}

// Text names other clients offer for UTF-8 text, best first; all read as plain text.
const QStringList textNames{PasteboardTypes::plainText, QStringLiteral("text/plain;charset=UTF-8"),
                            QStringLiteral("UTF8_STRING"), QStringLiteral("text/plain"), QStringLiteral("TEXT"),
                            QStringLiteral("STRING")};

QStringList normalisedTypes(const QStringList& offered) {
    QStringList types = offered;
    for (const QString& name : textNames) {
        if (offered.contains(name)) {
            if (!types.contains(PasteboardTypes::plainText)) {
                types.prepend(PasteboardTypes::plainText);
            }
            break;
        }
    }
    return types;
}

// The name to ask the owner for, given a normalised type.
QString offeredNameFor(const QString& type, const QStringList& offered) {
    if (type != PasteboardTypes::plainText) {
        return offered.contains(type) ? type : QString();
    }
    for (const QString& name : textNames) {
        if (offered.contains(name)) {
            return name;
        }
    }
    return {};
}

qint64 snapshotBytes(const std::map<QString, PasteboardData>& data) {
    qint64 total = 0;
    for (const auto& [type, rendition] : data) {
        total += rendition.bytes.size();
    }
    return total;
}

// Writes all of bytes to fd within the deadline; false when the reader went away or stalled.
bool writeAll(int fd, const QByteArray& bytes, std::chrono::steady_clock::time_point deadline) {
    qsizetype written = 0;
    while (written < bytes.size()) {
        const auto remaining =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (remaining.count() <= 0) {
            return false;
        }
        pollfd pfd{fd, POLLOUT, 0};
        const int ready = ::poll(&pfd, 1, int(remaining.count()));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0 || (pfd.revents & (POLLERR | POLLHUP | POLLNVAL))) {
            return false;
        }
        const ssize_t n = ::write(fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN) {
                continue;
            }
            return false;
        }
        written += n;
    }
    return true;
}

} // namespace

struct WaylandPasteboard::Snapshot {
    qint64 changeCount = 0;
    QStringList types;
    std::map<QString, PasteboardData> data; // renditions read when the change happened
    std::set<QString> unreadable;           // failed or timed out: not asked again
    qint64 readLimit = 0;                   // the size limit the renditions were read with
};

class WaylandPasteboard::Connection {
public:
    // A connection after one that was lost (previous, its thread stopped) takes over what
    // the monitor has not taken yet and goes on counting from it.
    static std::unique_ptr<Connection> open(const QByteArray& socket, int readTimeoutMs, QString* error,
                                            Connection* previous = nullptr) {
        auto connection = std::unique_ptr<Connection>(new Connection(readTimeoutMs));
        if (previous) {
            connection->changeCount_ = previous->latest()->changeCount;
        }
        if (!connection->connect(socket, error)) {
            return nullptr;
        }
        if (previous) {
            connection->takeOver(*previous);
        }
        // Running from here on: tasks queued before the thread starts wait for it.
        connection->running_ = true;
        connection->thread_ = std::thread([raw = connection.get()] { raw->run(); });
        return connection;
    }

    ~Connection() {
        stopThread();
        destroyProxy(source_, sourceDestroy);
        for (auto& [offer, types] : pendingOffers_) {
            destroyProxy(offer, offerDestroy);
        }
        destroyProxy(currentOffer_, offerDestroy);
        destroyProxy(device_, deviceDestroy);
        destroyProxy(manager_, managerDestroy);
        if (seat_) {
            wl_seat_destroy(seat_);
        }
        if (registry_) {
            wl_registry_destroy(registry_);
        }
        if (display_) {
            wl_display_flush(display_);
            wl_display_disconnect(display_);
        }
        if (wakeFd_ >= 0) {
            ::close(wakeFd_);
        }
    }

    void stopThread() {
        stop_ = true;
        wake();
        if (thread_.joinable()) {
            thread_.join();
        }
    }

    const char* protocolName() const { return protocol_->name; }
    bool isConnected() const { return connected_; }

    std::shared_ptr<const Snapshot> latest() const {
        std::lock_guard lock(mutex_);
        return latest_;
    }

    std::shared_ptr<const Snapshot> takeQueued(qint64 after) {
        std::lock_guard lock(mutex_);
        while (!queue_.empty() && queue_.front()->changeCount <= after) {
            dequeueFront();
        }
        if (queue_.empty()) {
            return nullptr;
        }
        std::shared_ptr<const Snapshot> next = queue_.front();
        dequeueFront();
        return next;
    }

    qint64 unreadableChanges() const {
        std::lock_guard lock(mutex_);
        return unreadableChanges_;
    }

    void setChangeHandler(std::function<void()> handler) {
        std::lock_guard lock(mutex_);
        changeHandler_ = std::move(handler);
    }

    // Called on the connection's thread, once, when the compositor goes away.
    void setLostHandler(std::function<void()> handler) {
        std::lock_guard lock(mutex_);
        lostHandler_ = std::move(handler);
    }

    std::atomic<qint64> prefetchLimit{10 * 1024 * 1024};

    // Reads one type of the change `changeCount` again, now, when that is still the
    // current selection; nullopt otherwise.
    std::optional<PasteboardData> readAgain(qint64 changeCount, const QString& type, qint64 maxBytes) {
        return call<std::optional<PasteboardData>>([=, this]() -> std::optional<PasteboardData> {
            const std::shared_ptr<const Snapshot> current = latest();
            if (!currentOffer_ || current->changeCount != changeCount) {
                return std::nullopt;
            }
            const QString name = offeredNameFor(type, currentOfferTypes_);
            if (name.isEmpty()) {
                return std::nullopt;
            }
            return receive(currentOffer_, name, maxBytes).data;
        });
    }

    bool write(const PasteboardRepresentations& representations) {
        // By value: a task the thread runs after call() gave up must not see a dangling reference.
        return call<bool>([this, representations]() -> bool {
            if (!device_ || !connected_) {
                return false;
            }
            auto* source = static_cast<wl_proxy*>(wl_proxy_marshal_flags(
                manager_, managerCreateDataSource, protocol_->source, wl_proxy_get_version(manager_), 0, nullptr));
            if (!source) {
                return false;
            }
            static const SourceListener listener{&Connection::onSend, &Connection::onCancelled};
            wl_proxy_add_listener(source, reinterpret_cast<void (**)(void)>(const_cast<SourceListener*>(&listener)),
                                  this);
            QStringList offered;
            for (const auto& [type, bytes] : representations) {
                const QStringList names = type == PasteboardTypes::plainText ? textNames : QStringList{type};
                for (const QString& name : names) {
                    if (!offered.contains(name)) {
                        offered.append(name);
                        wl_proxy_marshal_flags(source, sourceOffer, nullptr, wl_proxy_get_version(source), 0,
                                               name.toUtf8().constData());
                    }
                }
            }
            wl_proxy_marshal_flags(device_, deviceSetSelection, nullptr, wl_proxy_get_version(device_), 0, source);
            destroyProxy(source_, sourceDestroy);
            source_ = source;
            ownRepresentations_ = representations;
            ownOfferedNames_ = offered;
            return wl_display_flush(display_) >= 0 || errno == EAGAIN;
        });
    }

private:
    explicit Connection(int readTimeoutMs) : readTimeoutMs_(readTimeoutMs) {}

    // Before the thread starts: nothing else touches either side's state.
    void takeOver(Connection& previous) {
        std::scoped_lock lock(mutex_, previous.mutex_);
        queue_ = std::move(previous.queue_);
        previous.queue_.clear();
        queuedBytes_ = std::exchange(previous.queuedBytes_, 0);
        unreadableChanges_ = previous.unreadableChanges_;
        prefetchLimit = previous.prefetchLimit.load();
    }

    bool connect(const QByteArray& socket, QString* error) {
        auto fail = [error](const QString& reason) {
            if (error) {
                *error = reason;
            }
            return false;
        };
        display_ = wl_display_connect(socket.isEmpty() ? nullptr : socket.constData());
        if (!display_) {
            return fail(QStringLiteral("cannot connect to the Wayland compositor at \"%1\"")
                            .arg(socket.isEmpty() ? qEnvironmentVariable("WAYLAND_DISPLAY") : QString::fromUtf8(socket)));
        }
        wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (wakeFd_ < 0) {
            return fail(QStringLiteral("cannot create an eventfd: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
        }
        registry_ = wl_display_get_registry(display_);
        static const wl_registry_listener registryListener{&Connection::onGlobal, &Connection::onGlobalRemove};
        wl_registry_add_listener(registry_, &registryListener, this);
        if (wl_display_roundtrip(display_) < 0) {
            return fail(QStringLiteral("the Wayland compositor closed the connection"));
        }
        const bool useExt = extName_ != 0;
        if (!useExt && wlrName_ == 0) {
            return fail(QStringLiteral("the compositor offers no data-control manager (ext-data-control-v1 or "
                                       "wlr-data-control-unstable-v1)"));
        }
        if (seatName_ == 0) {
            return fail(QStringLiteral("the compositor offers no seat"));
        }
        protocol_ = useExt ? &extProtocol : &wlrProtocol;
        // Version 1 of either: the primary selection is never announced to us then (wlr),
        // or ignored (ext), as it is not recorded.
        manager_ = static_cast<wl_proxy*>(
            wl_registry_bind(registry_, useExt ? extName_ : wlrName_, protocol_->manager, 1));
        seat_ = static_cast<wl_seat*>(wl_registry_bind(registry_, seatName_, &wl_seat_interface, 1));
        device_ = static_cast<wl_proxy*>(wl_proxy_marshal_flags(manager_, managerGetDataDevice, protocol_->device,
                                                                 wl_proxy_get_version(manager_), 0, nullptr, seat_));
        static const DeviceListener deviceListener{&Connection::onDataOffer, &Connection::onSelection,
                                                   &Connection::onFinished, &Connection::onPrimarySelection};
        wl_proxy_add_listener(device_, reinterpret_cast<void (**)(void)>(const_cast<DeviceListener*>(&deviceListener)),
                              this);
        // The current selection arrives right after binding: it is the baseline, not a change.
        initial_ = true;
        if (wl_display_roundtrip(display_) < 0) {
            return fail(QStringLiteral("the Wayland compositor closed the connection"));
        }
        initial_ = false;
        connected_ = true;
        return true;
    }

    static void onGlobal(void* data, wl_registry*, uint32_t name, const char* interface, uint32_t) {
        auto* self = static_cast<Connection*>(data);
        if (std::strcmp(interface, extProtocol.globalName) == 0) {
            self->extName_ = name;
        } else if (std::strcmp(interface, wlrProtocol.globalName) == 0) {
            self->wlrName_ = name;
        } else if (std::strcmp(interface, wl_seat_interface.name) == 0 && self->seatName_ == 0) {
            self->seatName_ = name;
        }
    }
    static void onGlobalRemove(void*, wl_registry*, uint32_t) {}

    static void onDataOffer(void* data, wl_proxy*, wl_proxy* offer) {
        auto* self = static_cast<Connection*>(data);
        static const OfferListener listener{&Connection::onOfferType};
        wl_proxy_add_listener(offer, reinterpret_cast<void (**)(void)>(const_cast<OfferListener*>(&listener)), self);
        self->pendingOffers_[offer] = {};
    }

    static void onOfferType(void* data, wl_proxy* offer, const char* mimeType) {
        auto* self = static_cast<Connection*>(data);
        QStringList& types = self->pendingOffers_[offer];
        const QString type = QString::fromUtf8(mimeType);
        if (types.size() < maximumOfferedTypes && !types.contains(type)) {
            types.append(type);
        }
    }

    static void onSelection(void* data, wl_proxy*, wl_proxy* offer) {
        static_cast<Connection*>(data)->selectionChanged(offer);
    }

    static void onPrimarySelection(void* data, wl_proxy*, wl_proxy* offer) {
        auto* self = static_cast<Connection*>(data);
        if (offer) {
            self->pendingOffers_.erase(offer);
            destroyProxy(offer, offerDestroy);
        }
    }

    static void onFinished(void* data, wl_proxy*) {
        auto* self = static_cast<Connection*>(data);
        Logger::error(QStringLiteral("The compositor ended the clipboard data device; clipboard capture stopped"),
                      logCategory);
        destroyProxy(self->device_, deviceDestroy);
        self->device_ = nullptr;
        self->connected_ = false;
        self->notifyLost();
    }

    static void onSend(void* data, wl_proxy* source, const char* mimeType, int32_t fd) {
        auto* self = static_cast<Connection*>(data);
        const QString name = QString::fromUtf8(mimeType);
        const QString type = textNames.contains(name) ? PasteboardTypes::plainText : name;
        if (source == self->source_) {
            for (const auto& [offeredType, bytes] : self->ownRepresentations_) {
                if (offeredType == type) {
                    if (!writeAll(fd, bytes, std::chrono::steady_clock::now() +
                                                 std::chrono::milliseconds(self->readTimeoutMs_))) {
                        Logger::warning(QStringLiteral("A client stopped reading %1 from the clipboard").arg(name),
                                        logCategory);
                    }
                    break;
                }
            }
        }
        ::close(fd);
    }

    static void onCancelled(void* data, wl_proxy* source) {
        auto* self = static_cast<Connection*>(data);
        if (source == self->source_) {
            self->source_ = nullptr;
            self->ownRepresentations_.clear();
            self->ownOfferedNames_.clear();
        }
        destroyProxy(source, sourceDestroy);
    }

    void selectionChanged(wl_proxy* offer) {
        destroyProxy(currentOffer_, offerDestroy);
        currentOffer_ = offer;
        currentOfferTypes_.clear();
        if (offer) {
            currentOfferTypes_ = pendingOffers_[offer];
            pendingOffers_.erase(offer);
        }
        auto snapshot = std::make_shared<Snapshot>();
        snapshot->types = normalisedTypes(currentOfferTypes_);
        snapshot->readLimit = prefetchLimit;
        if (offer && source_ && currentOfferTypes_ == ownOfferedNames_) {
            // Our own source: reading it through the compositor would wait on this thread.
            for (const auto& [type, bytes] : ownRepresentations_) {
                snapshot->data[type] = PasteboardData{bytes, bytes.size(), false};
            }
        } else if (offer && !snapshot->types.contains(PasteboardTypes::passwordManagerHint)) {
            prefetch(*snapshot);
        }
        publish(std::move(snapshot));
    }

    void prefetch(Snapshot& snapshot) {
        QStringList wanted{PasteboardTypes::uriList, PasteboardTypes::gnomeCopiedFiles, PasteboardTypes::png};
        if (!snapshot.types.contains(PasteboardTypes::png)) {
            for (const QString& type : snapshot.types) {
                if (type.startsWith(QLatin1String("image/"))) {
                    wanted.append(type);
                    break;
                }
            }
        }
        wanted << PasteboardTypes::plainText << PasteboardTypes::html << PasteboardTypes::rtf;
        for (const QString& type : wanted) {
            const QString name = offeredNameFor(type, currentOfferTypes_);
            if (name.isEmpty()) {
                continue;
            }
            const Received received = receive(currentOffer_, name, snapshot.readLimit);
            // Nothing at all is what a compositor answers for an offer already superseded
            // (wlroots closes the pipe): no content, so not recorded as empty text.
            if (!received.data || received.data->byteCount == 0) {
                snapshot.unreadable.insert(type);
                if (received.timedOut) {
                    break; // a hung owner: stop asking it anything
                }
                continue;
            }
            PasteboardData rendition = *received.data;
            if (name == QLatin1String("STRING")) {
                rendition.bytes = QString::fromLatin1(rendition.bytes).toUtf8();
                rendition.byteCount = rendition.bytes.size();
            }
            snapshot.data[type] = std::move(rendition);
        }
    }

    struct Received {
        std::optional<PasteboardData> data;
        bool timedOut = false;
    };

    // Asks the offer's owner for one type through a pipe and reads it to the end, within
    // the read timeout; stops reading once more than maxBytes arrived.
    Received receive(wl_proxy* offer, const QString& name, qint64 maxBytes) {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
            Logger::error(QStringLiteral("Cannot create a pipe to read the clipboard: %1")
                              .arg(QString::fromLocal8Bit(std::strerror(errno))),
                          logCategory);
            return {};
        }
        wl_proxy_marshal_flags(offer, offerReceive, nullptr, wl_proxy_get_version(offer), 0, name.toUtf8().constData(),
                               fds[1]);
        ::close(fds[1]);
        wl_display_flush(display_);

        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(readTimeoutMs_);
        QByteArray bytes;
        qint64 byteCount = 0;
        char buffer[65536];
        Received result;
        for (;;) {
            const auto remaining =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (remaining.count() <= 0 || stop_) {
                Logger::warning(QStringLiteral("The clipboard owner did not deliver %1 within %2 ms")
                                    .arg(name)
                                    .arg(readTimeoutMs_),
                                logCategory);
                result.timedOut = true;
                break;
            }
            pollfd pfd{fds[0], POLLIN, 0};
            const int ready = ::poll(&pfd, 1, int(std::min<qint64>(remaining.count(), 100)));
            if (ready < 0 && errno != EINTR) {
                break;
            }
            if (ready <= 0) {
                continue;
            }
            const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
            if (n < 0) {
                if (errno == EINTR || errno == EAGAIN) {
                    continue;
                }
                break;
            }
            if (n == 0) {
                result.data = PasteboardData{bytes, byteCount, false};
                break;
            }
            byteCount += n;
            if (byteCount > maxBytes) {
                bytes.append(buffer, n);
                result.data = PasteboardData{bytes.left(oversizePrefixBytes), byteCount, true};
                break;
            }
            bytes.append(buffer, n);
        }
        ::close(fds[0]);
        return result;
    }

    void publish(std::shared_ptr<Snapshot> snapshot) {
        std::function<void()> handler;
        {
            std::lock_guard lock(mutex_);
            // The content found on connecting is where counting starts, not a change.
            snapshot->changeCount = initial_ ? changeCount_ : ++changeCount_;
            latest_ = snapshot;
            if (!initial_) {
                queue_.push_back(snapshot);
                queuedBytes_ += snapshotBytes(snapshot->data);
                while (queue_.size() > 1 &&
                       (queue_.size() > maximumQueuedSnapshots || queuedBytes_ > maximumQueuedBytes)) {
                    dequeueFront();
                    ++unreadableChanges_;
                }
            }
            handler = changeHandler_;
        }
        if (handler && !initial_) {
            handler();
        }
    }

    void dequeueFront() {
        queuedBytes_ -= snapshotBytes(queue_.front()->data);
        queue_.pop_front();
    }

    void wake() {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(wakeFd_, &one, sizeof one);
    }

    // Runs f on the connection's thread and returns its result; a default value when the
    // thread is gone or does not answer in time.
    template <typename T>
    T call(std::function<T()> f) {
        auto task = std::make_shared<std::packaged_task<T()>>(std::move(f));
        std::future<T> result = task->get_future();
        {
            std::lock_guard lock(mutex_);
            if (!running_) {
                return T{};
            }
            tasks_.push_back([task] { (*task)(); });
        }
        wake();
        if (result.wait_for(std::chrono::milliseconds(readTimeoutMs_ * 2 + 1000)) != std::future_status::ready) {
            Logger::error(QStringLiteral("The Wayland clipboard thread did not answer in time"), logCategory);
            return T{};
        }
        return result.get();
    }

    void runTasks() {
        std::deque<std::function<void()>> tasks;
        {
            std::lock_guard lock(mutex_);
            tasks.swap(tasks_);
        }
        for (auto& task : tasks) {
            task();
        }
    }

    void run() {
        // Writing to a reader that went away must fail, not end the process.
        sigset_t pipeSignal;
        sigemptyset(&pipeSignal);
        sigaddset(&pipeSignal, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
        const int displayFd = wl_display_get_fd(display_);
        while (!stop_) {
            while (wl_display_prepare_read(display_) != 0) {
                wl_display_dispatch_pending(display_);
            }
            wl_display_flush(display_);
            pollfd fds[2] = {{displayFd, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
            const int ready = ::poll(fds, 2, -1);
            if (ready < 0) {
                wl_display_cancel_read(display_);
                continue;
            }
            if (fds[0].revents & POLLIN) {
                if (wl_display_read_events(display_) < 0) {
                    lost();
                    break;
                }
            } else {
                wl_display_cancel_read(display_);
                if (fds[0].revents & (POLLERR | POLLHUP)) {
                    lost();
                    break;
                }
            }
            if (wl_display_dispatch_pending(display_) < 0) {
                lost();
                break;
            }
            if (fds[1].revents & POLLIN) {
                uint64_t count = 0;
                [[maybe_unused]] const ssize_t got = ::read(wakeFd_, &count, sizeof count);
                runTasks();
            }
        }
        {
            std::lock_guard lock(mutex_);
            running_ = false;
        }
        // Nobody waits forever on a task queued just before the end.
        runTasks();
    }

    void lost() {
        if (stop_) {
            return;
        }
        Logger::error(QStringLiteral("Lost the connection to the Wayland compositor; clipboard capture stopped until "
                                     "it is back"),
                      logCategory);
        connected_ = false;
        notifyLost();
    }

    void notifyLost() {
        std::function<void()> handler;
        {
            std::lock_guard lock(mutex_);
            handler = std::exchange(lostHandler_, {});
        }
        if (handler) {
            handler();
        }
    }

    const int readTimeoutMs_;
    const DataControlProtocol* protocol_ = nullptr;
    wl_display* display_ = nullptr;
    wl_registry* registry_ = nullptr;
    wl_seat* seat_ = nullptr;
    wl_proxy* manager_ = nullptr;
    wl_proxy* device_ = nullptr;
    uint32_t extName_ = 0;
    uint32_t wlrName_ = 0;
    uint32_t seatName_ = 0;
    int wakeFd_ = -1;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> connected_{false};
    bool initial_ = false;

    // Owned by the connection's thread (or open(), before it starts).
    std::map<wl_proxy*, QStringList> pendingOffers_;
    wl_proxy* currentOffer_ = nullptr;
    QStringList currentOfferTypes_;
    wl_proxy* source_ = nullptr;
    PasteboardRepresentations ownRepresentations_;
    QStringList ownOfferedNames_;

    mutable std::mutex mutex_; // guards what follows
    std::shared_ptr<const Snapshot> latest_ = std::make_shared<Snapshot>();
    std::deque<std::shared_ptr<const Snapshot>> queue_;
    qint64 queuedBytes_ = 0;
    qint64 changeCount_ = 0;
    qint64 unreadableChanges_ = 0;
    std::function<void()> changeHandler_;
    std::function<void()> lostHandler_;
    std::deque<std::function<void()>> tasks_;
    bool running_ = false;
};

std::unique_ptr<WaylandPasteboard> WaylandPasteboard::open(QString* error, const QByteArray& socket,
                                                           int readTimeoutMs) {
    std::unique_ptr<Connection> connection = Connection::open(socket, readTimeoutMs, error);
    if (!connection) {
        return nullptr;
    }
    return std::unique_ptr<WaylandPasteboard>(new WaylandPasteboard(std::move(connection), socket, readTimeoutMs));
}

WaylandPasteboard::WaylandPasteboard(std::unique_ptr<Connection> connection, QByteArray socket, int readTimeoutMs)
    : connection_(std::move(connection)), socket_(std::move(socket)), readTimeoutMs_(readTimeoutMs) {
    attach();
}

// Both handlers run on the connection's thread: they hand over to the thread this object lives on.
void WaylandPasteboard::attach() {
    QPointer<WaylandPasteboard> self(this);
    connection_->setChangeHandler([self, this] {
        QMetaObject::invokeMethod(
            this,
            [self] {
                if (self) {
                    Q_EMIT self->changed();
                }
            },
            Qt::QueuedConnection);
    });
    connection_->setLostHandler([self, this] {
        QMetaObject::invokeMethod(
            this,
            [self] {
                if (self) {
                    self->connectionLost();
                }
            },
            Qt::QueuedConnection);
    });
}

void WaylandPasteboard::connectionLost() {
    if (reconnecting_) {
        return;
    }
    reconnecting_ = true;
    // Its thread may still serve a compositor that only ended the data device.
    connection_->stopThread();
    reconnectDelayMs_ = firstReconnectDelayMs;
    QTimer::singleShot(reconnectDelayMs_, this, &WaylandPasteboard::tryReconnect);
}

void WaylandPasteboard::tryReconnect() {
    QString error;
    std::unique_ptr<Connection> next = Connection::open(socket_, readTimeoutMs_, &error, connection_.get());
    if (!next) {
        reconnectDelayMs_ = std::min(reconnectDelayMs_ * 2, longestReconnectDelayMs);
        QTimer::singleShot(reconnectDelayMs_, this, &WaylandPasteboard::tryReconnect);
        return;
    }
    connection_->setChangeHandler({});
    connection_ = std::move(next);
    reconnecting_ = false;
    attach();
    Logger::info(QStringLiteral("Reconnected to the Wayland compositor (%1); clipboard capture resumed")
                     .arg(QString::fromLatin1(connection_->protocolName())),
                 logCategory);
    Q_EMIT changed(); // what waited from before the loss, if anything
}

WaylandPasteboard::~WaylandPasteboard() {
    connection_->setChangeHandler({});
    connection_->setLostHandler({});
    connection_.reset();
}

QString WaylandPasteboard::protocolName() const { return QString::fromLatin1(connection_->protocolName()); }

bool WaylandPasteboard::isConnected() const { return connection_->isConnected(); }

std::shared_ptr<const WaylandPasteboard::Snapshot> WaylandPasteboard::snapshotForReading() {
    if (!readSnapshot_) {
        readSnapshot_ = connection_->latest();
    }
    return readSnapshot_;
}

qint64 WaylandPasteboard::changeCount() {
    readSnapshot_ = connection_->latest();
    // Whatever waited up to here is superseded by the content now read.
    connection_->takeQueued(readSnapshot_->changeCount);
    return readSnapshot_->changeCount;
}

qint64 WaylandPasteboard::latestChangeCount() { return connection_->latest()->changeCount; }

std::optional<qint64> WaylandPasteboard::takeNextChange(qint64 after) {
    std::shared_ptr<const Snapshot> next = connection_->takeQueued(after);
    if (!next) {
        return std::nullopt;
    }
    readSnapshot_ = std::move(next);
    return readSnapshot_->changeCount;
}

qint64 WaylandPasteboard::unreadableChangeCount() const { return connection_->unreadableChanges(); }

QStringList WaylandPasteboard::types() { return snapshotForReading()->types; }

std::optional<PasteboardData> WaylandPasteboard::dataForType(const QString& type, qint64 maxBytes) {
    if (maxBytes >= smallestItemLimit) {
        connection_->prefetchLimit = maxBytes;
    }
    const std::shared_ptr<const Snapshot> snapshot = snapshotForReading();
    // A copy marked by a password manager is never read, the hint included: the
    // monitor takes an unreadable hint as "secret".
    if (!snapshot->types.contains(type) || snapshot->types.contains(PasteboardTypes::passwordManagerHint)) {
        return std::nullopt;
    }
    if (const auto it = snapshot->data.find(type); it != snapshot->data.end()) {
        const PasteboardData& data = it->second;
        if (data.byteCount > maxBytes) {
            return PasteboardData{data.bytes.left(oversizePrefixBytes), data.byteCount, true};
        }
        if (!data.exceedsLimit) {
            return data;
        }
        // Cut at a smaller limit when it was read: read it again below.
    }
    if (snapshot->unreadable.count(type) > 0) {
        return std::nullopt;
    }
    return connection_->readAgain(snapshot->changeCount, type, maxBytes);
}

bool WaylandPasteboard::write(const PasteboardRepresentations& representations) {
    return connection_->write(representations);
}

} // namespace quellpad
