// The history facade over the repository and the clipboard monitor (seen only as
// the capture-suspending part it needs). Holds no state.
#pragma once

#include <memory>

#include "history/ClipboardCaptureSuspending.h"
#include "history/ClipboardHistoryManagerProtocol.h"
#include "history/ClipboardHistoryRepositoryProtocol.h"

namespace quellpad {

class ClipboardHistoryManager final : public ClipboardHistoryManagerProtocol {
public:
    ClipboardHistoryManager(std::shared_ptr<ClipboardHistoryRepositoryProtocol> repository,
                            std::shared_ptr<ClipboardCaptureSuspending> clipboardMonitor)
        : repository_(std::move(repository)), clipboardMonitor_(std::move(clipboardMonitor)) {}

    QFuture<std::vector<ClipboardHistoryIndexSnapshot>> getHistorySnapshots(const QString& searchQuery,
                                                                            std::optional<int> limit) override {
        return repository_->getHistorySnapshots(searchQuery, limit);
    }
    QFuture<std::optional<ClipboardHistoryContentSnapshot>> getContentSnapshotById(const QString& id) override {
        return repository_->getContentSnapshotById(id);
    }
    void deleteItem(const QString& id) override { repository_->deleteItem(id); }
    void clearAll() override { repository_->clearAll(); }
    void recordUsage(const QString& id) override { repository_->recordUsage(id); }
    void performWithoutCapture(const std::function<void()>& body) override {
        clipboardMonitor_->performWithoutCapture(body);
    }

private:
    std::shared_ptr<ClipboardHistoryRepositoryProtocol> repository_;
    std::shared_ptr<ClipboardCaptureSuspending> clipboardMonitor_;
};

// Installed when no repository could be built: empty reads, no-op writes.
class EmptyClipboardHistoryManager final : public ClipboardHistoryManagerProtocol {
public:
    QFuture<std::vector<ClipboardHistoryIndexSnapshot>> getHistorySnapshots(const QString&, std::optional<int>) override {
        return QtFuture::makeReadyFuture(std::vector<ClipboardHistoryIndexSnapshot>{});
    }
    QFuture<std::optional<ClipboardHistoryContentSnapshot>> getContentSnapshotById(const QString&) override {
        return QtFuture::makeReadyFuture(std::optional<ClipboardHistoryContentSnapshot>{});
    }
    void deleteItem(const QString&) override {}
    void clearAll() override {}
    void recordUsage(const QString&) override {}
    void performWithoutCapture(const std::function<void()>& body) override { body(); }
};

} // namespace quellpad
