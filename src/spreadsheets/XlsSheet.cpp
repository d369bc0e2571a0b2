#include "spreadsheets/SheetReaders.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <freexl.h>

namespace {

SheetError ReadXls(const QString& path, SheetRows& rows, const SheetLimits& limits) {
    const QByteArray name = QFile::encodeName(path);
    const void* handle = nullptr;
    int rc = freexl_open(name.constData(), &handle);
    if (rc != FREEXL_OK) {
        if (handle)
            freexl_close(handle);
        return rc == FREEXL_FILE_NOT_FOUND        ? SheetError::CannotOpen
               : rc == FREEXL_INSUFFICIENT_MEMORY ? SheetError::TooLarge
                                                  : SheetError::Damaged;
    }
    SheetError result = SheetError::None;
    unsigned int info = 0;
    if (freexl_get_info(handle, FREEXL_BIFF_PASSWORD, &info) == FREEXL_OK && info == FREEXL_BIFF_OBFUSCATED)
        result = SheetError::Encrypted;
    unsigned int sheets = 0;
    if (result == SheetError::None &&
        (freexl_get_info(handle, FREEXL_BIFF_SHEET_COUNT, &sheets) != FREEXL_OK || sheets == 0))
        result = SheetError::Damaged;
    unsigned int rowCount = 0;
    unsigned short columnCount = 0;
    if (result == SheetError::None) {
        // The library does not tell which sheet the workbook shows: the first one is read.
        if (freexl_select_active_worksheet(handle, 0) != FREEXL_OK ||
            freexl_worksheet_dimensions(handle, &rowCount, &columnCount) != FREEXL_OK)
            result = SheetError::Damaged;
    }
    if (result == SheetError::None && qint64(rowCount) * columnCount > limits.DeclaredCells)
        result = SheetError::TooLarge;
    const unsigned short lastColumn = qMin<unsigned short>(columnCount, (unsigned short)rows.ColumnLimit());
    // Rows below the kept ones are only looked at, so that the rows count them.
    for (unsigned int r = 0; result == SheetError::None && r < rowCount; ++r) {
        for (unsigned short c = 0; c < lastColumn; ++c) {
            FreeXL_CellValue value;
            if (freexl_get_cell_value(handle, r, c, &value) != FREEXL_OK) {
                result = SheetError::Damaged;
                break;
            }
            switch (value.type) {
            case FREEXL_CELL_INT:
                rows.Set(int(r) + 1, c + 1, SheetCell::OfNumber(value.value.int_value));
                break;
            case FREEXL_CELL_DOUBLE:
                rows.Set(int(r) + 1, c + 1, SheetCell::OfNumber(value.value.double_value));
                break;
            case FREEXL_CELL_TEXT:
            case FREEXL_CELL_SST_TEXT:
            case FREEXL_CELL_DATE:
            case FREEXL_CELL_DATETIME:
            case FREEXL_CELL_TIME:
                if (value.value.text_value)
                    rows.Set(int(r) + 1, c + 1, SheetCell::OfText(QString::fromUtf8(value.value.text_value)));
                break;
            default:
                break;
            }
        }
    }
    freexl_close(handle);
    return result;
}

} // namespace

SheetError ReadXlsFile(const QString& path, SheetRows& rows, const SheetLimits& limits) {
    try {
        return ReadXls(path, rows, limits);
    } catch (...) {
        return SheetError::Damaged;
    }
}

QByteArray EncodeXlsRows(SheetError error, const SheetRows& rows) {
    QByteArray out;
    QDataStream stream(&out, QIODevice::WriteOnly);
    stream << qint32(error) << qint32(rows.RowCount()) << qint32(rows.RowsBeyondLimit());
    for (int r = 1; r <= rows.RowCount(); ++r)
        for (int c = 1; c <= rows.ColumnLimit(); ++c) {
            const SheetCell& cell = rows.Cell(r, c);
            stream << qint32(cell.Type) << cell.Text << cell.Number;
        }
    return out;
}

