#include "platform/linux/X11ClipboardConnection.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <future>
#include <mutex>
#include <thread>

#include <cerrno>
#include <cstring>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include "Core/Utilities/Logger.h"
#include "platform/linux/X11Support.h"

// Xlib last: its macros (None, Bool, Status) clash with Qt's headers.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

namespace quellpad {

namespace {

using Clock = std::chrono::steady_clock;

const QString logCategory = QStringLiteral("X11Clipboard");
constexpr qint64 hintMaxBytes = 64;
// Read in the first request for a property; larger ones take a second.
constexpr qint64 firstReadBytes = 64 * 1024;
// Outgoing transfers above this use INCR (well under any server's request limit).
constexpr qsizetype incrementalChunkBytes = 256 * 1024;
constexpr auto outgoingTransferTimeout = std::chrono::seconds(10);
constexpr auto incrementalTransferTimeout = std::chrono::seconds(15);
// Hostile owners may offer absurd target lists; no real one offers this many.
constexpr qsizetype maximumTargets = 256;
// Snapshots waiting for the monitor: a burst of copies fits, a storm of large ones
// cannot exhaust memory (the oldest are dropped first, and counted as unreadable).
constexpr size_t maximumQueuedSnapshots = 64;
constexpr qint64 maximumQueuedBytes = qint64(256) * 1024 * 1024;

struct Conversion {
    // preempted: a new owner took the selection before the answer came.
    enum class Outcome { ok, refused, timedOut, exceeded, preempted } outcome = Outcome::refused;
    PasteboardData data;
    Atom type = None;
};

} // namespace

class X11ClipboardConnection::Impl {
public:
    Impl(Display* display, int readTimeoutMs, int fixesEventBase)
        : display_(display), readTimeout_(std::chrono::milliseconds(readTimeoutMs)), fixesEventBase_(fixesEventBase) {
        wakeFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
        const Window root = DefaultRootWindow(display_);
        ownerWindow_ = XCreateSimpleWindow(display_, root, -10, -10, 1, 1, 0, 0, 0);
        XSelectInput(display_, ownerWindow_, PropertyChangeMask);
        createRequestorWindow();
        clipboard_ = atom("CLIPBOARD");
        targets_ = atom("TARGETS");
        timestamp_ = atom("TIMESTAMP");
        incr_ = atom("INCR");
        utf8String_ = atom("UTF8_STRING");
        transferProperty_ = atom("QUELLPAD_SELECTION");
        timestampProperty_ = atom("QUELLPAD_TIMESTAMP");
        XFixesSelectSelectionInput(display_, ownerWindow_, clipboard_,
                                   XFixesSetSelectionOwnerNotifyMask | XFixesSelectionWindowDestroyNotifyMask |
                                       XFixesSelectionClientCloseNotifyMask);
        XFlush(display_);
        latest_ = std::make_shared<X11ClipboardSnapshot>();
        thread_ = std::thread([this] { run(); });
    }

    ~Impl() {
        {
            std::lock_guard lock(taskMutex_);
            stopping_ = true;
        }
        wake();
        thread_.join();
        XDestroyWindow(display_, requestorWindow_);
        XDestroyWindow(display_, ownerWindow_);
        XCloseDisplay(display_);
        close(wakeFd_);
    }

    std::shared_ptr<const X11ClipboardSnapshot> latest() const {
        std::lock_guard lock(snapshotMutex_);
        return latest_;
    }

    std::shared_ptr<const X11ClipboardSnapshot> takeQueued(qint64 after) {
        std::lock_guard lock(snapshotMutex_);
        while (!queue_.empty() && queue_.front()->changeCount <= after) {
            dequeueFront();
        }
        if (queue_.empty()) {
            return nullptr;
        }
        std::shared_ptr<const X11ClipboardSnapshot> next = queue_.front();
        dequeueFront();
        return next;
    }

    qint64 unreadableChanges() const {
        std::lock_guard lock(snapshotMutex_);
        return unreadableChanges_;
    }

    void setChangeHandler(std::function<void()> handler) {
        std::lock_guard lock(snapshotMutex_);
        changeHandler_ = std::move(handler);
    }

    std::atomic<qint64> prefetchLimit{10 * 1024 * 1024};

    // Runs work on the connection thread and waits for its result.
    template <typename R>
    R call(std::function<R()> work, R fallback) {
        auto task = std::make_shared<std::packaged_task<R()>>(std::move(work));
        std::future<R> result = task->get_future();
        {
            std::lock_guard lock(taskMutex_);
            if (stopping_) {
                return fallback;
            }
            tasks_.push_back([task] { (*task)(); });
        }
        wake();
        return result.get();
    }

