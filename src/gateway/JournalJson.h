#pragma once

#include <QJsonObject>
#include <cstdint>
#include <span>

// One journal record, reply code first, as plain figures for programs:
// {"code":"O","total":3.98,"receiptNumber":12,...}. Amounts are in currency
// units, quantities as numbers, texts through the register charset. A record
// shorter than its layout reads its missing bytes as zero; a code that is not
// a journal record gives {"code": ...} alone.
[[nodiscard]] QJsonObject JournalRecordJson(std::span<const uint8_t> payload, int charset);

// Whether a journal record reports a sale of an article (by PLU, department
// or external PLU), as the register sends one for each sale command.
[[nodiscard]] bool IsSaleRecord(uint8_t code);
