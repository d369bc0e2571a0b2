#pragma once

#include "spreadsheets/SheetRows.h"

#include <QByteArray>

// The workbook with macros: a copy of a chosen workbook (.xlsm or .xlsx) in
// which only the active sheet's cells A to I of the rows written are new. All
// other parts of the package (macros, styles, other sheets) are copied as they
// are, and so are the other cells of the sheet (formulas in J and K, say). The
// chosen workbook itself is only read.
[[nodiscard]] std::unique_ptr<SheetWriter> MakeTemplateWriter(const QString& templatePath,
                                                              const QString& target);

namespace SheetTemplate {
inline constexpr int Columns = 9;
// The worksheet part with rows 1..rows.size() of columns A..I replaced; false
// for a part that is no worksheet.
bool RewriteSheet(const QByteArray& sheet, const std::vector<SheetRow>& rows, QByteArray& result);
} // namespace SheetTemplate
