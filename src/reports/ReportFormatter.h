#pragma once

#include "reports/ReportFigures.h"
#include "reports/ReportStyle.h"

#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <vector>

class PluTable;

// The lines of the report view for a report's figures, in the style's
// language, font, charset and decimal separator.
[[nodiscard]] QStringList FormatTaxReport(const TaxReport& report, const ReportStyle& style);
[[nodiscard]] QStringList FormatDepartmentReport(const DepartmentReport& report, const ReportStyle& style);
[[nodiscard]] QStringList FormatStatusReport(const StatusReport& report, const ReportStyle& style);
// No line when the PLU sold nothing. Description, price and the decimal
// quantity flag come from the PC table; a PLU number outside the table shows
// the register's figures with an empty description and price.
[[nodiscard]] QStringList FormatPluReport(const PluReport& report, const ReportStyle& style,
                                          const PluTable& table);
[[nodiscard]] QStringList FormatOperatorReport(const OperatorReport& report, const ReportStyle& style);
[[nodiscard]] QStringList FormatLastZReport(const LastZReport& report, const ReportStyle& style);

// The one line written for a reply shorter than its layout.
[[nodiscard]] QStringList ShortReportLines(uint8_t code, size_t received, size_t expected,
                                           const ReportStyle& style);

// The heading and column titles written before a series of PLU reports.
[[nodiscard]] QStringList PluReportHeading(const ReportStyle& style);
// The closing line of a series whose PLUs in plus got no answer.
[[nodiscard]] QString UnansweredPlusLine(const std::vector<int>& plus, const ReportStyle& style);

// A tax group's letter as the report view shows it.
[[nodiscard]] QString TaxLetter(int group, const ReportStyle& style);
