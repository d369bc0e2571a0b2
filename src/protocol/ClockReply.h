#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <span>

// The register's clock reply 'Q': seconds, minutes, hours, day, month and the
// year low byte first, all binary, after the reply code. The text reads
// "Time : 14:5:9", an empty line, "Date : 3-12-2004" (no zero padding), with
// the captions of the language. A reply too short to hold the year has no text.
[[nodiscard]] std::optional<QString> FormatClock(std::span<const uint8_t> payload, int lang);

// The same reply as numbers, for output that carries plain values.
struct RegisterClock {
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
    int Day = 0;
    int Month = 0;
    int Year = 0;
};
[[nodiscard]] std::optional<RegisterClock> DecodeClock(std::span<const uint8_t> payload);