    std::optional<PasteboardData> readType(const QString& type, qint64 maxBytes) {
        if (ownsSelection()) {
            return ownData(type, maxBytes);
        }
        const std::vector<Atom> candidates = targetAtomsFor(type, currentTargetNames_);
        for (const Atom target : candidates) {
            Conversion conversion = convert(target, maxBytes);
            if (conversion.outcome == Conversion::Outcome::timedOut ||
                conversion.outcome == Conversion::Outcome::preempted) {
                return std::nullopt;
            }
            if (conversion.outcome == Conversion::Outcome::refused) {
                continue;
            }
            if (conversion.outcome == Conversion::Outcome::ok && conversion.type == XA_STRING) {
                conversion.data.bytes = QString::fromLatin1(conversion.data.bytes).toUtf8();
                conversion.data.byteCount = conversion.data.bytes.size();
            }
            return conversion.data;
        }
        return std::nullopt;
    }

    bool writeRepresentations(const PasteboardRepresentations& representations) {
        owned_ = representations;
        const Time time = serverTime();
        XSetSelectionOwner(display_, clipboard_, ownerWindow_, time);
        ownedSince_ = time;
        const bool owns = XGetSelectionOwner(display_, clipboard_) == ownerWindow_;
        if (!owns) {
            owned_.clear();
            Logger::error(QStringLiteral("Failed to take ownership of the clipboard"), logCategory);
            return false;
        }
        // Publish the change before returning, so that a caller re-reading the change
        // count right after the write already sees its own write counted.
        XEvent event;
        const Window self = ownerWindow_;
        const int notifyType = fixesEventBase_ + XFixesSelectionNotify;
        if (waitForEvent(
                event,
                [&](const XEvent& e) {
                    return e.type == notifyType &&
                           reinterpret_cast<const XFixesSelectionNotifyEvent&>(e).owner == self;
                },
                Clock::now() + readTimeout_, false) == Wait::arrived) {
            ownerChanged(self);
        }
        return true;
    }

private:
    Atom atom(const char* name) { return XInternAtom(display_, name, False); }
    Atom atom(const QString& name) { return XInternAtom(display_, name.toUtf8().constData(), False); }

    void wake() {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(wakeFd_, &one, sizeof one);
    }

    void createRequestorWindow() {
        requestorWindow_ =
            XCreateSimpleWindow(display_, DefaultRootWindow(display_), -10, -10, 1, 1, 0, 0, 0);
        XSelectInput(display_, requestorWindow_, PropertyChangeMask);
    }

    // After a transfer was abandoned the owner may still write into the old window's
    // property; a fresh window keeps those late writes out of the next transfer.
    void replaceRequestorWindow() {
        XDestroyWindow(display_, requestorWindow_);
        createRequestorWindow();
    }

    bool ownsSelection() const { return !owned_.empty() && currentOwner_ == ownerWindow_; }

    // ----- the thread -----

