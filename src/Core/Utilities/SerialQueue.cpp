#include "Core/Utilities/SerialQueue.h"

#include <pthread.h>

namespace quellpad {

SerialQueue::SerialQueue(QString name) : name_(std::move(name)) {
    thread_ = std::thread([this] { run(); });
    // Thread names are limited to 15 bytes; the tail of a dotted name is the informative part.
    QByteArray threadName = name_.toUtf8();
    if (threadName.size() > 15) {
        threadName = threadName.right(15);
    }
    pthread_setname_np(thread_.native_handle(), threadName.constData());
}

SerialQueue::~SerialQueue() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    condition_.notify_one();
    if (thread_.joinable()) {
        thread_.join();
    }
}

void SerialQueue::async(std::function<void()> work) {
    {
        std::lock_guard lock(mutex_);
        work_.push_back(std::move(work));
    }
    condition_.notify_one();
}

bool SerialQueue::isCurrent() const {
    return std::this_thread::get_id() == thread_.get_id();
}

void SerialQueue::run() {
    for (;;) {
        std::function<void()> next;
        {
            std::unique_lock lock(mutex_);
            condition_.wait(lock, [this] { return stopping_ || !work_.empty(); });
            if (work_.empty()) {
                return; // stopping and drained
            }
            next = std::move(work_.front());
            work_.pop_front();
        }
        next();
    }
}

} // namespace quellpad
