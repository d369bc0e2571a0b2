#pragma once

#include "reports/ReportStyle.h"

#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

class PluTable;

inline constexpr uint8_t TaxReportCode = 'f';
inline constexpr uint8_t DepartmentReportCode = 'g';
inline constexpr uint8_t StatusReportCode = 'h';
inline constexpr uint8_t PluReportCode = 'i';
inline constexpr uint8_t OperatorReportCode = 'j';
inline constexpr uint8_t LastZReportCode = 'k';
// The request that runs the Z report; the register answers with its error status.
inline constexpr uint8_t RunZReportCode = 'l';

[[nodiscard]] bool IsReportCode(uint8_t code);
// The length of a report's layout, reply code included; 0 for other codes.
[[nodiscard]] size_t ReportLength(uint8_t code);

// The report decoders: a verified payload (reply code first) to the lines of
// the report view. Amounts keep every digit; a payload shorter than its layout
// gives a single line saying so, and nothing is read past its end.
[[nodiscard]] QStringList DumpDailyVAT(std::span<const uint8_t> payload, const ReportStyle& style);
[[nodiscard]] QStringList DumpDailyDept(std::span<const uint8_t> payload, const ReportStyle& style);
[[nodiscard]] QStringList DumpDailyStatus(std::span<const uint8_t> payload, const ReportStyle& style);
// No line when the PLU sold nothing. Description, price and the decimal
// quantity flag come from the PC table; a PLU number outside the table shows
// the register's figures with an empty description and price.
[[nodiscard]] QStringList DumpDailyPLU(std::span<const uint8_t> payload, const ReportStyle& style,
                                       const PluTable& table);
[[nodiscard]] QStringList DumpDailyOper(std::span<const uint8_t> payload, const ReportStyle& style);
[[nodiscard]] QStringList DumpLastZ(std::span<const uint8_t> payload, const ReportStyle& style);
// The decoder of the payload's reply code; nothing for other codes.
[[nodiscard]] QStringList DecodeReport(std::span<const uint8_t> payload, const ReportStyle& style,
                                       const PluTable& table);

// The PLU number a PLU report names, when it is long enough to name one.
[[nodiscard]] std::optional<int> ReportedPlu(std::span<const uint8_t> payload);

// The heading and column titles written before a series of PLU reports.
[[nodiscard]] QStringList PluReportHeading(const ReportStyle& style);
// The closing line of a series whose PLUs in plus got no answer.
[[nodiscard]] QString UnansweredPlusLine(const std::vector<int>& plus, const ReportStyle& style);

// A tax group's letter as the report view shows it.
[[nodiscard]] QString TaxLetter(int group, const ReportStyle& style);