    void run() {
        const int xfd = ConnectionNumber(display_);
        while (!stopping_) {
            while (XPending(display_) > 0) {
                XEvent event;
                XNextEvent(display_, &event);
                handleEvent(event);
            }
            runTasks();
            expireOutgoingTransfers();
            XFlush(display_);
            if (XPending(display_) > 0) {
                continue;
            }
            pollfd fds[2] = {{xfd, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
            const int timeoutMs = outgoing_.empty() ? -1 : 1000;
            ::poll(fds, 2, timeoutMs);
            if (fds[1].revents & POLLIN) {
                uint64_t value = 0;
                [[maybe_unused]] const ssize_t got = ::read(wakeFd_, &value, sizeof value);
            }
        }
        // Let waiting callers go.
        runTasks();
    }

    void runTasks() {
        for (;;) {
            std::function<void()> task;
            {
                std::lock_guard lock(taskMutex_);
                if (tasks_.empty()) {
                    return;
                }
                task = std::move(tasks_.front());
                tasks_.pop_front();
            }
            task();
        }
    }

    void handleEvent(XEvent& event) {
        if (event.type == fixesEventBase_ + XFixesSelectionNotify) {
            const auto& notify = reinterpret_cast<const XFixesSelectionNotifyEvent&>(event);
            if (notify.selection == clipboard_) {
                ownerChanged(notify.owner);
            }
            return;
        }
        switch (event.type) {
        case SelectionRequest:
            serveRequest(event.xselectionrequest);
            break;
        case SelectionClear:
            if (event.xselectionclear.selection == clipboard_ && event.xselectionclear.window == ownerWindow_) {
                owned_.clear();
            }
            break;
        case PropertyNotify:
            if (event.xproperty.state == PropertyDelete) {
                continueOutgoingTransfer(event.xproperty.window, event.xproperty.atom);
            }
            break;
        default:
            break;
        }
    }

    // ----- snapshots -----

    // Reads the content of one owner change at once, before the next owner can replace
    // it. A change whose owner was already replaced when its turn came cannot be read
    // any more (the selection protocol only reaches the current owner): it is counted.
    void ownerChanged(Window reportedOwner) {
        auto snapshot = std::make_shared<X11ClipboardSnapshot>();
        bool readable = true;
        if (reportedOwner == None) {
            currentOwner_ = None;
            currentTargetNames_.clear();
        } else if (reportedOwner == ownerWindow_) {
            currentOwner_ = ownerWindow_;
            fillFromOwnData(*snapshot);
        } else {
            // No round trip to ask who owns it now: a newer owner shows up as a newer
            // event, queued already or arriving ahead of any answer it would give.
            currentOwner_ = reportedOwner;
            if (ownerChangePending()) {
                currentTargetNames_.clear();
                readable = false;
            } else {
                readable = takeSnapshot(*snapshot);
            }
        }
        publish(std::move(snapshot), readable);
    }

    void publish(std::shared_ptr<X11ClipboardSnapshot> snapshot, bool readable) {
        std::function<void()> handler;
        {
            std::lock_guard lock(snapshotMutex_);
            snapshot->changeCount = latest_->changeCount + 1;
            latest_ = snapshot;
            if (readable) {
                queue_.push_back(snapshot);
                queuedBytes_ += snapshotBytes(*snapshot);
                while (queue_.size() > 1 &&
                       (queue_.size() > maximumQueuedSnapshots || queuedBytes_ > maximumQueuedBytes)) {
                    dequeueFront();
                    ++unreadableChanges_;
                }
            } else {
                ++unreadableChanges_;
            }
            handler = changeHandler_;
        }
        if (!readable) {
            Logger::debug(QStringLiteral("Clipboard change %1 could not be read: its owner was already replaced")
                              .arg(snapshot->changeCount),
                          logCategory);
        }
        if (handler) {
            handler();
        }
    }

    static qint64 snapshotBytes(const X11ClipboardSnapshot& snapshot) {
        qint64 bytes = 0;
        for (const auto& [type, data] : snapshot.data) {
            bytes += data.bytes.size();
        }
        return bytes;
    }

    // Caller holds snapshotMutex_.
    void dequeueFront() {
        queuedBytes_ -= snapshotBytes(*queue_.front());
        queue_.pop_front();
    }

    bool isClipboardOwnerChange(const XEvent& event) const {
        return event.type == fixesEventBase_ + XFixesSelectionNotify &&
               reinterpret_cast<const XFixesSelectionNotifyEvent&>(event).selection == clipboard_;
    }

    // Whether a newer owner change already waits to be handled (the event stays queued).
    bool ownerChangePending() {
        struct Context {
            const Impl* self;
            bool found;
        } context{this, false};
        XEvent unused;
        XCheckIfEvent(
            display_, &unused,
            [](Display*, XEvent* candidate, XPointer argument) -> Bool {
                auto* c = reinterpret_cast<Context*>(argument);
                c->found = c->found || c->self->isClipboardOwnerChange(*candidate);
                return False;
            },
            reinterpret_cast<XPointer>(&context));
        return context.found;
    }

    static QStringList normalisedTypes(const QStringList& targetNames) {
        static const QStringList textTargets{QStringLiteral("UTF8_STRING"), PasteboardTypes::plainText,
                                             QStringLiteral("text/plain;charset=UTF-8"),
                                             QStringLiteral("text/plain"), QStringLiteral("STRING"),
                                             QStringLiteral("TEXT")};
        QStringList types;
        for (const QString& name : targetNames) {
            if (!types.contains(name)) {
                types.append(name);
            }
        }
        const bool hasText = std::any_of(textTargets.begin(), textTargets.end(),
                                         [&](const QString& t) { return targetNames.contains(t); });
        if (hasText && !types.contains(PasteboardTypes::plainText)) {
            types.append(PasteboardTypes::plainText);
        }
        if (targetNames.contains(QStringLiteral("application/rtf")) && !types.contains(PasteboardTypes::rtf)) {
            types.append(PasteboardTypes::rtf);
        }
        return types;
    }

    // The targets that serve a normalised type, best first.
    std::vector<Atom> targetAtomsFor(const QString& type, const QStringList& offered) {
        QStringList names;
        if (type == PasteboardTypes::plainText) {
            names = {QStringLiteral("UTF8_STRING"), PasteboardTypes::plainText,
                     QStringLiteral("text/plain;charset=UTF-8"), QStringLiteral("text/plain"),
                     QStringLiteral("STRING")};
        } else if (type == PasteboardTypes::rtf) {
            names = {PasteboardTypes::rtf, QStringLiteral("application/rtf")};
        } else {
            names = {type};
        }
        std::vector<Atom> atoms;
        for (const QString& name : names) {
            if (offered.isEmpty() || offered.contains(name)) {
                atoms.push_back(name == QLatin1String("STRING") ? XA_STRING : atom(name));
            }
        }
        return atoms;
    }

    // Names of atoms, from the cache or in one round trip; atoms never change meaning.
    QStringList atomNames(const std::vector<Atom>& atoms) {
        std::vector<Atom> unknown;
        for (const Atom a : atoms) {
            if (a != None && atomNameCache_.find(a) == atomNameCache_.end()) {
                unknown.push_back(a);
            }
        }
        if (!unknown.empty()) {
            std::vector<char*> raw(unknown.size(), nullptr);
            if (XGetAtomNames(display_, unknown.data(), int(unknown.size()), raw.data())) {
                for (size_t i = 0; i < unknown.size(); ++i) {
                    atomNameCache_[unknown[i]] = QString::fromUtf8(raw[i]);
                    XFree(raw[i]);
                }
            }
        }
        QStringList names;
        for (const Atom a : atoms) {
            const auto it = atomNameCache_.find(a);
            if (it != atomNameCache_.end() && !it->second.isEmpty()) {
                names.append(it->second);
            }
        }
        return names;
    }

    // False when a new owner took over meanwhile (what was read may be a mixture).
    bool takeSnapshot(X11ClipboardSnapshot& snapshot) {
        const qint64 limit = prefetchLimit;
        Conversion targets = convert(targets_, 1 << 20);
        QStringList names;
        if (targets.outcome == Conversion::Outcome::ok) {
            const auto* atoms = reinterpret_cast<const unsigned long*>(targets.data.bytes.constData());
            const qsizetype count = std::min<qsizetype>(targets.data.bytes.size() / qsizetype(sizeof(unsigned long)),
                                                        maximumTargets);
            names = atomNames(std::vector<Atom>(atoms, atoms + count));
        } else if (targets.outcome == Conversion::Outcome::refused) {
            // Old owners without TARGETS: plain text is all we can hope for.
            names = {QStringLiteral("UTF8_STRING"), QStringLiteral("STRING")};
        } else {
            currentTargetNames_.clear();
            return targets.outcome != Conversion::Outcome::preempted;
        }
        currentTargetNames_ = names;
        snapshot.types = normalisedTypes(names);

        bool preempted = false;
        auto prefetch = [&](const QString& type, qint64 maxBytes) -> bool {
            if (!snapshot.types.contains(type)) {
                return true;
            }
            const std::vector<Atom> candidates = targetAtomsFor(type, names);
            for (const Atom target : candidates) {
                Conversion conversion = convert(target, maxBytes);
                if (conversion.outcome == Conversion::Outcome::preempted) {
                    preempted = true;
                    return false;
                }
                if (conversion.outcome == Conversion::Outcome::timedOut) {
                    snapshot.unreadable.insert(type);
                    return false; // a hung owner: stop asking it anything
                }
                if (conversion.outcome == Conversion::Outcome::refused) {
                    continue;
                }
                if (conversion.outcome == Conversion::Outcome::ok && conversion.type == XA_STRING) {
                    conversion.data.bytes = QString::fromLatin1(conversion.data.bytes).toUtf8();
                    conversion.data.byteCount = conversion.data.bytes.size();
                }
                snapshot.data[type] = conversion.data;
                return true;
            }
            snapshot.unreadable.insert(type);
            return true;
        };

        if (!prefetch(PasteboardTypes::passwordManagerHint, hintMaxBytes)) {
            snapshot.secret = true;
            return !preempted;
        }
        if (const auto hint = snapshot.data.find(PasteboardTypes::passwordManagerHint); hint != snapshot.data.end()) {
            if (hint->second.exceedsLimit || hint->second.bytes.trimmed() == "secret") {
                snapshot.secret = true;
                return true;
            }
        } else if (snapshot.unreadable.count(PasteboardTypes::passwordManagerHint) > 0) {
            snapshot.secret = true;
            return true;
        }

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
            if (!prefetch(type, limit)) {
                break;
            }
        }
        return !preempted;
    }

    void fillFromOwnData(X11ClipboardSnapshot& snapshot) {
        QStringList names;
        for (const auto& [type, bytes] : owned_) {
            names.append(type);
            snapshot.data[type] = PasteboardData{bytes, bytes.size(), false};
        }
        snapshot.types = normalisedTypes(names);
        currentTargetNames_ = names;
    }

    std::optional<PasteboardData> ownData(const QString& type, qint64 maxBytes) {
        for (const auto& [offered, bytes] : owned_) {
            if (offered == type) {
                if (bytes.size() > maxBytes) {
                    return PasteboardData{bytes.left(oversizePrefixBytes), bytes.size(), true};
                }
                return PasteboardData{bytes, bytes.size(), false};
            }
        }
        return std::nullopt;
    }

    // ----- reading from another owner -----

    enum class Wait { arrived, timedOut, ownerChanged };

    // Waits for the event the predicate picks. With preemptible set, a change of the
    // clipboard's owner ends the wait early (the change stays queued for the loop).
    template <typename Predicate>
    Wait waitForEvent(XEvent& event, Predicate predicate, Clock::time_point deadline, bool preemptible) {
        struct Context {
            Predicate* predicate;
            const Impl* self;
            bool preemptible;
        } context{&predicate, this, preemptible};
        auto trampoline = [](Display*, XEvent* candidate, XPointer argument) -> Bool {
            auto* c = reinterpret_cast<Context*>(argument);
            return (c->preemptible && c->self->isClipboardOwnerChange(*candidate)) || (*c->predicate)(*candidate)
                       ? True
                       : False;
        };
        const int xfd = ConnectionNumber(display_);
        for (;;) {
            if (XCheckIfEvent(display_, &event, trampoline, reinterpret_cast<XPointer>(&context))) {
                if (preemptible && isClipboardOwnerChange(event)) {
                    XPutBackEvent(display_, &event);
                    return Wait::ownerChanged;
                }
                return Wait::arrived;
            }
            const auto remaining = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (remaining.count() <= 0) {
                return Wait::timedOut;
            }
            pollfd fd{xfd, POLLIN, 0};
            ::poll(&fd, 1, int(remaining.count()) + 1);
        }
    }

    // Reads and deletes the transfer property; nullopt when it is not there. A small
    // property (the usual case) takes one round trip: every one counts while the next
    // copy in a burst may replace this owner.
    std::optional<QByteArray> takeProperty(Atom* type, int* format, qint64 maxBytes, qint64* totalBytes) {
        Atom actualType = None;
        int actualFormat = 0;
        unsigned long items = 0;
        unsigned long bytesAfter = 0;
        unsigned char* data = nullptr;
        const long firstLongs = long(std::min<qint64>(maxBytes, firstReadBytes) / 4 + 1);
        if (XGetWindowProperty(display_, requestorWindow_, transferProperty_, 0, firstLongs, True, AnyPropertyType,
                               &actualType, &actualFormat, &items, &bytesAfter, &data) != Success ||
            actualType == None) {
            if (data != nullptr) {
                XFree(data);
            }
            return std::nullopt;
        }
        auto clientBytes = [](int itemFormat, unsigned long count) {
            const qsizetype unit = itemFormat == 32 ? qsizetype(sizeof(long)) : itemFormat == 16 ? 2 : 1;
            return qsizetype(count) * unit;
        };
        *type = actualType;
        *format = actualFormat;
        // Sizes in protocol bytes (format / 8 per item), as the owner sent them.
        *totalBytes = qint64(items) * (actualFormat / 8) + qint64(bytesAfter);
        QByteArray bytes(reinterpret_cast<const char*>(data), clientBytes(actualFormat, items));
        XFree(data);
        if (bytesAfter == 0) {
            // Read whole, and deleted by that read.
            return *totalBytes > maxBytes ? bytes.left(oversizePrefixBytes) : bytes;
        }
        if (*totalBytes > maxBytes) {
            XDeleteProperty(display_, requestorWindow_, transferProperty_);
            return bytes.left(oversizePrefixBytes);
        }
        data = nullptr;
        if (XGetWindowProperty(display_, requestorWindow_, transferProperty_, 0, long((*totalBytes + 3) / 4), True,
                               AnyPropertyType, &actualType, &actualFormat, &items, &bytesAfter, &data) != Success ||
            actualType == None) {
            if (data != nullptr) {
                XFree(data);
            }
            return std::nullopt;
        }
        bytes = QByteArray(reinterpret_cast<const char*>(data), clientBytes(actualFormat, items));
        XFree(data);
        return bytes;
    }

    Conversion convert(Atom target, qint64 maxBytes) {
        Conversion result;
        XDeleteProperty(display_, requestorWindow_, transferProperty_);
        XConvertSelection(display_, clipboard_, target, transferProperty_, requestorWindow_, CurrentTime);
        XFlush(display_);
        const Window requestor = requestorWindow_;
        XEvent event;
        const Wait answered = waitForEvent(
            event,
            [&](const XEvent& e) {
                return e.type == SelectionNotify && e.xselection.requestor == requestor &&
                       e.xselection.selection == clipboard_ && e.xselection.target == target;
            },
            Clock::now() + readTimeout_, true);
        if (answered == Wait::ownerChanged) {
            replaceRequestorWindow();
            result.outcome = Conversion::Outcome::preempted;
            return result;
        }
        if (answered == Wait::timedOut) {
            Logger::warning(QStringLiteral("Clipboard owner did not answer within %1 ms for %2")
                                .arg(readTimeout_.count())
                                .arg(X11Support::atomName(display_, target)),
                            logCategory);
            replaceRequestorWindow();
            result.outcome = Conversion::Outcome::timedOut;
            return result;
        }
        if (event.xselection.property == None) {
            return result; // refused
        }
        Atom type = None;
        int format = 0;
        qint64 total = 0;
        std::optional<QByteArray> bytes = takeProperty(&type, &format, maxBytes, &total);
        if (!bytes) {
            return result;
        }
        result.type = type;
        if (type == incr_) {
            return receiveIncrementally(target, maxBytes, *bytes);
        }
        if (total > maxBytes) {
            result.outcome = Conversion::Outcome::exceeded;
            result.data = PasteboardData{*bytes, total, true};
            return result;
        }
        result.outcome = Conversion::Outcome::ok;
        result.data = PasteboardData{*bytes, bytes->size(), false};
        return result;
    }

    Conversion receiveIncrementally(Atom target, qint64 maxBytes, const QByteArray& header) {
        Conversion result;
        qint64 lowerBound = 0;
        if (header.size() >= qsizetype(sizeof(long))) {
            lowerBound = qint64(*reinterpret_cast<const unsigned long*>(header.constData()));
        }
        // Deleting the INCR property (done by takeProperty) asks for the first chunk.
        XFlush(display_);
        QByteArray received;
        const Window requestor = requestorWindow_;
        // Each chunk must come within the read timeout, and the whole transfer within
        // a fixed bound, so a trickling owner cannot keep the connection busy forever.
        const auto transferDeadline = Clock::now() + incrementalTransferTimeout;
        for (;;) {
            if (Clock::now() > transferDeadline) {
                Logger::warning(QStringLiteral("Clipboard transfer of %1 took too long and was abandoned")
                                    .arg(X11Support::atomName(display_, target)),
                                logCategory);
                replaceRequestorWindow();
                result.outcome = Conversion::Outcome::timedOut;
                return result;
            }
            XEvent event;
            const Wait arrived = waitForEvent(
                event,
                [&](const XEvent& e) {
                    return e.type == PropertyNotify && e.xproperty.window == requestor &&
                           e.xproperty.atom == transferProperty_ && e.xproperty.state == PropertyNewValue;
                },
                Clock::now() + readTimeout_, true);
            if (arrived == Wait::ownerChanged) {
                // A slow owner must not hold up the copy that replaced it.
                Logger::warning(QStringLiteral("Abandoned the incremental transfer of %1 after %2 bytes: the clipboard "
                                               "has a new owner")
                                    .arg(X11Support::atomName(display_, target))
                                    .arg(received.size()),
                                logCategory);
                replaceRequestorWindow();
                result.outcome = Conversion::Outcome::preempted;
                return result;
            }
            if (arrived == Wait::timedOut) {
                Logger::warning(QStringLiteral("Clipboard owner stalled during an incremental transfer of %1")
                                    .arg(X11Support::atomName(display_, target)),
                                logCategory);
                replaceRequestorWindow();
                result.outcome = Conversion::Outcome::timedOut;
                return result;
            }
            Atom type = None;
            int format = 0;
            qint64 total = 0;
            const std::optional<QByteArray> chunk =
                takeProperty(&type, &format, std::numeric_limits<qint64>::max(), &total);
            XFlush(display_);
            if (!chunk) {
                continue;
            }
            if (chunk->isEmpty()) {
                result.outcome = Conversion::Outcome::ok;
                result.type = type;
                result.data = PasteboardData{received, received.size(), false};
                return result;
            }
            received.append(*chunk);
            if (received.size() > maxBytes) {
                // Abandon the transfer: the owner's later chunks land on a dead window.
                replaceRequestorWindow();
                result.outcome = Conversion::Outcome::exceeded;
                result.data = PasteboardData{received.left(oversizePrefixBytes), std::max<qint64>(lowerBound, received.size()),
                                             true};
                return result;
            }
        }
    }

    // ----- owning the selection -----

    Time serverTime() {
        XChangeProperty(display_, ownerWindow_, timestampProperty_, timestampProperty_, 8, PropModeAppend, nullptr, 0);
        XFlush(display_);
        XEvent event;
        const Window owner = ownerWindow_;
        const Atom property = timestampProperty_;
        if (waitForEvent(
                event,
                [&](const XEvent& e) {
                    return e.type == PropertyNotify && e.xproperty.window == owner && e.xproperty.atom == property;
                },
                Clock::now() + readTimeout_, false) == Wait::arrived) {
            return event.xproperty.time;
        }
        return CurrentTime;
    }

    std::optional<std::pair<Atom, QByteArray>> ownedDataForTarget(Atom target) {
        const QString name = target == XA_STRING ? QStringLiteral("STRING") : X11Support::atomName(display_, target);
        const auto plain = std::find_if(owned_.begin(), owned_.end(),
                                        [](const auto& r) { return r.first == PasteboardTypes::plainText; });
        if (plain != owned_.end()) {
            if (name == QLatin1String("UTF8_STRING") || name == QLatin1String("TEXT") ||
                name == QLatin1String("text/plain") || name == QLatin1String("text/plain;charset=UTF-8")) {
                return std::make_pair(name == QLatin1String("TEXT") ? utf8String_ : target, plain->second);
            }
            if (name == QLatin1String("STRING")) {
                return std::make_pair(Atom(XA_STRING), QString::fromUtf8(plain->second).toLatin1());
            }
        }
        for (const auto& [type, bytes] : owned_) {
            if (type == name) {
                return std::make_pair(target, bytes);
            }
        }
        return std::nullopt;
    }

    void serveRequest(const XSelectionRequestEvent& request) {
        XSelectionEvent reply{};
        reply.type = SelectionNotify;
        reply.display = display_;
        reply.requestor = request.requestor;
        reply.selection = request.selection;
        reply.target = request.target;
        reply.time = request.time;
        reply.property = None;
        const Atom property = request.property == None ? request.target : request.property;
        if (request.selection == clipboard_ && request.owner == ownerWindow_ && !owned_.empty()) {
            if (request.target == targets_) {
                std::vector<unsigned long> atoms{targets_, timestamp_};
                for (const auto& [type, bytes] : owned_) {
                    atoms.push_back(atom(type));
                    if (type == PasteboardTypes::plainText) {
                        atoms.push_back(utf8String_);
                        atoms.push_back(XA_STRING);
                        atoms.push_back(atom("TEXT"));
                        atoms.push_back(atom("text/plain"));
                    }
                }
                XChangeProperty(display_, request.requestor, property, XA_ATOM, 32, PropModeReplace,
                                reinterpret_cast<const unsigned char*>(atoms.data()), int(atoms.size()));
                reply.property = property;
            } else if (request.target == timestamp_) {
                const unsigned long time = ownedSince_;
                XChangeProperty(display_, request.requestor, property, XA_INTEGER, 32, PropModeReplace,
                                reinterpret_cast<const unsigned char*>(&time), 1);
                reply.property = property;
            } else if (const auto data = ownedDataForTarget(request.target)) {
                if (data->second.size() > incrementalChunkBytes) {
                    startOutgoingTransfer(request.requestor, property, data->first, data->second);
                } else {
                    XChangeProperty(display_, request.requestor, property, data->first, 8, PropModeReplace,
                                    reinterpret_cast<const unsigned char*>(data->second.constData()),
                                    int(data->second.size()));
                }
                reply.property = property;
            }
        }
        XSendEvent(display_, request.requestor, False, NoEventMask, reinterpret_cast<XEvent*>(&reply));
        XFlush(display_);
    }

    struct OutgoingTransfer {
        Window requestor;
        Atom property;
        Atom type;
        QByteArray data;
        qsizetype offset = 0;
        Clock::time_point lastActivity;
    };

    void startOutgoingTransfer(Window requestor, Atom property, Atom type, const QByteArray& data) {
        XSelectInput(display_, requestor, PropertyChangeMask);
        const unsigned long size = static_cast<unsigned long>(data.size());
        XChangeProperty(display_, requestor, property, incr_, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&size), 1);
        outgoing_.push_back({requestor, property, type, data, 0, Clock::now()});
    }

