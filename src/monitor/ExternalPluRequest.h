#pragma once

#include "monitor/JournalDecoder.h"

#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <span>

class PluTable;
struct PluRecord;

inline constexpr uint8_t ExternalPluCode = 'N';
inline constexpr size_t PluAnswerSize = 39;
using PluAnswerFrame = std::array<uint8_t, PluAnswerSize>;

// 'N', PLU number low byte first, then the PLU's description, price, flags
// and barcode in the register's character set.
[[nodiscard]] std::optional<PluAnswerFrame> EncodePluAnswer(const PluRecord& entry, int n, int charset);
// 'N', 0xFF, 0xFF and zeros: the PC does not know the PLU asked for.
[[nodiscard]] PluAnswerFrame NotFoundPluAnswer();

// What the register's request for a PLU out of the PC table comes to: a line
// for the monitor (with the bytes it counts), and the answer to send back.
struct ExternalPluOutcome {
    std::optional<QString> Line;
    int CountedBytes = 0;
    std::optional<PluAnswerFrame> Answer;
};

// The request ('N', sub-code 'C' by number or 'B' by barcode, 21 bytes)
// answered from the PC table. Any other sub-code comes to nothing.
[[nodiscard]] ExternalPluOutcome AnswerExternalPluRequest(std::span<const uint8_t> payload,
                                                          const PluTable& table, const JournalStyle& style);
