#include "common/SafeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Links followed before a chain counts as a loop, as the kernel does.
constexpr int MaxLinks = 40;

QString KindOf(mode_t mode) {
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("a device, not a regular file");
    if (S_ISFIFO(mode))
        return QStringLiteral("a FIFO, not a regular file");
    if (S_ISSOCK(mode))
        return QStringLiteral("a socket, not a regular file");
    if (S_ISDIR(mode))
        return QStringLiteral("a folder, not a regular file");
    return QStringLiteral("not a regular file");
}

QString SystemReason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

WriteTarget ResolveWriteTarget(const QString& path) {
    QString current = QFileInfo(path).absoluteFilePath();
    for (int hop = 0; hop <= MaxLinks; ++hop) {
        struct stat info {};
        if (::lstat(QFile::encodeName(current).constData(), &info) != 0) {
            if (errno == ENOENT)
                return {current, {}};
            return {{}, SystemReason(errno)};
        }
        if (S_ISREG(info.st_mode))
            return {current, {}};
        if (!S_ISLNK(info.st_mode))
            return {{}, KindOf(info.st_mode)};
        // A relative link is taken from the folder the link lies in.
        const QString next = QFile::symLinkTarget(current);
        if (next.isEmpty())
            return {{}, QStringLiteral("a link that cannot be followed")};
        current = QDir::cleanPath(QFileInfo(next).absoluteFilePath());
    }
    return {{}, SystemReason(ELOOP)};
}

QString RegularFileRefusal(const QString& path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    return S_ISREG(info.st_mode) ? QString() : KindOf(info.st_mode);
}

QString OpenRegularFile(QFile& file, const QString& path) {
    if (QString refusal = RegularFileRefusal(path); !refusal.isEmpty())
        return refusal;
    // Without blocking: the name may have been swapped for a FIFO since.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return SystemReason(errno);
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        const QString refusal = KindOf(info.st_mode);
        ::close(fd);
        return refusal;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return file.errorString();
    }
    return {};
}

unsigned UsualFileMode() {
    // umask can only be read by setting it; the program has one thread doing files.
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return 0666u & ~unsigned(mask);
}

QString RenameOverTarget(const QString& temporary, const QString& target) {
    const QByteArray from = QFile::encodeName(temporary);
    const QByteArray to = QFile::encodeName(target);
    struct stat old {};
    const mode_t mode = ::stat(to.constData(), &old) == 0 && S_ISREG(old.st_mode) ? (old.st_mode & 07777)
                                                                                  : mode_t(UsualFileMode());
    if (::chmod(from.constData(), mode) != 0 || ::rename(from.constData(), to.constData()) != 0) {
        const int error = errno;
        ::unlink(from.constData());
        return SystemReason(error);
    }
    return {};
}
