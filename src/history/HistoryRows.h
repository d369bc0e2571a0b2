#pragma once

#include "reports/ReportLayouts.h"

#include <QByteArray>
#include <QString>
#include <QVariantList>
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// A register as the history knows it: the shop from the settings, the CR
// number and fiscal ID from its daily status report.
struct RegisterKey {
    QString Shop;
    int CrNumber = 0;
    QString FiscalId;
    friend bool operator==(const RegisterKey&, const RegisterKey&) = default;
};

// One journal record with its fields read out. Amounts are hundredths,
// quantities the register's own units (ten-thousandths for department and
// external sales, thousandths for PLU sales, pieces for a receipt close).
struct JournalEntry {
    uint8_t Code = 0;
    std::optional<int> Operator;
    std::optional<int> Department;
    std::optional<int> Plu;
    QString Description;
    std::optional<int64_t> Price;
    std::optional<int64_t> Quantity;
    std::optional<int64_t> Amount;
    uint8_t SaleKind = 0;
    std::optional<int64_t> ReceiptNumber;
    // 'O': the register's own date and time, "yyyy-MM-ddTHH:mm".
    QString RegisterTime;
    // 'G' to 'J': the amount of each department.
    std::array<int64_t, ReportGroups> DepartmentAmounts{};
    QByteArray Payload;
};

// The fields of a journal record (reply code first); nothing for a payload
// that is not a journal record. Bytes missing from a short record read as
// zero, as the monitor reads them. Texts go through the register charset.
[[nodiscard]] std::optional<JournalEntry> ReadJournalEntry(std::span<const uint8_t> payload, int charset);

// One line of a receipt: a PLU sale (Plu set), a department or external sale,
// with the surcharges and discounts given on it. Returns and corrections count
// negative. Subtotal surcharges and discounts are the receipt's, not a line's.
struct ReceiptItem {
    std::optional<int> Plu;
    int Department = 1;
    QString Description;
    // Thousandths of the unit.
    int64_t Quantity = 0;
    int64_t Amount = 0;
};

// A receipt as its records told it.
struct ReceiptRecord {
    int64_t ReceiptNumber = 0;
    int Operator = 0;
    int64_t Total = 0;
    int Pieces = 0;
    int RegisterNumber = 0;
    QString RegisterTime;
    // The net of each department 1 to 9 after corrections and surcharges.
    std::array<int64_t, ReportGroups> Departments{};
    // False when the opening record was not seen (the program came in
    // mid-receipt): the total is the register's, the departments are partial.
    bool Whole = false;
    std::vector<ReceiptItem> Items;
};

// The value lists of the tables' rows, in TableColumns order; the origin and
// sequence number at their head are left for the store to fill.
[[nodiscard]] QVariantList JournalValues(const RegisterKey& reg, qint64 receivedMs,
                                         const JournalEntry& entry);
[[nodiscard]] QVariantList ReceiptValues(const RegisterKey& reg, qint64 receivedMs,
                                         const ReceiptRecord& receipt);
// One row per line of the receipt, dated by the receipt's close.
[[nodiscard]] QVariantList ReceiptItemValues(const RegisterKey& reg, qint64 receivedMs,
                                             const ReceiptRecord& receipt, const ReceiptItem& item);
[[nodiscard]] QVariantList ReportValues(const RegisterKey& reg, qint64 receivedMs, uint8_t code,
                                        const QString& figuresJson);
[[nodiscard]] QVariantList ZReportValues(const RegisterKey& reg, qint64 receivedMs, bool answered, int status,
                                         const QString& line);
// A receipt request the gateway ended: its key, the status it answered, the
// receipt's number when there is one, the error when it failed, and the
// outcome as JSON text.
[[nodiscard]] QVariantList GatewayReceiptValues(const RegisterKey& reg, qint64 receivedMs, const QString& key,
                                                int status, std::optional<int64_t> receiptNumber,
                                                const QString& error, const QString& outcomeJson);
[[nodiscard]] QVariantList RegisterValues(const RegisterKey& reg, const QString& departmentTaxes,
                                          qint64 receivedMs);
