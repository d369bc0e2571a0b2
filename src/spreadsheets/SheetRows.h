#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

// What the PLU exchange sees of a spreadsheet: rows of cells, each empty, a
// text or a number. Every file format is read into and written from this, so
// that the row rules never depend on a file format.
struct SheetCell {
    enum class Kind {
        Empty,
        Text,
        Number,
        // A formula whose file holds no computed value: only a spreadsheet
        // program can tell what it shows.
        UncomputedFormula,
    };
    Kind Type = Kind::Empty;
    QString Text;
    double Number = 0.0;
    // How a writer shows a number: with this many decimals, -1 as it comes.
    int Decimals = -1;

    [[nodiscard]] static SheetCell OfText(QString text) { return {Kind::Text, std::move(text), 0.0, -1}; }
    [[nodiscard]] static SheetCell OfNumber(double number, int decimals = -1) {
        return {Kind::Number, {}, number, decimals};
    }
    [[nodiscard]] bool IsEmpty() const {
        return Type == Kind::Empty || (Type == Kind::Text && Text.isEmpty());
    }
};

using SheetRow = std::vector<SheetCell>;

// The part of a sheet that is kept: rows 1..RowLimit, columns 1..ColumnLimit.
// Anything beyond is read past without taking memory, whatever the file claims.
class SheetRows {
  public:
    SheetRows(int rowLimit, int columnLimit);

    [[nodiscard]] int RowLimit() const { return m_rowLimit; }
    [[nodiscard]] int ColumnLimit() const { return m_columnLimit; }
    // The last row with a cell, 0 for none.
    [[nodiscard]] int RowCount() const { return int(m_rows.size()); }
    // Rows and columns count from 1; a cell outside is empty.
    [[nodiscard]] const SheetCell& Cell(int row, int column) const;
    // Outside the kept part: ignored, but a row below the kept ones with a
    // cell counts in RowsBeyondLimit. Readers hand cells over row by row.
    void Set(int row, int column, SheetCell cell);
    void Clear() {
        m_rows.clear();
        m_rowsBeyond = 0;
        m_lastRowBeyond = 0;
    }
    // Rows below RowLimit holding a cell in the kept columns: read past, not kept.
    [[nodiscard]] int RowsBeyondLimit() const { return m_rowsBeyond; }
    // For a reader that counts them itself (the .xls reader's child).
    void SetRowsBeyondLimit(int count) { m_rowsBeyond = count; }
    // The row where a damaged file goes wrong, when a reader can tell; 0 otherwise.
    [[nodiscard]] int DamagedRow() const { return m_damagedRow; }
    void SetDamagedRow(int row) { m_damagedRow = row; }

  private:
    int m_rowLimit;
    int m_columnLimit;
    int m_damagedRow = 0;
    int m_rowsBeyond = 0;
    int m_lastRowBeyond = 0;
    std::vector<SheetRow> m_rows;
};

// Why a file could not be read (or written).
enum class SheetError {
    None,
    CannotOpen,  // missing, unreadable
    Unsupported, // an extension none of the readers knows
    Damaged,     // not the format its name says, truncated, inconsistent
    Encrypted,   // protected by a password
    TooLarge,    // the file, its unpacked parts or its dimensions beyond the limits
    CannotWrite, // the target or its folder cannot be written
    NotAFile,    // a device, FIFO, socket or folder: neither read nor written over
};

// The limits a file must keep before memory is taken for it.
struct SheetLimits {
    qint64 FileBytes = 64LL << 20;
    qint64 UnpackedBytes = 256LL << 20; // the sum over all parts of a package
    qint64 PartRatio = 200;             // unpacked / packed of one part (a zip bomb)
    qint64 DeclaredCells = 4LL << 20;   // rows x columns an .xls may declare
    // A CSV whose bytes are not UTF-8 was saved in a Windows code page: this one.
    const char* CsvCodePage = "windows-1252";
};

// Reads the active sheet of an .xlsx, .xlsm, .ods or .xls file, or a .csv/.txt (comma, semicolon or tab
// separated, UTF-8 with or without a byte order mark, or else limits.CsvCodePage) into rows. A CSV cell
// written as ="..." (how a text of digits keeps its leading zeros in a spreadsheet program) is that text.
// On failure rows is left empty.
SheetError ReadSheetFile(const QString& path, SheetRows& rows, const SheetLimits& limits = {});
// The same for a file's contents, by the format its extension names ("xlsx", ...).
SheetError ReadSheetBytes(const QByteArray& bytes, const QString& format, SheetRows& rows,
                          const SheetLimits& limits = {});

// The formats the readers know, lower case, without the dot.
[[nodiscard]] QStringList ReadableSheetFormats();

// Writes rows one after the other. Nothing appears under the target name until
// Finish succeeds; Finish moves the complete file over the target at once.
class SheetWriter {
  public:
    virtual ~SheetWriter() = default;
    virtual void AddRow(const SheetRow& row) = 0;
    [[nodiscard]] virtual SheetError Finish() = 0;
    // Why Finish failed, in the system's words when it told them; empty when unknown.
    [[nodiscard]] virtual QString ErrorString() const { return {}; }
};

// One row of a .csv file as the CSV writer writes it, without the line end.
[[nodiscard]] QByteArray CsvRowText(const SheetRow& row);

// A writer for .xlsx or .csv by the target's extension; null for other ones.
[[nodiscard]] std::unique_ptr<SheetWriter> MakeSheetWriter(const QString& path);
