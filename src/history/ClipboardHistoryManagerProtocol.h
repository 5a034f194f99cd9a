// What the user interface sees of the history: reads, deletion, usage, and clipboard
// writes that are not captured again.
#pragma once

#include <functional>
#include <optional>
#include <vector>

#include <QFuture>
#include <QString>

#include "history/ClipboardHistoryRecords.h"

namespace quellpad {

class ClipboardHistoryManagerProtocol {
public:
    virtual ~ClipboardHistoryManagerProtocol() = default;

    virtual QFuture<std::vector<ClipboardHistoryIndexSnapshot>> getHistorySnapshots(const QString& searchQuery,
                                                                                    std::optional<int> limit) = 0;
    virtual QFuture<std::optional<ClipboardHistoryContentSnapshot>> getContentSnapshotById(const QString& id) = 0;
    virtual void deleteItem(const QString& id) = 0;
    virtual void clearAll() = 0;
    virtual void recordUsage(const QString& id) = 0;
    // Runs body with capture suspended; body's exception propagates. Main thread only.
    virtual void performWithoutCapture(const std::function<void()>& body) = 0;
};

} // namespace quellpad
