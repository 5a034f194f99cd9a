// A named serial queue: one worker thread that runs submitted work in FIFO order.
// Stands for each serial dispatch queue and actor of the design. Work never runs
// concurrently with other work of the same queue.
#pragma once

#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <future>
#include <mutex>
#include <thread>
#include <type_traits>

#include <QFuture>
#include <QPromise>
#include <QString>

namespace quellpad {

class SerialQueue {
public:
    explicit SerialQueue(QString name);
    // Runs the work already queued, then joins the worker.
    ~SerialQueue();

    SerialQueue(const SerialQueue&) = delete;
    SerialQueue& operator=(const SerialQueue&) = delete;

    const QString& name() const { return name_; }

    // Queues work and returns at once.
    void async(std::function<void()> work);

    // Queues work and waits for its result. Called from the queue's own thread it
    // runs the work inline instead of deadlocking. Exceptions propagate to the caller.
    template <typename F>
    auto sync(F&& work) -> std::invoke_result_t<F> {
        using R = std::invoke_result_t<F>;
        if (isCurrent()) {
            return work();
        }
        std::packaged_task<R()> task(std::forward<F>(work));
        std::future<R> future = task.get_future();
        async([&task] { task(); });
        return future.get();
    }

    // Queues work and hands its result back as a future (continuations may run on
    // any thread; use MainThread::post or QFuture::then(context, ...) to return).
    template <typename F>
    auto submit(F&& work) -> QFuture<std::invoke_result_t<F>> {
        using R = std::invoke_result_t<F>;
        auto promise = std::make_shared<QPromise<R>>();
        QFuture<R> future = promise->future();
        promise->start();
        async([promise, work = std::forward<F>(work)]() mutable {
            try {
                if constexpr (std::is_void_v<R>) {
                    work();
                } else {
                    promise->addResult(work());
                }
            } catch (...) {
                promise->setException(std::current_exception());
            }
            promise->finish();
        });
        return future;
    }

    // True when called on this queue's worker thread.
    bool isCurrent() const;

private:
    void run();

    QString name_;
    std::mutex mutex_;
    std::condition_variable condition_;
    std::deque<std::function<void()>> work_;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace quellpad