namespace {

// What the reader program sent back, checked as any outside input is.
SheetError DecodeXlsRows(const QByteArray& in, SheetRows& rows) {
    QDataStream stream(in);
    qint32 error = 0, rowCount = 0, beyond = 0;
    stream >> error >> rowCount >> beyond;
    if (stream.status() != QDataStream::Ok || rowCount < 0 || rowCount > rows.RowLimit() || beyond < 0)
        return SheetError::Damaged;
    if (error < 0 || error > qint32(SheetError::CannotWrite))
        return SheetError::Damaged;
    if (SheetError(error) != SheetError::None)
        return SheetError(error);
    for (int r = 1; r <= rowCount; ++r)
        for (int c = 1; c <= rows.ColumnLimit(); ++c) {
            qint32 type = 0;
            SheetCell cell;
            stream >> type >> cell.Text >> cell.Number;
            if (stream.status() != QDataStream::Ok || type < 0 ||
                type > qint32(SheetCell::Kind::UncomputedFormula))
                return SheetError::Damaged;
            cell.Type = SheetCell::Kind(type);
            if (cell.Type != SheetCell::Kind::Empty)
                rows.Set(r, c, std::move(cell));
        }
    rows.SetRowsBeyondLimit(beyond);
    return SheetError::None;
}

// Installed beside the programs' library folder, or where this build made it.
QString XlsReaderProgram() {
    if (const QByteArray given = qgetenv("ORVEX_XLS_READER"); !given.isEmpty())
        return QFile::decodeName(given);
    QStringList candidates;
    if (QCoreApplication::instance())
        candidates << QCoreApplication::applicationDirPath() +
                          QStringLiteral("/../" ORVEX_LIBEXEC_RELATIVE "/orvex-commander/orvex-xls-reader");
    candidates << QStringLiteral(ORVEX_XLS_READER_BUILT);
    for (const QString& candidate : candidates) {
        if (QFileInfo(candidate).isExecutable())
            return candidate;
    }
    return {};
}

constexpr int XlsReaderTimeoutMs = 120000;

} // namespace

// libfreexl reads past its buffers on some damaged files and takes memory as
// the file's dimensions say. It therefore runs in a program of its own
// (orvex-xls-reader) with a memory ceiling, which hands the kept cells back on
// its output; a reader that dies, hangs or says too much means a damaged file.
SheetError ReadXlsIsolated(const QString& path, SheetRows& rows, const SheetLimits& limits) {
    const QString program = XlsReaderProgram();
    if (program.isEmpty())
        return SheetError::CannotOpen;
    QProcess reader;
    reader.setStandardInputFile(QProcess::nullDevice());
    reader.setStandardErrorFile(QProcess::nullDevice());
    reader.start(program, {QFileInfo(path).absoluteFilePath(), QString::number(rows.RowLimit()),
                           QString::number(rows.ColumnLimit()), QString::number(limits.DeclaredCells),
                           QString::number(limits.UnpackedBytes)});
    if (!reader.waitForStarted(XlsReaderTimeoutMs))
        return SheetError::CannotOpen;
    QByteArray in;
    QElapsedTimer clock;
    clock.start();
    bool overrun = false;
    while (!overrun) {
        const qint64 left = XlsReaderTimeoutMs - clock.elapsed();
        if (left <= 0) {
            overrun = true;
            break;
        }
        if (reader.state() == QProcess::NotRunning) {
            in += reader.readAllStandardOutput();
            break;
        }
        if (reader.waitForReadyRead(int(qMin<qint64>(left, 1000))))
            in += reader.readAllStandardOutput();
        overrun = in.size() > limits.UnpackedBytes;
    }
    if (overrun) {
        reader.kill();
        reader.waitForFinished(5000);
        return SheetError::Damaged;
    }
    reader.waitForFinished(5000);
    in += reader.readAllStandardOutput();
    if (reader.exitStatus() != QProcess::NormalExit || reader.exitCode() != 0)
        return SheetError::Damaged;
    return DecodeXlsRows(in, rows);
}
