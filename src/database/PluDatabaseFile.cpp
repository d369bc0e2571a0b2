#include "database/PluDatabaseFile.h"

#include "common/FileHeadWriter.h"
#include "common/SafeFile.h"
#include "database/PluTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

QString DatabasePath(const QString& directory) {
    return QDir(directory).filePath(QString::fromLatin1(DatabaseFileName));
}

bool WriteAll(QIODevice& device, std::span<const std::byte> bytes) {
    return device.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size())) ==
           qint64(bytes.size());
}

// A short file leaves the rest of the table as it is; bytes beyond it are ignored.
DatabaseFileResult ReadTable(PluTable& table, const QString& path) {
    QFile file(path);
    if (const QString refusal = OpenRegularFile(file, path); !refusal.isEmpty())
        return {false, QStringLiteral("Cannot open database file for reading!"), 1, refusal};
    const std::span<std::byte> bytes = table.Bytes();
    qint64 done = 0;
    while (done < qint64(bytes.size())) {
        const qint64 got =
            file.read(reinterpret_cast<char*>(bytes.data()) + done, qint64(bytes.size()) - done);
        if (got <= 0)
            break;
        done += got;
    }
    return {};
}

} // namespace

QString NotPluDatabase(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists())
        return {};
    if (const QString refusal = RegularFileRefusal(path); !refusal.isEmpty())
        return refusal;
    if (info.size() != PluTable::ByteSize)
        return QStringLiteral("not a PLU database (%1 bytes, not the %2 of one)")
            .arg(info.size())
            .arg(PluTable::ByteSize);
    return {};
}

DatabaseFileResult LoadDatabase(PluTable& table, const QString& directory) {
    const QString path = DatabasePath(directory);
    table.Clear();
    if (!QFileInfo::exists(path)) {
        const WriteTarget target = ResolveWriteTarget(path);
        if (!target.Ok())
            return {false, QStringLiteral("Cannot create default database!"), 1, target.Refusal};
        table.FillDefaults();
        // Written whole or not at all: a default database cut short by a full
        // disk would come back next time with empty PLUs.
        QSaveFile file(target.Path);
        if (!file.open(QIODevice::WriteOnly) || !WriteAll(file, table.Bytes()) || !file.commit())
            return {false, QStringLiteral("Cannot create default database!"), 1, file.errorString()};
        table.Clear();
    }

    return ReadTable(table, path);
}

DatabaseFileResult LoadDatabaseFrom(PluTable& table, const QString& path, bool newFileAllowed) {
    table.Clear();
    if (newFileAllowed && !QFileInfo::exists(path))
        return {};
    return ReadTable(table, path);
}

DatabaseFileResult SaveDatabase(const PluTable& table, const QString& directory) {
    const std::span<const std::byte> bytes = table.Bytes();
    if (const WriteTarget target = ResolveWriteTarget(DatabasePath(directory)); !target.Ok())
        return {false, QStringLiteral("Cannot open database file for writing!"), 0, target.Refusal};
    QString reason;
    switch (WriteFileHead(
        DatabasePath(directory),
        QByteArrayView(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())), &reason)) {
    case HeadWrite::Done:
        return {};
    case HeadWrite::CannotOpen:
        return {false, QStringLiteral("Cannot open database file for writing!"), 0, reason};
    case HeadWrite::CannotWrite:
        break;
    }
    return {false, QStringLiteral("Cannot write database file!"), 0, reason};
}

DatabaseFileResult SaveDatabaseTo(const PluTable& table, const QString& path) {
    if (const QString refusal = NotPluDatabase(path); !refusal.isEmpty())
        return {false, QStringLiteral("Cannot open database file for writing!"), 0, refusal};
    const WriteTarget target = ResolveWriteTarget(path);
    if (!target.Ok())
        return {false, QStringLiteral("Cannot open database file for writing!"), 0, target.Refusal};
    QSaveFile file(target.Path);
    if (!file.open(QIODevice::WriteOnly))
        return {false, QStringLiteral("Cannot open database file for writing!"), 0, file.errorString()};
    if (!WriteAll(file, table.Bytes()) || !file.commit())
        return {false, QStringLiteral("Cannot write database file!"), 0, file.errorString()};
    return {};
}

DatabaseCloseResult CloseQuerySave(const PluTable& table, const QString& directory, bool plusReadFromRegister,
                                   bool databaseChanged, const std::function<UpdateAnswer()>& askUpdate) {
    bool save = databaseChanged;
    if (plusReadFromRegister) {
        switch (askUpdate()) {
        case UpdateAnswer::Cancel:
            return {false, false, QString()};
        case UpdateAnswer::Yes:
            save = true;
            break;
        case UpdateAnswer::No:
            break;
        }
    }
    DatabaseCloseResult result;
    if (save) {
        result.SaveAttempted = true;
        const DatabaseFileResult saved = SaveDatabase(table, directory);
        if (!saved.Ok)
            result.Message = saved.Message;
    }
    return result;
}
