#include "support/TestFiles.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

bool SetImmutable(const QString& dir, bool on) {
    const int fd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
}

} // namespace

bool LockFolderEntries(const QString& dir) {
    if (::geteuid() == 0)
        return SetImmutable(dir, true);
    return QFile::setPermissions(dir, QFile::ReadOwner | QFile::ExeOwner);
}

void UnlockFolderEntries(const QString& dir) {
    if (::geteuid() == 0)
        SetImmutable(dir, false);
    else
        QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}
