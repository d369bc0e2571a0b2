#pragma once

#include "plu/PluRecord.h"

#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <span>

class PluTable;

inline constexpr uint8_t PluReadCode = 0x5B;          // '[' both ways
inline constexpr uint8_t PluWriteCode = 0x5C;         // '\'
inline constexpr uint8_t StockWriteCode = 0x59;       // 'Y'
inline constexpr uint8_t BarcodeCommitCommand = 0x50; // 'P', sent alone
inline constexpr uint8_t PluReportCode = 'n';         // printed by the register, no reply

inline constexpr size_t PluReadRequestSize = 3;
inline constexpr size_t PluRecordReplySize = 56;
inline constexpr size_t PluWriteCommandSize = 40;
inline constexpr size_t StockWriteCommandSize = 7;
inline constexpr size_t PluReportRequestSize = 5;

using PluReadRequest = std::array<uint8_t, PluReadRequestSize>;
using PluWriteCommand = std::array<uint8_t, PluWriteCommandSize>;
using StockWriteCommand = std::array<uint8_t, StockWriteCommandSize>;
using PluReportRequest = std::array<uint8_t, PluReportRequestSize>;

// Either the command, or the message that tells the user why it was not built.
struct PluWriteResult {
    std::optional<PluWriteCommand> Payload;
    QString Refusal;
};

[[nodiscard]] PluReadRequest EncodePluRead(int n);

// Puts the barcodes written so far in force; the command byte alone.
[[nodiscard]] inline std::array<uint8_t, 1> EncodeBarcodeCommit() {
    return {BarcodeCommitCommand};
}

// The register's own printout of its PLU counters from..to.
[[nodiscard]] PluReportRequest EncodePluReport(int from, int to);

// The flags byte of an entry as the PLU page sets it: a PLU without a
// department is never active, and any unit but pieces counts in thousandths.
[[nodiscard]] uint8_t PluFlags(bool active, bool stockProgrammed, int unit, std::optional<int> department);

// The constant fields of table entry n in the register's character set. A
// command that is built clears FlagFreePrice in the entry, since the register
// keeps the price it is sent; a refused one leaves the entry as it was.
[[nodiscard]] PluWriteResult EncodePluWrite(PluRecord& entry, int n, int charset);

// With a stock value, the entry's Stock takes it first.
[[nodiscard]] StockWriteCommand EncodeStockWrite(PluRecord& entry, int n,
                                                 std::optional<uint32_t> stock = std::nullopt);

// The register's PLU record reply. Description2 comes from the table's entry of
// the reply's PLU; NetPrice stays 0 (StoreRecord keeps the table's own). Bytes
// missing from a short payload read as zero.
[[nodiscard]] PluRecord DecodePluReply(std::span<const uint8_t> payload, const PluTable& table, int charset);
