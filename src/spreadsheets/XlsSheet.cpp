#include "spreadsheets/SheetReaders.h"

#include <QDataStream>
#include <QFile>
#include <QTemporaryFile>

#include <freexl.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ORVEX_HAS_ASAN 1
#endif
#endif
#ifndef ORVEX_HAS_ASAN
#define ORVEX_HAS_ASAN 0
#endif

namespace {

SheetError ReadXlsFile(const QString& path, SheetRows& rows, const SheetLimits& limits) {
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
        unsigned short active = 0;
        if (freexl_select_active_worksheet(handle, 0) != FREEXL_OK ||
            freexl_worksheet_dimensions(handle, &rowCount, &columnCount) != FREEXL_OK)
            result = SheetError::Damaged;
        (void)active;
    }
    if (result == SheetError::None && qint64(rowCount) * columnCount > limits.DeclaredCells)
        result = SheetError::TooLarge;
    const unsigned int lastRow = qMin<unsigned int>(rowCount, unsigned(rows.RowLimit()));
    const unsigned short lastColumn = qMin<unsigned short>(columnCount, (unsigned short)rows.ColumnLimit());
    for (unsigned int r = 0; result == SheetError::None && r < lastRow; ++r) {
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

// libfreexl reads past its buffers on some damaged files and takes memory as
// the file's dimensions say. It therefore runs in a child process with a
// memory ceiling; the child hands the kept cells back through a pipe, and a
// child that dies means a damaged file.
SheetError ReadXlsIsolated(const QString& path, SheetRows& rows, const SheetLimits& limits) {
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0)
        return SheetError::CannotOpen;
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(pipeEnds[0]);
        ::close(pipeEnds[1]);
        return SheetError::CannotOpen;
    }
    if (child == 0) {
        ::close(pipeEnds[0]);
#if !defined(__SANITIZE_ADDRESS__) && !ORVEX_HAS_ASAN
        // (AddressSanitizer reserves far more address space than this.)
        const rlim_t ceiling = rlim_t(limits.UnpackedBytes) * 4 + (256ULL << 20);
        struct rlimit limit = {ceiling, ceiling};
        ::setrlimit(RLIMIT_AS, &limit);
#endif
        SheetRows kept(rows.RowLimit(), rows.ColumnLimit());
        SheetError error = SheetError::Damaged;
        try {
            error = ReadXlsFile(path, kept, limits);
        } catch (...) {
            error = SheetError::Damaged;
        }
        QByteArray out;
        {
            QDataStream stream(&out, QIODevice::WriteOnly);
            stream << qint32(error) << qint32(kept.RowCount());
            for (int r = 1; r <= kept.RowCount(); ++r)
                for (int c = 1; c <= kept.ColumnLimit(); ++c) {
                    const SheetCell& cell = kept.Cell(r, c);
                    stream << qint32(cell.Type) << cell.Text << cell.Number;
                }
        }
        const char* data = out.constData();
        qsizetype left = out.size();
        while (left > 0) {
            const ssize_t written = ::write(pipeEnds[1], data, size_t(left));
            if (written <= 0)
                break;
            data += written;
            left -= written;
        }
        ::_exit(0);
    }
    ::close(pipeEnds[1]);
    QByteArray in;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(pipeEnds[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        in.append(buffer, got);
    }
    ::close(pipeEnds[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return SheetError::Damaged;
    QDataStream stream(in);
    qint32 error = 0, rowCount = 0;
    stream >> error >> rowCount;
    if (stream.status() != QDataStream::Ok || rowCount < 0 || rowCount > rows.RowLimit())
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
    return SheetError::None;
}
