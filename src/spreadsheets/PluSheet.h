#pragma once

#include "database/PluCells.h"
#include "plu/PluRecord.h"
#include "spreadsheets/SheetRows.h"

#include <QString>
#include <array>
#include <utility>
#include <vector>

class PluTable;

// The PLU sheet: row 1 the titles, then one PLU a row in columns A to I
// (code, description, description 2, price, net price, department, unit,
// barcode, stock); the workbook with macros keeps the descriptions the import
// reads in columns J and K.
namespace PluSheet {

inline constexpr int FirstDataRow = 2;
// PLU 9999 exported from PLU 0 on lands on row 10001.
inline constexpr int LastDataRow = PluCount + 1;
inline constexpr int ReadColumns = 11;
inline constexpr int ExportColumns = 9;
inline constexpr int StandardDescriptionColumn = 2;
inline constexpr int MacrosDescriptionColumn = 10;
inline constexpr double PriceLimit = 999999.99;

// Row 1 in a language.
[[nodiscard]] SheetRow TitleRow(int language);
// The row of PLU n: texts as the database grid shows them, numbers in numeric
// cells, the unit as its number.
[[nodiscard]] SheetRow ExportRow(const PluRecord& entry, int n, const PluCells::Style& style);

enum class RowResult {
    Stop,               // column A empty: the sheet ends here
    Skip,               // the row cannot become a PLU; Reason says why
    Complete,           // Record holds the PLU
    NeedsRecalculation, // a description is a formula without a value
};

struct RowOutcome {
    RowResult Result = RowResult::Stop;
    int Plu = -1;
    PluRecord Record;              // Code set, NetPrice set (the table entry takes it)
    std::array<QString, 2> Reason; // English, Serbian
    // For complete rows: the description was cut to the register's length; the
    // price or the department cell was empty and taken as 0.
    bool Shortened = false;
    bool EmptyPriceOrDepartment = false;
};

[[nodiscard]] RowOutcome ReadPluRow(const SheetRows& rows, int row, int descriptionColumn,
                                    const PluCells::Style& style);
// Takes a complete row into the table, net price included.
void StorePluRow(PluTable& table, const RowOutcome& outcome);

// What an import did, for the summary at its end.
struct ImportSummary {
    static constexpr int ListedSkips = 20;
    // PLUs taken; a later row for a PLU already taken replaces it and counts in Repeated.
    int Imported = 0;
    int Repeated = 0;
    int Skipped = 0;
    int Shortened = 0;
    int EmptyPriceOrDepartment = 0;
    // The first ListedSkips skipped rows: sheet row and reason (English, Serbian).
    std::vector<std::pair<int, std::array<QString, 2>>> SkippedRows;
    bool NeedsRecalculation = false;
    int RecalculationRow = 0;
    bool Cancelled = false;
    int CancelledRow = 0;
    // Rows with cells that were not read: below the last PLU row, and after
    // the row whose empty PLU cell ended the data (EndRow).
    int RowsBeyond = 0;
    int RowsAfterEnd = 0;
    int EndRow = 0;
    // The PLUs taken, lowest and highest; -1 for none.
    int FirstPlu = -1;
    int LastPlu = -1;

    [[nodiscard]] QString Text(int language) const;
};

// Takes rows 2 to 10001 of a sheet into the table, a few rows a step, so that
// the caller can keep its window alive between the steps.
class PluImport {
  public:
    PluImport(const SheetRows& rows, int descriptionColumn, const PluCells::Style& style);

    // Handles up to maxRows rows; true when the import has ended.
    bool Step(PluTable& table, int maxRows);
    void Cancel() {
        m_summary.Cancelled = true;
        m_summary.CancelledRow = m_row;
        m_done = true;
    }
    [[nodiscard]] bool Done() const { return m_done; }
    // The next row to read and the rows there are at most.
    [[nodiscard]] int Row() const { return m_row; }
    [[nodiscard]] int RowsDone() const { return m_row - FirstDataRow; }
    [[nodiscard]] int RowsTotal() const;
    [[nodiscard]] const ImportSummary& Summary() const { return m_summary; }
    // The text of column A of the last row read.
    [[nodiscard]] QString LastPluText() const { return m_lastPluText; }

  private:
    // The import has ended at m_row: what the sheet holds that was not read.
    void CountRowsNotRead(bool endedByEmptyCell);

    const SheetRows& m_rows;
    int m_descriptionColumn;
    PluCells::Style m_style;
    int m_row = FirstDataRow;
    bool m_done = false;
    QString m_lastPluText;
    ImportSummary m_summary;
    std::vector<bool> m_taken = std::vector<bool>(size_t(PluCount), false);
};

// A cell as a number: numeric cells as they are, texts with a point or a
// comma; empty counts as 0. False when the cell holds something else.
[[nodiscard]] bool CellNumber(const SheetCell& cell, double& value);
// A cell as text: numbers in their shortest form; a leading apostrophe is kept.
[[nodiscard]] QString CellText(const SheetCell& cell);

} // namespace PluSheet
