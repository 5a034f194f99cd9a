// Files the panel hands to other applications (an item opened with its default
// application, a dragged item): kept in a private folder (0700, files 0600) because
// clipboard text may be secret, removed on a cleanup queue once the other
// application had time to read them, and all removed at exit.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include <QByteArray>
#include <QString>

namespace quellpad {

class OneShotTimerScheduler;
class ScheduledTimer;
class SerialQueue;

class ClipboardTemporaryFiles {
public:
    // How long a handed-out file stays before the cleanup queue removes it.
    static constexpr double defaultLifetimeSeconds = 600;

    // root: the private folder ($XDG_RUNTIME_DIR/quellpad when that is set, else a
    // per-user folder in the temporary directory). Leftovers of an earlier run are removed.
    ClipboardTemporaryFiles(OneShotTimerScheduler& timers, QString root = defaultRoot(),
                            double lifetimeSeconds = defaultLifetimeSeconds);
    ~ClipboardTemporaryFiles();

    static QString defaultRoot();
    const QString& root() const { return root_; }

    struct WriteResult {
        std::optional<QString> path; // set on success
        QString error;               // English description on failure
    };
    // Writes data atomically to subfolder/fileName below the root (0600) and schedules
    // its removal. An existing file of that name is replaced.
    WriteResult write(const QString& subfolder, const QString& fileName, const QByteArray& data);

    // Removes every file below the root now (on the cleanup queue; waits for it).
    void removeAll();
    // Waits until the removals queued so far are done (tests).
    void drain();

private:
    std::optional<QString> ensurePrivateFolder(const QString& path);

    OneShotTimerScheduler& timers_;
    QString root_;
    double lifetimeSeconds_;
    std::unique_ptr<SerialQueue> cleanupQueue_;
    std::vector<std::unique_ptr<ScheduledTimer>> pendingRemovals_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace quellpad
