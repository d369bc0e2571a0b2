#include "spreadsheets/SheetRows.h"

#include "common/SafeFile.h"

#include "spreadsheets/OoxmlSheet.h"

#include "spreadsheets/SheetReaders.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <zip.h>

#include <exception>
#include <functional>
SheetRows::SheetRows(int rowLimit, int columnLimit) : m_rowLimit(rowLimit), m_columnLimit(columnLimit) {}

const SheetCell& SheetRows::Cell(int row, int column) const {
    static const SheetCell empty;
    if (row < 1 || row > RowCount() || column < 1)
        return empty;
    const SheetRow& cells = m_rows[size_t(row - 1)];
    return column <= int(cells.size()) ? cells[size_t(column - 1)] : empty;
}

void SheetRows::Set(int row, int column, SheetCell cell) {
    if (row > m_rowLimit && row > m_lastRowBeyond && column >= 1 && column <= m_columnLimit &&
        !cell.IsEmpty()) {
        ++m_rowsBeyond;
        m_lastRowBeyond = row;
    }
    if (row < 1 || row > m_rowLimit || column < 1 || column > m_columnLimit)
        return;
    if (row > RowCount())
        m_rows.resize(size_t(row));
    SheetRow& cells = m_rows[size_t(row - 1)];
    if (column > int(cells.size()))
        cells.resize(size_t(column));
    cells[size_t(column - 1)] = std::move(cell);
}

QStringList ReadableSheetFormats() {
    return {QStringLiteral("xlsx"), QStringLiteral("xlsm"), QStringLiteral("ods"),
            QStringLiteral("xls"),  QStringLiteral("csv"),  QStringLiteral("txt")};
}

namespace {

bool IsCompoundFile(const QByteArray& bytes) {
    return bytes.startsWith(QByteArrayLiteral("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"));
}

} // namespace

SheetError OpenPackage(const QByteArray& bytes, const SheetLimits& limits, zip_t*& opened) {
    opened = nullptr;
    // Excel keeps an encrypted workbook in a compound file instead of a zip,
    // under a stream of that name; any other compound file is an old
    // workbook (.xls) given a new name, which no password protects.
    if (IsCompoundFile(bytes)) {
        QByteArray encryptedStream; // the directory's names are UTF-16LE
        for (char c : QByteArrayView("EncryptedPackage"))
            encryptedStream.append(c).append('\0');
        return bytes.contains(encryptedStream) ? SheetError::Encrypted : SheetError::Damaged;
    }
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes.constData(), zip_uint64_t(bytes.size()), 0, &error);
    if (!source) {
        zip_error_fini(&error);
        return SheetError::Damaged;
    }
    zip_t* archive = zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error);
    zip_error_fini(&error);
    if (!archive) {
        zip_source_free(source);
        return SheetError::Damaged;
    }
    SheetError result = SheetError::None;
    qint64 unpacked = 0;
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    for (zip_int64_t i = 0; i < count && result == SheetError::None; ++i) {
        zip_stat_t stat;
        if (zip_stat_index(archive, zip_uint64_t(i), 0, &stat) != 0) {
            result = SheetError::Damaged;
            break;
        }
        if ((stat.valid & ZIP_STAT_ENCRYPTION_METHOD) && stat.encryption_method != ZIP_EM_NONE) {
            result = SheetError::Encrypted;
            break;
        }
        const qint64 size =
            (stat.valid & ZIP_STAT_SIZE) ? qint64(qMin<zip_uint64_t>(stat.size, 1ULL << 62)) : 0;
        const qint64 packed =
            (stat.valid & ZIP_STAT_COMP_SIZE) ? qint64(qMin<zip_uint64_t>(stat.comp_size, 1ULL << 62)) : 0;
        unpacked += size;
        if (unpacked > limits.UnpackedBytes ||
            (size > (1 << 20) && size / qMax<qint64>(packed, 1) > limits.PartRatio))
            result = SheetError::TooLarge;
    }
    if (result == SheetError::None)
        opened = archive;
    else
        zip_discard(archive); // frees the source
    return result;
}

