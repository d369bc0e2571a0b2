#pragma once

#include "monitor/JournalRecord.h"
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

// One line of a receipt: a PLU sale (Plu set), a department or external sale,
// with the surcharges and discounts given on it, signed as SignedAmount says
// (returns and corrections negative). Subtotal surcharges and discounts are
// the receipt's, not a line's.
struct ReceiptItem {
    std::optional<int> Plu;
    int Department = 1;
    QString Description;
    // Thousandths of the unit, as the receipt_items table keeps it.
    int64_t Quantity = 0;
    // Hundredths.
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
// sequence number at their head are left for the store to fill. A journal
// row's columns are the record's fields in its units (price and amount in
// hundredths, quantity in ten-thousandths), except where the table has no
// column of their own: a receipt close's pieces and a ticket discount's
// tickets go in quantity, a percentage (hundredths of a per cent) in price.
// Texts go through the register charset.
[[nodiscard]] QVariantList JournalValues(const RegisterKey& reg, qint64 receivedMs,
                                         const JournalRecord& record, int charset);
// A receipt close's register clock as the tables keep it, "yyyy-MM-ddTHH:mm";
// empty for other records.
[[nodiscard]] QString RegisterTimeText(const JournalRecord& record);
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
