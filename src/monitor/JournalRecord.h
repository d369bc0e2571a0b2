#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <span>

// What the sale-kind byte of a record says. Records without one say None; a
// byte other than 'N', 'R' and 'C' is Unmarked (the monitor shows blanks).
enum class SaleKind : uint8_t { None, Normal, Return, Correction, Unmarked };

// The register's clock as a receipt close carries it, each part as received
// (nothing is checked: the monitor prints what came).
struct JournalClock {
    int Year = 0;
    int Month = 0;
    int Day = 0;
    int Hour = 0;
    int Minute = 0;
    friend bool operator==(const JournalClock&, const JournalClock&) = default;
};

// One journal record, decoded once: the monitor line, the history rows, the
// gateway's JSON and orvexctl all read this. Fields a record does not carry
// are empty. Money is in hundredths of the currency unit, as the register
// counts it; every quantity is in ten-thousandths of its unit, whichever
// precision the record carried it in.
struct JournalRecord {
    // The reply code: '?', '@' to 'M', 'O'.
    uint8_t Code = 0;
    // The sale-kind byte as received; 0 for records without one.
    uint8_t SaleKindByte = 0;
    // '@': the operator's number.
    std::optional<int> Operator;
    // '@' and 'O'.
    std::optional<int64_t> ReceiptNumber;
    // 'B': the PLU code.
    std::optional<int> Plu;
    // 'A', 'B', 'C' to 'F', '?': the department byte ('B': its low four bits).
    std::optional<int> Department;
    // 'B' and '?': register character codes up to the first zero byte.
    QByteArray Description;
    // 'B': the barcode bytes up to the first zero byte.
    QByteArray Barcode;
    // 'B': the measurement unit index 0 to 7 (an index above 7 reads as 0).
    std::optional<int> Unit;
    // 'A', 'B', '?': the unit price; 'M': the ticket price. Hundredths.
    std::optional<int64_t> Price;
    // 'A', 'B', '?': ten-thousandths of the unit ('B' carries thousandths).
    std::optional<int64_t> Quantity;
    // Hundredths, as carried (no sign): 'C' to 'F' the surcharge or discount,
    // 'G' to 'J' the sum of the nine departments, 'L' the subtotal, 'O' the
    // receipt's total.
    std::optional<int64_t> Amount;
    // 'E', 'F', 'I', 'J': hundredths of a per cent.
    std::optional<int64_t> Percent;
    // 'G' to 'J': the amount of each department 1 to 9, hundredths.
    std::array<int64_t, 9> DepartmentAmounts{};
    // 'M': the number of tickets.
    std::optional<int> Tickets;
    // 'O': the number of pieces sold in the receipt.
    std::optional<int> Pieces;
    // 'O': the register's own number (CR number).
    std::optional<int> RegisterNumber;
    // 'O': the register's clock at the close.
    std::optional<JournalClock> Clock;
    // The payload as it came, reply code first.
    QByteArray Payload;
    // When the session took the record, milliseconds since the epoch; 0 for
    // a record decoded outside a session.
    qint64 ReceivedMs = 0;

    [[nodiscard]] SaleKind Kind() const;
    // The description through the register-to-Windows conversion and the
    // code page of the charset.
    [[nodiscard]] QString DescriptionText(int charset) const;
    // The barcode through the code page alone (it is not converted).
    [[nodiscard]] QString BarcodeText(int charset) const;
    // The clock as a local date and time of this computer, when it is one.
    [[nodiscard]] std::optional<QDateTime> RegisterTime() const;

    friend bool operator==(const JournalRecord&, const JournalRecord&) = default;
};

// The reply codes of the journal records: '?' and '@' to 'O' except 'N',
// which is the register's request for a PLU (ExternalPluRequest).
[[nodiscard]] bool IsJournalCode(uint8_t code);

// Whether a record reports the sale of an article (by department, PLU or
// external PLU).
[[nodiscard]] bool IsSaleRecord(uint8_t code);

// A journal record, reply code first. Bytes missing from a record shorter
// than its layout read as zero; bytes past the layout are not read. Nothing
// for an empty payload or a code that is not a journal record.
[[nodiscard]] std::optional<JournalRecord> DecodeJournal(std::span<const uint8_t> payload);

// What a record adds to the receipt's amount, in hundredths: a sale its price
// times its quantity rounded to the hundredth (halves away from zero), a
// surcharge its amount (on the subtotal: the sum of its departments), a
// discount minus its amount. A return or a correction takes its line back, so
// it counts with the other sign. Nothing for the other records (subtotal,
// close, ticket discount, and the immediate correction 'K', which carries no
// amount: it takes back the line before it).
[[nodiscard]] int64_t SignedAmount(const JournalRecord& record);

// +1 when the record adds to the receipt, -1 when it takes off, 0 when it
// moves nothing, by the rule of SignedAmount.
[[nodiscard]] int AmountSign(const JournalRecord& record);

// "open_receipt", "department_sale", "plu_sale", ...: the record's kind by
// its code, for programs.
[[nodiscard]] QString RecordName(uint8_t code);

// "normal", "return", "correction"; empty for the other kinds.
[[nodiscard]] QString SaleKindName(SaleKind kind);
