#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <span>

// The register's error status reply (' '): byte 1 holds the error number as
// two packed-BCD digits.
inline constexpr uint8_t ErrorStatusCode = ' ';

// The line the error box shows for an error status reply: empty when the
// register reports no error (0 or 'Z'); the error's own text when the table
// knows it; "E" and the byte's two hex digits otherwise, so that an error
// never passes for a clean state. Nothing for a reply too short to carry the
// byte: the box keeps what it showed.
[[nodiscard]] std::optional<QString> DecodeErrorStatus(std::span<const uint8_t> payload, int language);

// Whether an error status byte says that the last command went through.
[[nodiscard]] bool IsNoError(uint8_t status);
