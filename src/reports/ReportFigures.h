#pragma once

#include "reports/ReportLayouts.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>

// The figures of the report replies 'f' to 'k', as the register sends them and
// without any wording: the report view, the gateway and the history store each
// put them in their own form.
//
// Amounts are whole hundredths with every BCD digit kept; six BCD bytes hold
// more than 32 bits. Nibbles A-F count as 10-15, as the register's own tools
// count them. Register texts are the bytes before the first NUL, still in the
// register's charset.

using Hundredths = uint64_t;

struct TaxGroupTurnover {
    Hundredths Turnover = 0;
    friend bool operator==(const TaxGroupTurnover&, const TaxGroupTurnover&) = default;
};

// Daily sales per tax group, A to K.
struct TaxReport {
    std::array<TaxGroupTurnover, ReportGroups> TaxGroups{};
    friend bool operator==(const TaxReport&, const TaxReport&) = default;
};

struct DepartmentSales {
    Hundredths Turnover = 0;
    int SalesCount = 0;
    friend bool operator==(const DepartmentSales&, const DepartmentSales&) = default;
};

// Daily sales per department, 1 to 9.
struct DepartmentReport {
    std::array<DepartmentSales, ReportGroups> Departments{};
    friend bool operator==(const DepartmentReport&, const DepartmentReport&) = default;
};

struct StatusReport {
    int VatChanges = 0;
    int ResetCount = 0;
    int HeaderChanges = 0;
    int ReceiptCount = 0;
    int CrNumber = 0;
    // Register codes: the register charset's table turns them into Windows text.
    QByteArray FiscalId;
    // One byte per department: the tax letter it sells under, as a code-page byte.
    QByteArray DepartmentAssociation;
    friend bool operator==(const StatusReport&, const StatusReport&) = default;
};

// One PLU's daily sales. Whether its quantities count pieces or thousandths
// is known only to the PC's PLU table, so they stay as the register's numbers.
struct PluReport {
    int Plu = 0;
    int Sold = 0;
    int Stock = 0;
    Hundredths Total = 0;
    friend bool operator==(const PluReport&, const PluReport&) = default;
};

// Money taken in or paid out of the drawer outside sales.
struct CashMovement {
    Hundredths ChequeAmount = 0;
    int ChequeCount = 0;
    Hundredths CashAmount = 0;
    int CashCount = 0;
    Hundredths CardAmount = 0;
    int CardCount = 0;
    friend bool operator==(const CashMovement&, const CashMovement&) = default;
};

// One operator's day. The password itself is not kept, only whether one is set.
struct OperatorReport {
    bool PasswordProgrammed = false;
    Hundredths Cash = 0;
    Hundredths Cheque = 0;
    Hundredths Card = 0;
    Hundredths Total = 0;
    int DrawerOpenings = 0;
    int ReceiptCount = 0;
    Hundredths CorrectionAmount = 0;
    int CorrectionCount = 0;
    CashMovement PayIn;
    CashMovement PayOut;
    friend bool operator==(const OperatorReport&, const OperatorReport&) = default;
};

// A date and time as the register's BCD digits, two per byte, nibbles A-F as
// letters: a corrupt date is shown as it came rather than made into a valid one.
struct RegisterDateTime {
    QString Day;
    QString Month;
    QString Year;
    QString Hour;
    QString Minute;
    friend bool operator==(const RegisterDateTime&, const RegisterDateTime&) = default;
};

// Progressive sums since fiscalisation.
struct TaxGroupTotals {
    Hundredths Turnover = 0;
    Hundredths Tax = 0;
    friend bool operator==(const TaxGroupTotals&, const TaxGroupTotals&) = default;
};

struct LastZReport {
    int ZNumber = 0;
    // Four year digits.
    RegisterDateTime Date;
    std::array<TaxGroupTotals, ReportGroups> TaxGroups{};
    int ReceiptCount = 0;
    int ResetCount = 0;
    // 0 when there has been no reset; ResetDate then means nothing.
    int ResetType = 0;
    // Two year digits: the register leaves out the century.
    RegisterDateTime ResetDate;
    // Bit 7 of the register's byte is not part of the count.
    int HeaderChanges = 0;
    friend bool operator==(const LastZReport&, const LastZReport&) = default;
};
