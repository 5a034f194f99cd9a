#include "platform/linux/XdgApplicationRegistry.h"

#include <set>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "Core/Utilities/Logger.h"

namespace quellpad {

namespace {

const QString logCategory = QStringLiteral("ApplicationRegistry");
constexpr qint64 maxEntryBytes = 256 * 1024;
// Installing an application while the app runs is noticed within this time.
constexpr qint64 entriesRefreshSeconds = 60;

// "\s", "\n", "\t", "\r" and "\\" are the escapes of a desktop-entry string value.
QString unescapedValue(const QString& value) {
    QString result;
    result.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != QLatin1Char('\\') || i + 1 == value.size()) {
            result.append(c);
            continue;
        }
        const QChar next = value.at(++i);
        switch (next.unicode()) {
        case 's': result.append(QLatin1Char(' ')); break;
        case 'n': result.append(QLatin1Char('\n')); break;
        case 't': result.append(QLatin1Char('\t')); break;
        case 'r': result.append(QLatin1Char('\r')); break;
        case '\\': result.append(QLatin1Char('\\')); break;
        default: result.append(c).append(next); break;
        }
    }
    return result;
}

struct ParsedEntry {
    bool hasMainGroup = false;
    bool hidden = false;
    std::optional<QString> type;
    QString name;
    QString icon;
};

ParsedEntry parseEntry(QFile& file) {
    ParsedEntry entry;
    bool inMainGroup = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine(maxEntryBytes)).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) {
            continue;
        }
        if (line.startsWith(QLatin1Char('['))) {
            inMainGroup = line == QLatin1String("[Desktop Entry]");
            entry.hasMainGroup = entry.hasMainGroup || inMainGroup;
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (!inMainGroup || equals <= 0) {
            continue;
        }
        const QString key = line.left(equals).trimmed();
        const QString value = line.mid(equals + 1).trimmed();
        if (key == QLatin1String("Name")) {
            entry.name = unescapedValue(value).trimmed();
        } else if (key == QLatin1String("Icon")) {
            entry.icon = unescapedValue(value).trimmed();
        } else if (key == QLatin1String("Type")) {
            entry.type = value;
        } else if (key == QLatin1String("Hidden")) {
            entry.hidden = value == QLatin1String("true");
        }
    }
    return entry;
}

} // namespace

XdgApplicationRegistry::XdgApplicationRegistry(QStringList applicationDirectories)
    : applicationDirectories_(applicationDirectories.isEmpty() ? defaultApplicationDirectories()
                                                               : std::move(applicationDirectories)) {}

QStringList XdgApplicationRegistry::defaultApplicationDirectories() {
    QStringList directories;
    for (const QString& dir : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
        directories.append(dir + QStringLiteral("/applications"));
    }
    return directories;
}

QList<std::pair<QString, QString>> XdgApplicationRegistry::installedApplications() {
    std::lock_guard lock(mutex_);
    loadIfStale();
    QList<std::pair<QString, QString>> applications;
    for (const Entry& entry : entries_) {
        applications.append({entry.id, entry.name.isEmpty() ? entry.id : entry.name});
    }
    return applications;
}

QList<InstalledApplication> XdgApplicationRegistry::installedApplicationEntries() {
    std::lock_guard lock(mutex_);
    loadIfStale();
    QList<InstalledApplication> applications;
    for (const Entry& entry : entries_) {
        applications.append({entry.id, entry.name.isEmpty() ? entry.id : entry.name, entry.icon});
    }
    return applications;
}

void XdgApplicationRegistry::loadIfStale() {
    const QDateTime now = QDateTime::currentDateTimeUtc();
    if (loadedAt_.isValid() && loadedAt_.secsTo(now) <= entriesRefreshSeconds) {
        return;
    }
    entries_.clear();
    std::set<QString> seenIds;
    for (const QString& directory : applicationDirectories_) {
        const QDir root(directory);
        QDirIterator it(directory, {QStringLiteral("*.desktop")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            QString id = root.relativeFilePath(path).replace(QLatin1Char('/'), QLatin1Char('-'));
            id.chop(8); // ".desktop"
            if (!seenIds.insert(id).second) {
                continue; // shadowed by an earlier directory
            }
            // A symbolic link may point at a FIFO or a device; only regular files are read.
            const QFileInfo info(path);
            if (!info.isFile()) {
                continue;
            }
            if (info.size() > maxEntryBytes) {
                Logger::warning(QStringLiteral("Skipped oversized desktop entry ") + path, logCategory);
                continue;
            }
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly)) {
                Logger::warning(QStringLiteral("Cannot read desktop entry ") + path + QStringLiteral(": ") +
                                    file.errorString(),
                                logCategory);
                continue;
            }
            const ParsedEntry parsed = parseEntry(file);
            if (!parsed.hasMainGroup) {
                Logger::debug(QStringLiteral("Skipped desktop entry without [Desktop Entry] group: ") + path,
                              logCategory);
                continue;
            }
            if (parsed.hidden || (parsed.type && *parsed.type != QLatin1String("Application"))) {
                continue;
            }
            entries_.push_back({id, parsed.name, parsed.icon});
        }
    }
    loadedAt_ = now;
}

bool XdgApplicationRegistry::containsApplication(const QString& bundleIdentifier) {
    std::lock_guard lock(mutex_);
    loadIfStale();
    return std::any_of(entries_.begin(), entries_.end(), [&](const Entry& entry) { return entry.id == bundleIdentifier; });
}

QStringList XdgApplicationRegistry::applicationIdentifiers(const QString& name) {
    const QString wanted = name.trimmed();
    QStringList identifiers;
    if (wanted.isEmpty()) {
        return identifiers;
    }
    std::lock_guard lock(mutex_);
    loadIfStale();
    for (const Entry& entry : entries_) {
        if (entry.name.compare(wanted, Qt::CaseInsensitive) == 0) {
            identifiers.append(entry.id);
        }
    }
    return identifiers;
}

} // namespace quellpad