namespace {

// Workbooks of Excel are read by our own reader: orcus 0.17 drops every cell
// of theirs that names its type (t="n", t="s", t="inlineStr"), i.e. all texts.
SheetError ReadXlsx(const QByteArray& bytes, SheetRows& rows, const SheetLimits& limits) {
    zip_t* archive = nullptr;
    const SheetError check = OpenPackage(bytes, limits, archive);
    if (check != SheetError::None)
        return check;
    const SheetError result = Ooxml::ReadWorkbook(archive, rows, limits);
    zip_discard(archive);
    return result;
}

QString FormatOf(const QString& path) {
    return QFileInfo(path).suffix().toLower();
}

SheetError ReadBytes(const QByteArray& bytes, const QString& format, SheetRows& rows,
                     const SheetLimits& limits) {
    if (format == u"csv" || format == u"txt")
        return ReadCsv(bytes, rows, limits.CsvCodePage);
    if (format == u"xlsx" || format == u"xlsm")
        return ReadXlsx(bytes, rows, limits);
    if (format == u"ods")
        return ReadOds(bytes, rows, limits);
    return SheetError::Unsupported;
}

SheetError Guarded(SheetRows& rows, const std::function<SheetError()>& read) {
    SheetError result = SheetError::Damaged;
    try {
        result = read();
    } catch (const SheetReadStop& stop) {
        result = stop.Error;
    } catch (const std::bad_alloc&) {
        result = SheetError::TooLarge;
    } catch (const std::exception&) {
        result = SheetError::Damaged;
    } catch (...) {
        result = SheetError::Damaged;
    }
    if (result != SheetError::None)
        rows.Clear();
    return result;
}

} // namespace

SheetError ReadSheetBytes(const QByteArray& bytes, const QString& format, SheetRows& rows,
                          const SheetLimits& limits) {
    rows.Clear();
    rows.SetDamagedRow(0);
    const QString lower = format.toLower();
    if (bytes.size() > limits.FileBytes)
        return SheetError::TooLarge;
    if (lower == u"xls") {
        // The legacy reader takes file names only.
        QTemporaryFile file;
        if (!file.open() || file.write(bytes) != bytes.size() || !file.flush())
            return SheetError::CannotOpen;
        return Guarded(rows, [&] { return ReadXlsIsolated(file.fileName(), rows, limits); });
    }
    return Guarded(rows, [&] { return ReadBytes(bytes, lower, rows, limits); });
}

SheetError ReadSheetFile(const QString& path, SheetRows& rows, const SheetLimits& limits) {
    rows.Clear();
    rows.SetDamagedRow(0);
    const QString format = FormatOf(path);
    if (!ReadableSheetFormats().contains(format))
        return SheetError::Unsupported;
    // A device or FIFO would be read without end (or opening it would wait
    // for a writer): only a regular file is read.
    if (!RegularFileRefusal(path).isEmpty())
        return SheetError::NotAFile;
    QFile file;
    if (!OpenRegularFile(file, path).isEmpty())
        return RegularFileRefusal(path).isEmpty() ? SheetError::CannotOpen : SheetError::NotAFile;
    if (file.size() > limits.FileBytes)
        return SheetError::TooLarge;
    if (format == u"xls") {
        file.close();
        return Guarded(rows, [&] { return ReadXlsIsolated(path, rows, limits); });
    }
    // Counted as it comes: the size the file claims is not taken on trust.
    QByteArray bytes;
    for (;;) {
        const QByteArray piece = file.read(qMin<qint64>(1 << 20, limits.FileBytes + 1 - bytes.size()));
        if (piece.isEmpty())
            break;
        bytes += piece;
        if (bytes.size() > limits.FileBytes)
            return SheetError::TooLarge;
    }
    if (file.error() != QFileDevice::NoError)
        return SheetError::CannotOpen;
    return Guarded(rows, [&] { return ReadBytes(bytes, format, rows, limits); });
}