    void continueOutgoingTransfer(Window window, Atom property) {
        for (auto it = outgoing_.begin(); it != outgoing_.end(); ++it) {
            if (it->requestor != window || it->property != property) {
                continue;
            }
            const qsizetype length = std::min<qsizetype>(incrementalChunkBytes, it->data.size() - it->offset);
            XChangeProperty(display_, window, property, it->type, 8, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(it->data.constData() + it->offset), int(length));
            it->offset += length;
            it->lastActivity = Clock::now();
            if (length == 0) {
                // The zero-length chunk that ends the transfer has been written.
                XSelectInput(display_, window, NoEventMask);
                outgoing_.erase(it);
            }
            XFlush(display_);
            return;
        }
    }

    void expireOutgoingTransfers() {
        const auto now = Clock::now();
        std::erase_if(outgoing_, [&](const OutgoingTransfer& transfer) {
            return now - transfer.lastActivity > outgoingTransferTimeout;
        });
    }

    Display* display_;
    const std::chrono::milliseconds readTimeout_;
    const int fixesEventBase_;
    int wakeFd_ = -1;
    Window ownerWindow_ = None;
    Window requestorWindow_ = None;
    Window currentOwner_ = None;
    Atom clipboard_ = None;
    Atom targets_ = None;
    Atom timestamp_ = None;
    Atom incr_ = None;
    Atom utf8String_ = None;
    Atom transferProperty_ = None;
    Atom timestampProperty_ = None;
    QStringList currentTargetNames_;
    std::map<Atom, QString> atomNameCache_;
    PasteboardRepresentations owned_;
    Time ownedSince_ = CurrentTime;
    std::vector<OutgoingTransfer> outgoing_;

