#include "panel/ClipboardTemporaryFiles.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "Core/Utilities/Logger.h"
#include "Core/Utilities/PrivateFiles.h"
#include "Core/Utilities/SerialQueue.h"
#include "platform/OneShotTimer.h"

namespace quellpad {

namespace {
const QString category = QStringLiteral("ClipboardTemporaryFiles");

// Removes what lies below root, keeping root itself.
void removeContents(const QString& root) {
    QDir dir(root);
    for (const QFileInfo& entry : dir.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System)) {
        if (entry.isDir() && !entry.isSymLink()) {
            QDir(entry.absoluteFilePath()).removeRecursively();
        } else {
            QFile::remove(entry.absoluteFilePath());
        }
    }
}

bool isSafeName(const QString& name) {
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && name != QStringLiteral(".") &&
           name != QStringLiteral("..");
}
} // namespace

QString ClipboardTemporaryFiles::defaultRoot() {
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(QString::fromLocal8Bit(runtime))) {
        return QString::fromLocal8Bit(runtime) + QStringLiteral("/quellpad");
    }
    return QDir::tempPath() + QStringLiteral("/quellpad-") + QString::number(::getuid());
}

ClipboardTemporaryFiles::ClipboardTemporaryFiles(OneShotTimerScheduler& timers, QString root, double lifetimeSeconds)
    : timers_(timers),
      root_(std::move(root)),
      lifetimeSeconds_(lifetimeSeconds),
      cleanupQueue_(std::make_unique<SerialQueue>(QStringLiteral("Quellpad.DragFileCleanup"))) {
    // The files of an earlier run that ended without cleaning up; removed before any
    // new file is written, so the removal cannot race with one.
    if (!ensurePrivateFolder(root_)) {
        removeContents(root_);
    }
}

ClipboardTemporaryFiles::~ClipboardTemporaryFiles() {
    *alive_ = false;
    pendingRemovals_.clear();
    removeAll();
}

std::optional<QString> ClipboardTemporaryFiles::ensurePrivateFolder(const QString& path) {
    if (const std::optional<QString> error = PrivateFiles::createDirectories(path)) {
        return error;
    }
    // In a shared temporary directory someone else may have made the folder first (or
    // a link in its place): use it only when it is ours, a real folder and private.
    struct stat status {};
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0) {
        return QStringLiteral("Cannot inspect ") + path;
    }
    if (!S_ISDIR(status.st_mode) || status.st_uid != ::getuid()) {
        return path + QStringLiteral(" is not a folder owned by this user");
    }
    if ((status.st_mode & 0077) != 0 && ::chmod(QFile::encodeName(path).constData(), PrivateFiles::directoryMode) != 0) {
        return QStringLiteral("Cannot make ") + path + QStringLiteral(" private");
    }
    return std::nullopt;
}

ClipboardTemporaryFiles::WriteResult ClipboardTemporaryFiles::write(const QString& subfolder, const QString& fileName,
                                                                    const QByteArray& data) {
    if (!isSafeName(subfolder) || !isSafeName(fileName)) {
        return {std::nullopt, QStringLiteral("Invalid temporary file name: ") + subfolder + QLatin1Char('/') + fileName};
    }
    if (const std::optional<QString> error = ensurePrivateFolder(root_)) {
        return {std::nullopt, *error};
    }
    const QString folder = root_ + QLatin1Char('/') + subfolder;
    if (const std::optional<QString> error = ensurePrivateFolder(folder)) {
        return {std::nullopt, *error};
    }
    const QString path = folder + QLatin1Char('/') + fileName;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return {std::nullopt, file.errorString()};
    }
    if (file.write(data) != data.size()) {
        const QString error = file.errorString();
        file.cancelWriting();
        return {std::nullopt, error};
    }
    if (!file.commit()) {
        return {std::nullopt, file.errorString()};
    }
    // Ours alone, whatever the umask made of the new file.
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);

    const std::weak_ptr<bool> alive = alive_;
    pendingRemovals_.erase(std::remove(pendingRemovals_.begin(), pendingRemovals_.end(), nullptr), pendingRemovals_.end());
    pendingRemovals_.push_back(timers_.schedule(lifetimeSeconds_, [this, alive, path] {
        if (!alive.lock()) return;
        cleanupQueue_->async([path] {
            if (!QFile::remove(path) && QFile::exists(path)) {
                Logger::warning(QStringLiteral("Could not remove temporary file ") + path, category);
            }
        });
    }));
    return {path, QString()};
}

void ClipboardTemporaryFiles::removeAll() {
    const QString root = root_;
    cleanupQueue_->sync([root] {
        if (QFileInfo(root).isDir()) removeContents(root);
    });
}

void ClipboardTemporaryFiles::drain() {
    cleanupQueue_->sync([] {});
}

} // namespace quellpad
