#include "barcodes/BarcodeOptionsFile.h"

#include "common/FileHeadWriter.h"
#include "common/SafeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

QString OptionsPath(const QString& directory) {
    return QDir(directory).filePath(QString::fromLatin1(OptionsFileName));
}

bool WriteReplacing(const QString& path, const QByteArray& bytes) {
    const WriteTarget target = ResolveWriteTarget(path);
    if (!target.Ok())
        return false;
    QSaveFile file(target.Path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

QString WriteDefaultBarcodeTypes(const QString& path) {
    if (!WriteReplacing(path, BarcodeTypeTable::Defaults().ToBytes()))
        return QStringLiteral("Cannot write to options file!");
    return QString();
}

} // namespace

BarcodeOptionsLoad LoadBarcodeTypes(const QString& directory) {
    const QString path = OptionsPath(directory);
    // Read-only is enough: a write-protected file still holds the user's rules.
    QFile file(path);
    if (file.exists() && OpenRegularFile(file, path).isEmpty()) {
        const QByteArray bytes = file.read(BarcodeTypeFileSize);
        if (bytes.size() == BarcodeTypeFileSize)
            return {BarcodeTypeTable::FromBytes(bytes), QString()};
    }
    file.close();
    return {BarcodeTypeTable::Defaults(), WriteDefaultBarcodeTypes(path)};
}

QString SaveBarcodeTypes(const BarcodeTypeTable& table, const QString& directory) {
    const QString path = OptionsPath(directory);
    if (!QFileInfo::exists(path)) {
        if (!WriteReplacing(path, table.ToBytes()))
            return QStringLiteral("Cannot write to options file");
        return QString();
    }
    if (WriteFileHead(path, table.ToBytes()) != HeadWrite::Done)
        return QStringLiteral("Cannot write to options file!");
    return QString();
}
