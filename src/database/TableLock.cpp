#include "database/TableLock.h"

#include "common/SafeFile.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// What the lock's holder wrote into the file, or the name the system gives its process.
QString HolderName(int fd, const struct flock& held) {
    char text[256] = {};
    const ssize_t got = ::pread(fd, text, sizeof text - 1, 0);
    if (got > 0)
        return QString::fromUtf8(text, got).trimmed();
    QFile comm(QStringLiteral("/proc/%1/comm").arg(held.l_pid));
    if (comm.open(QIODevice::ReadOnly))
        return QString::fromUtf8(comm.readAll()).trimmed();
    return QStringLiteral("another program");
}

} // namespace

QString TableLock::LockPath(const QString& tablePath) {
    // Beside the file a link leads to: two names of one table share one lock.
    const WriteTarget target = ResolveWriteTarget(tablePath);
    return (target.Ok() ? target.Path : QFileInfo(tablePath).absoluteFilePath()) + QStringLiteral(".lock");
}

std::unique_ptr<TableLock> TableLock::Take(const QString& tablePath, const QString& holder,
                                           QString& refusal) {
    refusal.clear();
    const QString path = LockPath(tablePath);
    if (const WriteTarget target = ResolveWriteTarget(path); !target.Ok()) {
        refusal = QStringLiteral("its lock file %1 is %2").arg(path, target.Refusal);
        return nullptr;
    }
    const QByteArray name = QFile::encodeName(path);
    int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC,
                    S_IRUSR | S_IWUSR | S_IRGRP | S_IWGRP | S_IROTH | S_IWOTH);
    if (fd < 0)
        return nullptr;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        refusal = QStringLiteral("its lock file %1 is not a regular file").arg(path);
        return nullptr;
    }
    struct flock want {};
    want.l_type = F_WRLCK;
    want.l_whence = SEEK_SET;
    if (::fcntl(fd, F_SETLK, &want) != 0) {
        struct flock held = want;
        if (::fcntl(fd, F_GETLK, &held) == 0 && held.l_type != F_UNLCK)
            refusal = QStringLiteral("in use by %1 (pid %2)").arg(HolderName(fd, held)).arg(held.l_pid);
        else
            refusal = QStringLiteral("in use by another program");
        ::close(fd);
        return nullptr;
    }
    const QByteArray text = QStringLiteral("%1\n").arg(holder).toUtf8();
    if (::ftruncate(fd, 0) == 0)
        (void)!::pwrite(fd, text.constData(), size_t(text.size()), 0);
    return std::unique_ptr<TableLock>(new TableLock(fd));
}

TableLock::~TableLock() {
    // Closing the file ends this process's lock.
    if (m_fd >= 0)
        ::close(m_fd);
}