    mutable std::mutex snapshotMutex_;
    std::shared_ptr<const X11ClipboardSnapshot> latest_;
    // Readable snapshots the monitor has not taken yet, oldest first.
    std::deque<std::shared_ptr<const X11ClipboardSnapshot>> queue_;
    qint64 queuedBytes_ = 0;
    qint64 unreadableChanges_ = 0;
    std::function<void()> changeHandler_;

    std::mutex taskMutex_;
    std::deque<std::function<void()>> tasks_;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

std::unique_ptr<X11ClipboardConnection> X11ClipboardConnection::open(const QByteArray& displayName, int readTimeoutMs,
                                                                     QString* error) {
    X11Support::installErrorHandler();
    Display* display = XOpenDisplay(displayName.isEmpty() ? nullptr : displayName.constData());
    if (display == nullptr) {
        if (error != nullptr) {
            *error = QStringLiteral("Cannot open the X display (%1)").arg(QString::fromLocal8Bit(strerror(errno)));
        }
        return nullptr;
    }
    int eventBase = 0;
    int errorBase = 0;
    if (!XFixesQueryExtension(display, &eventBase, &errorBase)) {
        XCloseDisplay(display);
        if (error != nullptr) {
            *error = QStringLiteral("The X server lacks the XFixes extension");
        }
        return nullptr;
    }
    return std::unique_ptr<X11ClipboardConnection>(
        new X11ClipboardConnection(std::make_unique<Impl>(display, readTimeoutMs, eventBase)));
}

X11ClipboardConnection::X11ClipboardConnection(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

X11ClipboardConnection::~X11ClipboardConnection() = default;

std::shared_ptr<const X11ClipboardSnapshot> X11ClipboardConnection::latest() const { return impl_->latest(); }

std::shared_ptr<const X11ClipboardSnapshot> X11ClipboardConnection::takeQueued(qint64 after) {
    return impl_->takeQueued(after);
}

qint64 X11ClipboardConnection::unreadableChanges() const { return impl_->unreadableChanges(); }

void X11ClipboardConnection::setChangeHandler(std::function<void()> handler) {
    impl_->setChangeHandler(std::move(handler));
}

void X11ClipboardConnection::setPrefetchLimit(qint64 bytes) { impl_->prefetchLimit = bytes; }

qint64 X11ClipboardConnection::prefetchLimit() const { return impl_->prefetchLimit; }

std::optional<PasteboardData> X11ClipboardConnection::read(const QString& type, qint64 maxBytes) {
    Impl* impl = impl_.get();
    return impl_->call<std::optional<PasteboardData>>([impl, type, maxBytes] { return impl->readType(type, maxBytes); },
                                                      std::nullopt);
}

bool X11ClipboardConnection::write(const PasteboardRepresentations& representations) {
    Impl* impl = impl_.get();
    return impl_->call<bool>([impl, representations] { return impl->writeRepresentations(representations); }, false);
}

} // namespace quellpad
