#include "common/FileHeadWriter.h"

#include "common/SafeFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

bool WriteAll(QIODevice& to, QByteArrayView bytes) {
    return to.write(bytes.data(), bytes.size()) == bytes.size();
}

// Copies what follows the head, a piece at a time, since a file from
// elsewhere may be of any size.
bool CopyTail(QFile& from, qint64 headSize, QIODevice& to) {
    if (from.size() <= headSize)
        return true;
    if (!from.seek(headSize))
        return false;
    while (!from.atEnd()) {
        const QByteArray chunk = from.read(1 << 20);
        if (chunk.isEmpty() || !WriteAll(to, chunk))
            return false;
    }
    return true;
}

HeadWrite WriteInPlace(QFile& file, QByteArrayView head, QString* reason) {
    if (!file.seek(0) || !WriteAll(file, head) || !file.flush()) {
        if (reason)
            *reason = file.errorString();
        return HeadWrite::CannotWrite;
    }
    return HeadWrite::Done;
}

} // namespace

HeadWrite WriteFileHead(const QString& name, QByteArrayView head, QString* reason) {
    const auto failed = [reason](HeadWrite how, const QString& why) {
        if (reason)
            *reason = why;
        return how;
    };
    // A link is written through to its file; a device or FIFO is not opened at all.
    const WriteTarget target = ResolveWriteTarget(name);
    if (!target.Ok())
        return failed(HeadWrite::CannotOpen, target.Refusal);
    const QString& path = target.Path;
    // The old file must still be there and writable: one that was deleted or
    // made read-only meanwhile is left alone.
    QFile old(path);
    if (!old.open(QIODevice::ReadWrite | QIODevice::ExistingOnly))
        return failed(HeadWrite::CannotOpen, old.errorString());

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (!QFileInfo(QFileInfo(path).absolutePath()).isWritable())
            return WriteInPlace(old, head, reason);
        return failed(HeadWrite::CannotOpen, file.errorString());
    }
    if (!WriteAll(file, head) || !CopyTail(old, head.size(), file) || !file.commit())
        return failed(HeadWrite::CannotWrite, file.errorString());
    return HeadWrite::Done;
}
