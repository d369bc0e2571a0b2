#pragma once

#include "sim/SimPlu.h"

#include <QByteArray>
#include <QDateTime>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

// The register's selling day: the open receipt and everything a closed receipt
// adds to the daily totals (tax groups, departments, operators, PLU statistics),
// the last Z report, and the report replies built from them.
//
// Every sale operation either refuses with a register error number (and changes
// nothing) or carries the step out and gives back the journal records that
// report it, in the order the register sends them.
class SimDay {
  public:
    static constexpr int Departments = 9;
    static constexpr int TaxGroups = 9;
    static constexpr int Operators = 15;
    static constexpr uint8_t RegisterNumber = 1;
    // The largest receipt total the register accepts, in hundredths.
    static constexpr int64_t ReceiptLimit = 9999999999LL;

    enum Error : uint8_t {
        NoError = 0x00,
        NotActive = 0x30,
        NegativeResult = 0x31,
        CodeNotAccepted = 0x32,
        NotProgrammed = 0x34,
        ValueObligatory = 0x38,
        ZeroNotAllowed = 0x39,
        NotAllowed = 0x42,
        OutOfRange = 0x43,
        ReceiptLimitExceeded = 0x46,
        NoChange = 0x48,
    };

    struct Outcome {
        uint8_t Error = NoError;
        std::vector<QByteArray> Records;
    };

    using Clock = std::function<QDateTime()>;

    SimDay(std::vector<SimPlu>& plus, Clock clock);

    // Sale steps. PLU quantities are in thousandths; record is the journal
    // letter that reports the sale ('B' for the cashier's own sale, '?' for a
    // sale the PC commands).
    Outcome SellPlu(int plu, uint32_t quantity, uint8_t saleKind, uint8_t record, int operatorNumber);
    Outcome SellDepartment(int department, uint32_t price, uint32_t quantity, int operatorNumber);
    Outcome SellExternal(int department, uint32_t price, const std::array<uint8_t, 12>& description,
                         uint32_t quantity, int operatorNumber);
    Outcome AdjustAmount(bool increment, uint32_t amount);
    Outcome AdjustPercent(bool increment, uint32_t percent);
    Outcome AdjustSubtotalPercent(bool increment, uint32_t percent);
    // An amount on the subtotal, booked to the department that has sold most
    // in this receipt.
    Outcome AdjustSubtotalAmount(bool increment, uint32_t amount);
    Outcome CorrectLast();
    Outcome Subtotal();
    Outcome Pay(uint8_t type, uint64_t amount);

    // Report replies ('f' ... 'k').
    [[nodiscard]] QByteArray TaxReport() const;
    [[nodiscard]] QByteArray DepartmentReport() const;
    [[nodiscard]] QByteArray StatusReport() const;
    [[nodiscard]] QByteArray PluReport(int plu) const;
    [[nodiscard]] QByteArray OperatorReport(int operatorNumber) const;
    [[nodiscard]] QByteArray LastZReport() const { return m_lastZ; }
    // Closes the day; refused inside a receipt.
    uint8_t RunZReport();

    void CountHeaderChange() { ++m_headerChanges; }

    [[nodiscard]] bool ReceiptOpen() const { return m_open; }
    [[nodiscard]] bool Paying() const { return m_paid > 0; }
    [[nodiscard]] bool HasItems() const { return !m_items.empty(); }
    [[nodiscard]] int64_t ReceiptTotal() const;
    [[nodiscard]] int ZNumber() const { return m_zNumber; }
    [[nodiscard]] int ReceiptsToday() const { return m_receiptsToday; }
    [[nodiscard]] static int TaxGroupOf(int department);

  private:
    struct Item {
        int Department = 1;
        int64_t Amount = 0;
        int Plu = -1;
        int64_t Quantity = 0;
        bool Correction = false;
        // What the sale added to its PLU's total: surcharges and discounts on
        // the item change Amount, not the PLU's statistics.
        int64_t PluAmount = 0;
    };
    struct OperatorStats {
        int64_t Cash = 0;
        int64_t Cheque = 0;
        int64_t Card = 0;
        int64_t Total = 0;
        int Drawer = 0;
        int Receipts = 0;
        int64_t CorrectionAmount = 0;
        int Corrections = 0;
    };

    QByteArray OpenIfClosed(int operatorNumber, Outcome& out);
    // Checks a department item and books it on the (then open) receipt.
    Outcome BookDepartmentItem(int department, uint32_t price, uint32_t quantity, int operatorNumber);
    void AddPluStatistics(int plu, int64_t quantity, int64_t amount);
    [[nodiscard]] std::array<int64_t, Departments> DepartmentNet() const;
    void CloseReceipt(Outcome& out);
    void BuildLastZ(const QDateTime& at);
    [[nodiscard]] OperatorStats& CurrentOperator();

    std::vector<SimPlu>& m_plus;
    Clock m_clock;

    bool m_open = false;
    int m_operator = 1;
    uint32_t m_receiptNumber = 1;
    std::vector<Item> m_items;
    std::array<int64_t, Departments> m_subtotalAdjust{};
    int64_t m_paid = 0;
    int64_t m_paidCard = 0;
    int64_t m_paidCheque = 0;

    std::array<int64_t, TaxGroups> m_taxTotals{};
    std::array<int64_t, Departments> m_departmentTotals{};
    std::array<int, Departments> m_departmentSales{};
    std::array<OperatorStats, Operators + 1> m_operators{};
    int m_receiptsToday = 0;
    int m_headerChanges = 0;
    int m_zNumber = 0;
    QByteArray m_lastZ;
};
