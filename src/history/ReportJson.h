#pragma once

#include <QJsonObject>
#include <cstdint>
#include <optional>
#include <span>

// How amounts and register texts are written. The default is the form the
// history keeps them in: amounts in whole hundredths, register texts as their
// bytes in hex (their charset is the register's).
struct ReportJsonForm {
    // Amounts in currency units (12.34) instead of hundredths.
    bool MoneyInUnits = false;
    // Register texts read through this register charset into text; below 0,
    // their bytes in hex.
    int TextCharset = -1;
};

// The figures of a report reply ('f' to 'k') as a JSON object. Nothing when
// the payload is not a whole report.
[[nodiscard]] std::optional<QJsonObject> ReportFiguresJson(std::span<const uint8_t> payload,
                                                           const ReportJsonForm& form = {});
