#include "Core/Utilities/PrivateFiles.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>

namespace quellpad::PrivateFiles {

namespace {

QString systemError(const QString& what, const QString& path, int code) {
    return what + QLatin1Char(' ') + path + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(code));
}

} // namespace

std::optional<QString> createDirectories(const QString& path) {
    const QString clean = QDir::cleanPath(QDir(path).absolutePath());
    const QStringList parts = clean.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString built;
    for (const QString& part : parts) {
        built += QLatin1Char('/') + part;
        const QByteArray native = QFile::encodeName(built);
        struct stat info {};
        if (::stat(native.constData(), &info) == 0) {
            if (!S_ISDIR(info.st_mode)) {
                return built + QStringLiteral(" exists and is not a directory");
            }
            continue;
        }
        // mkdir applies the umask, which may only remove bits from 0700.
        if (::mkdir(native.constData(), directoryMode) != 0 && errno != EEXIST) {
            return systemError(QStringLiteral("Could not create directory"), built, errno);
        }
    }
    return std::nullopt;
}

std::optional<QString> createFile(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, fileMode);
    if (fd >= 0) {
        ::close(fd);
        return std::nullopt;
    }
    if (errno == EEXIST) {
        return std::nullopt;
    }
    return systemError(QStringLiteral("Could not create"), path, errno);
}

std::optional<unsigned> mode(const QString& path) {
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0) {
        return std::nullopt;
    }
    return static_cast<unsigned>(info.st_mode & 07777);
}

std::optional<Restriction> restrict(const QString& path, QString* error) {
    struct stat info {};
    const QByteArray native = QFile::encodeName(path);
    if (::lstat(native.constData(), &info) != 0 || S_ISLNK(info.st_mode)) {
        return std::nullopt;
    }
    const unsigned oldMode = static_cast<unsigned>(info.st_mode & 07777);
    if ((oldMode & 077) == 0) {
        return std::nullopt;
    }
    const unsigned newMode = oldMode & ~077u;
    if (::chmod(native.constData(), newMode) != 0) {
        if (error != nullptr) {
            *error = systemError(QStringLiteral("Could not restrict permissions of"), path, errno);
        }
        return std::nullopt;
    }
    return Restriction{oldMode, newMode};
}

QString formatMode(unsigned mode) {
    return QStringLiteral("%1").arg(mode, 4, 8, QLatin1Char('0'));
}

} // namespace quellpad::PrivateFiles
