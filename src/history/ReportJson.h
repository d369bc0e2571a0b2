#pragma once

#include <QJsonObject>
#include <cstdint>
#include <optional>
#include <span>

// The figures of a report reply ('f' to 'k') as a JSON object, the form the
// history keeps them in: amounts in hundredths, register texts as their bytes
// in hex (their charset is the register's). Nothing when the payload is not a
// whole report.
[[nodiscard]] std::optional<QJsonObject> ReportFiguresJson(std::span<const uint8_t> payload);
