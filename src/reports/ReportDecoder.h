#pragma once

#include "reports/ReportFigures.h"
#include "reports/ReportFormatter.h"
#include "reports/ReportStyle.h"

#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

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

// The figures of a verified payload (reply code first; the caller has picked
// the decoder by that code). Nothing when the payload is shorter than its
// layout, and nothing is read past its end; bytes beyond the layout are ignored.
[[nodiscard]] std::optional<TaxReport> DecodeTaxReport(std::span<const uint8_t> payload);
[[nodiscard]] std::optional<DepartmentReport> DecodeDepartmentReport(std::span<const uint8_t> payload);
[[nodiscard]] std::optional<StatusReport> DecodeStatusReport(std::span<const uint8_t> payload);
[[nodiscard]] std::optional<PluReport> DecodePluReport(std::span<const uint8_t> payload);
[[nodiscard]] std::optional<OperatorReport> DecodeOperatorReport(std::span<const uint8_t> payload);
[[nodiscard]] std::optional<LastZReport> DecodeLastZReport(std::span<const uint8_t> payload);

// The PLU number a PLU report names, when it is long enough to name one.
[[nodiscard]] std::optional<int> ReportedPlu(std::span<const uint8_t> payload);

// A verified payload straight to the lines of the report view: its figures
// through ReportFormatter, or a single line saying it came too short.
[[nodiscard]] QStringList DumpDailyVAT(std::span<const uint8_t> payload, const ReportStyle& style);
[[nodiscard]] QStringList DumpDailyDept(std::span<const uint8_t> payload, const ReportStyle& style);
[[nodiscard]] QStringList DumpDailyStatus(std::span<const uint8_t> payload, const ReportStyle& style);
// No line when the PLU sold nothing.
[[nodiscard]] QStringList DumpDailyPLU(std::span<const uint8_t> payload, const ReportStyle& style,
                                       const PluTable& table);
[[nodiscard]] QStringList DumpDailyOper(std::span<const uint8_t> payload, const ReportStyle& style);
[[nodiscard]] QStringList DumpLastZ(std::span<const uint8_t> payload, const ReportStyle& style);
// The lines of the payload's reply code; nothing for other codes.
[[nodiscard]] QStringList DecodeReport(std::span<const uint8_t> payload, const ReportStyle& style,
                                       const PluTable& table);
