#include "platform/fake/FakePasteboard.h"

#include <stdexcept>
#include <thread>

namespace quellpad {

namespace {
}

void FakePasteboard::setContent(const PasteboardRepresentations& representations) {
    {
        std::lock_guard lock(mutex_);
        content_ = representations;
        ++changeCount_;
        if (queuesChanges_) {
            queue_.emplace_back(changeCount_, representations);
        }
    }
    if (emitsChanges_) {
        Q_EMIT changed();
    }
}

void FakePasteboard::setText(const QString& text) { setContent({{PasteboardTypes::plainText, text.toUtf8()}}); }

void FakePasteboard::bumpChangeCount(qint64 by) {
    std::lock_guard lock(mutex_);
    changeCount_ += by;
    if (queuesChanges_) {
        unreadableChanges_ += by;
    }
}

void FakePasteboard::setBehaviour(const QString& type, const Behaviour& behaviour) {
    std::lock_guard lock(mutex_);
    behaviours_[type] = behaviour;
}

int FakePasteboard::readCount(const QString& type) const {
    std::lock_guard lock(mutex_);
    const auto it = readCounts_.find(type);
    return it == readCounts_.end() ? 0 : it->second;
}

PasteboardRepresentations FakePasteboard::content() const {
    std::lock_guard lock(mutex_);
    return content_;
}

qint64 FakePasteboard::latestChangeCount() {
    std::lock_guard lock(mutex_);
    return changeCount_;
}

qint64 FakePasteboard::changeCount() {
    std::lock_guard lock(mutex_);
    queue_.clear();
    taken_.reset();
    return changeCount_;
}

std::optional<qint64> FakePasteboard::takeNextChange(qint64 after) {
    std::lock_guard lock(mutex_);
    while (!queue_.empty() && queue_.front().first <= after) {
        queue_.pop_front();
    }
    if (queue_.empty()) {
        return std::nullopt;
    }
    const qint64 count = queue_.front().first;
    taken_ = std::move(queue_.front().second);
    queue_.pop_front();
    return count;
}

qint64 FakePasteboard::unreadableChangeCount() const {
    std::lock_guard lock(mutex_);
    return unreadableChanges_;
}

QStringList FakePasteboard::types() {
    std::lock_guard lock(mutex_);
    if (typesThrow_) {
        throw std::runtime_error("fake pasteboard: types failed");
    }
    QStringList result;
    for (const auto& [type, bytes] : readContent()) {
        result.append(type);
    }
    return result;
}

std::optional<PasteboardData> FakePasteboard::dataForType(const QString& type, qint64 maxBytes) {
    Behaviour behaviour;
    std::optional<QByteArray> bytes;
    {
        std::lock_guard lock(mutex_);
        ++readCounts_[type];
        if (const auto it = behaviours_.find(type); it != behaviours_.end()) {
            behaviour = it->second;
        }
        for (const auto& [offered, data] : readContent()) {
            if (offered == type) {
                bytes = data;
                break;
            }
        }
    }
    if (behaviour.stallMilliseconds > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(behaviour.stallMilliseconds));
    }
    if (behaviour.throws) {
        throw std::runtime_error("fake pasteboard: read failed");
    }
    if (!bytes) {
        return std::nullopt;
    }
    PasteboardData result;
    result.byteCount = behaviour.declaredByteCount >= 0 ? behaviour.declaredByteCount : bytes->size();
    if (result.byteCount > maxBytes) {
        result.exceedsLimit = true;
        result.bytes = bytes->left(oversizePrefixBytes);
    } else {
        result.bytes = *bytes;
    }
    return result;
}

bool FakePasteboard::write(const PasteboardRepresentations& representations) {
    if (writeFails_) return false;
    setContent(representations);
    return true;
}

} // namespace quellpad
