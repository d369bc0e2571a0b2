#include "spreadsheets/SheetRows.h"

#include "common/SafeFile.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>

#include <xlsxwriter.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace {

QString NumberText(const SheetCell& cell) {
    if (cell.Decimals >= 0)
        return QString::number(cell.Number, 'f', cell.Decimals);
    return QString::number(cell.Number, 'g', 15);
}

// A text of digits that a spreadsheet program would turn into a number and
// lose (a barcode's leading zeros, digits beyond 15) goes as ="...", which
// the programs keep as the text it is.
bool KeepsDigits(const QString& text) {
    if (text.isEmpty())
        return false;
    for (QChar c : text)
        if (!c.isDigit() || c.unicode() > 0x7F)
            return false;
    return text.startsWith(u'0') || text.size() > 15;
}

} // namespace

// Texts are always quoted and numbers never, with a point: LibreOffice and
// Excel read such a file back with the same cells.
QByteArray CsvRowText(const SheetRow& row) {
    QByteArray line;
    for (size_t i = 0; i < row.size(); ++i) {
        if (i > 0)
            line += ',';
        const SheetCell& cell = row[i];
        if (cell.Type == SheetCell::Kind::Number) {
            line += NumberText(cell).toUtf8();
        } else if (cell.Type == SheetCell::Kind::Text && KeepsDigits(cell.Text)) {
            line += "=\"" + cell.Text.toUtf8() + '"';
        } else if (cell.Type == SheetCell::Kind::Text) {
            QByteArray text = cell.Text.toUtf8();
            text.replace('"', "\"\"");
            line += '"' + text + '"';
        }
    }
    return line;
}

namespace {

class CsvWriter : public SheetWriter {
  public:
    explicit CsvWriter(const WriteTarget& target) : m_file(target.Path) {
        m_ok = m_file.open(QIODevice::WriteOnly);
    }

    void AddRow(const SheetRow& row) override {
        if (!m_ok)
            return;
        const QByteArray line = CsvRowText(row) + "\r\n";
        errno = 0;
        m_ok = m_file.write(line) == line.size();
        if (!m_ok)
            KeepReason();
    }

    SheetError Finish() override {
        if (!m_ok)
            return SheetError::CannotWrite;
        errno = 0;
        if (!m_file.commit()) {
            KeepReason();
            return SheetError::CannotWrite;
        }
        return SheetError::None;
    }
    [[nodiscard]] QString ErrorString() const override {
        return m_error.isEmpty() ? m_file.errorString() : m_error;
    }

  private:
    // QSaveFile says "Unknown error" for a failed buffered write; errno has the reason.
    void KeepReason() {
        if (m_error.isEmpty())
            m_error = errno != 0 ? QString::fromLocal8Bit(std::strerror(errno)) : m_file.errorString();
    }

    QSaveFile m_file;
    bool m_ok = false;
    QString m_error;
};

// libxlsxwriter opens the target by name itself, so the workbook is written
// under a fresh name in the target's folder and renamed over the target only
// once it is complete.
class XlsxWriter : public SheetWriter {
  public:
    explicit XlsxWriter(const WriteTarget& target) : m_target(target.Path) {
        const QString& path = m_target;
        const QFileInfo info(path);
        m_temp.setFileTemplate(
            info.absoluteDir().filePath(QStringLiteral(".%1-XXXXXX.xlsx").arg(info.completeBaseName())));
        if (!m_temp.open())
            return;
        m_temp.close();
        m_tempName = QFile::encodeName(m_temp.fileName());
        lxw_workbook_options options{};
        options.constant_memory = LXW_TRUE;
        m_book = workbook_new_opt(m_tempName.constData(), &options);
        if (!m_book)
            return;
        m_sheet = workbook_add_worksheet(m_book, nullptr);
        for (int d = 1; d <= 3; ++d) {
            m_formats[d] = workbook_add_format(m_book);
            format_set_num_format(m_formats[d], d == 1 ? "0.0" : d == 2 ? "0.00" : "0.000");
        }
    }

    ~XlsxWriter() override {
        if (m_book) {
            workbook_close(m_book); // to free it; the file is dropped with m_temp
            m_book = nullptr;
        }
    }

    void AddRow(const SheetRow& row) override {
        if (!m_sheet || m_failed)
            return;
        for (size_t i = 0; i < row.size() && !m_failed; ++i) {
            const SheetCell& cell = row[i];
            lxw_error error = LXW_NO_ERROR;
            if (cell.Type == SheetCell::Kind::Number) {
                lxw_format* format =
                    cell.Decimals >= 1 && cell.Decimals <= 3 ? m_formats[cell.Decimals] : nullptr;
                error = worksheet_write_number(m_sheet, m_row, lxw_col_t(i), cell.Number, format);
            } else if (cell.Type == SheetCell::Kind::Text && !cell.Text.isEmpty()) {
                error = worksheet_write_string(m_sheet, m_row, lxw_col_t(i), cell.Text.toUtf8().constData(),
                                               nullptr);
            }
            m_failed = error != LXW_NO_ERROR;
        }
        ++m_row;
    }

    SheetError Finish() override {
        if (!m_book)
            return SheetError::CannotWrite;
        errno = 0;
        const lxw_error error = workbook_close(m_book);
        m_book = nullptr;
        if (m_failed || error != LXW_NO_ERROR) {
            // The library says which step failed; errno, when set, says why.
            m_error = errno != 0 ? QString::fromLocal8Bit(std::strerror(errno))
                                 : QString::fromLatin1(lxw_strerror(error));
            return SheetError::CannotWrite;
        }
        m_temp.setAutoRemove(false);
        m_error = RenameOverTarget(m_temp.fileName(), m_target);
        return m_error.isEmpty() ? SheetError::None : SheetError::CannotWrite;
    }
    [[nodiscard]] QString ErrorString() const override { return m_error; }

  private:
    QString m_target;
    QTemporaryFile m_temp;
    QByteArray m_tempName;
    lxw_workbook* m_book = nullptr;
    lxw_worksheet* m_sheet = nullptr;
    lxw_format* m_formats[4] = {nullptr, nullptr, nullptr, nullptr};
    lxw_row_t m_row = 0;
    bool m_failed = false;
    QString m_error;
};

// Stands in for a writer whose target may not be written over: nothing is opened.
class RefusedWriter : public SheetWriter {
  public:
    void AddRow(const SheetRow&) override {}
    SheetError Finish() override { return SheetError::NotAFile; }
};

} // namespace

std::unique_ptr<SheetWriter> MakeSheetWriter(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix != u"csv" && suffix != u"xlsx")
        return nullptr;
    const WriteTarget target = ResolveWriteTarget(path);
    if (!target.Ok())
        return std::make_unique<RefusedWriter>();
    if (suffix == u"csv")
        return std::make_unique<CsvWriter>(target);
    return std::make_unique<XlsxWriter>(target);
}
