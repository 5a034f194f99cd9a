#include "platform/linux/DesktopEntryIndex.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QStandardPaths>

namespace quellpad {

namespace {

constexpr qint64 refreshSeconds = 60;
constexpr qint64 maxEntryBytes = 256 * 1024;

QString withoutDesktopSuffix(QString id) {
    if (id.endsWith(QLatin1String(".desktop"))) {
        id.chop(8);
    }
    return id;
}

} // namespace

DesktopEntryIndex::DesktopEntryIndex(QStringList applicationDirectories)
    : applicationDirectories_(std::move(applicationDirectories)) {
    if (applicationDirectories_.isEmpty()) {
        for (const QString& dir : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
            applicationDirectories_.append(dir + QStringLiteral("/applications"));
        }
    }
}

void DesktopEntryIndex::load() {
    byStartupWMClass_.clear();
    byFileId_.clear();
    // Earlier directories win, as in the XDG lookup order.
    for (const QString& directory : applicationDirectories_) {
        QDirIterator it(directory, {QStringLiteral("*.desktop")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            // The desktop-file id: the path below applications/ with "/" as "-".
            const QString id = withoutDesktopSuffix(QDir(directory).relativeFilePath(path).replace(QLatin1Char('/'), QLatin1Char('-')));
            byFileId_.emplace(id.toLower(), id);
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly) || file.size() > maxEntryBytes) {
                continue;
            }
            bool inMainGroup = false;
            while (!file.atEnd()) {
                const QByteArray line = file.readLine().trimmed();
                if (line.startsWith('[')) {
                    inMainGroup = line == "[Desktop Entry]";
                } else if (inMainGroup && line.startsWith("StartupWMClass=")) {
                    const QString wmClass = QString::fromUtf8(line.mid(15)).trimmed().toLower();
                    if (!wmClass.isEmpty()) {
                        byStartupWMClass_.emplace(wmClass, id);
                    }
                }
            }
        }
    }
    loadedAt_ = QDateTime::currentDateTimeUtc();
}

std::optional<QString> DesktopEntryIndex::desktopIdForWMClass(const QString& instance, const QString& windowClass) {
    if (!loadedAt_.isValid() || loadedAt_.secsTo(QDateTime::currentDateTimeUtc()) > refreshSeconds) {
        load();
    }
    for (const QString& key : {windowClass.toLower(), instance.toLower()}) {
        if (key.isEmpty()) {
            continue;
        }
        if (const auto it = byStartupWMClass_.find(key); it != byStartupWMClass_.end()) {
            return it->second;
        }
        if (const auto it = byFileId_.find(key); it != byFileId_.end()) {
            return it->second;
        }
    }
    return std::nullopt;
}

} // namespace quellpad
