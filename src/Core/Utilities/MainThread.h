// Hands work to the thread that runs the Qt event loop.
#pragma once

#include <functional>

#include <QFuture>
#include <QPointer>

namespace quellpad::MainThread {

// Runs work on the main thread's event loop, later, in posting order. Without a
// QCoreApplication (plain library use) the work runs inline.
void post(std::function<void()> work);

// True on the thread that owns the QCoreApplication.
bool isCurrent();

// Hands the finished future (a result or an exception) to handler on the main thread,
// later, unless context has been destroyed by then. Call from the main thread. Qt's
// own then(context, ...) asserts that its context still lives when the future
// finishes, which a window closed during a query does not.
template <typename T, typename Handler>
void whenFinished(QFuture<T> future, QObject* context, Handler handler) {
    QPointer<QObject> guard(context);
    future.then(QtFuture::Launch::Sync, [guard, handler = std::move(handler)](QFuture<T> done) mutable {
        post([guard, handler, done]() mutable {
            if (guard) handler(done);
        });
    });
}

} // namespace quellpad::MainThread
