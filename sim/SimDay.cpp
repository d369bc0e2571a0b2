#include "sim/SimDay.h"

#include "sim/SimFields.h"

#include <algorithm>

using namespace SimFields;

namespace {

// Tax rate of each tax group in hundredths of a percent, and the tax group of
// each department (department 1 first).
constexpr std::array<int64_t, SimDay::TaxGroups> TaxRates{2000, 1000, 0, 800, 1800, 500, 0, 0, 0};
constexpr std::array<int, SimDay::Departments> DepartmentTaxGroup{0, 1, 2, 0, 1, 3, 4, 0, 5};
// The letters the register prints for its tax groups.
constexpr std::array<uint8_t, SimDay::TaxGroups> TaxLetters{0x41, 0xC3, 0xC4, 0x8E, 0x45,
                                                            0xC6, 0xC8, 0x4A, 0x4B};
constexpr char FiscalId[] = "OX01234567";
constexpr int ProgrammedOperators = 4;

constexpr uint8_t PayCash = 'C';
constexpr uint8_t PayCard = 'A';
constexpr uint8_t PayCheque = 'Q';

int64_t RoundedDiv(int64_t num, int64_t den) {
    return num >= 0 ? (num + den / 2) / den : -((-num + den / 2) / den);
}

uint8_t Bcd2(int v) {
    return uint8_t(((v / 10 % 10) << 4) | (v % 10));
}

} // namespace

SimDay::SimDay(std::vector<SimPlu>& plus, Clock clock) : m_plus(plus), m_clock(std::move(clock)) {
    BuildLastZ(m_clock());
}

int SimDay::TaxGroupOf(int department) {
    return DepartmentTaxGroup[std::clamp(department, 1, Departments) - 1];
}

int64_t SimDay::ReceiptTotal() const {
    int64_t total = 0;
    for (const Item& item : m_items)
        total += item.Amount;
    for (int64_t a : m_subtotalAdjust)
        total += a;
    return total;
}

std::array<int64_t, SimDay::Departments> SimDay::DepartmentNet() const {
    std::array<int64_t, Departments> net = m_subtotalAdjust;
    for (const Item& item : m_items)
        net[item.Department - 1] += item.Amount;
    return net;
}

SimDay::OperatorStats& SimDay::CurrentOperator() {
    return m_operators[std::clamp(m_operator, 0, Operators)];
}

QByteArray SimDay::OpenIfClosed(int operatorNumber, Outcome& out) {
    if (m_open)
        return {};
    m_open = true;
    m_operator = std::clamp(operatorNumber, 1, Operators);
    m_items.clear();
    m_subtotalAdjust.fill(0);
    m_paid = m_paidCard = m_paidCheque = 0;
    QByteArray rec(6, '\0');
    rec[0] = '@';
    PutByte(rec, 1, uint8_t(m_operator));
    PutBcd(rec, 2, 4, m_receiptNumber);
    out.Records.push_back(rec);
    return rec;
}

void SimDay::AddPluStatistics(int plu, int64_t quantity, int64_t amount) {
    SimPlu& p = m_plus[size_t(plu)];
    // Whole pieces for items, thousandths for measured goods.
    const int64_t counted = p.DecimalQty() ? quantity : RoundedDiv(quantity, 1000);
    p.Quantity = uint32_t(std::clamp<int64_t>(int64_t(p.Quantity) + counted, 0, 99999999));
    p.Total = uint64_t(std::max<int64_t>(0, int64_t(p.Total) + amount));
    if (p.Flags & SimPlu::FlagStockProgrammed)
        p.Stock = uint32_t(std::clamp<int64_t>(int64_t(p.Stock) - counted, 0, 99999999));
}

SimDay::Outcome SimDay::SellPlu(int plu, uint32_t quantity, uint8_t saleKind, uint8_t record,
                                int operatorNumber) {
    Outcome out;
    if (plu < 0 || plu >= int(m_plus.size()))
        return {CodeNotAccepted, {}};
    const SimPlu& p = m_plus[size_t(plu)];
    if (!p.Active())
        return {NotActive, {}};
    if (p.Department() < 1 || p.Department() > Departments)
        return {NotProgrammed, {}};
    if (p.Price == 0)
        return {ValueObligatory, {}};
    if (quantity == 0)
        return {ZeroNotAllowed, {}};
    if (Paying())
        return {NotAllowed, {}};
    const bool correction = saleKind == 'C';
    if (correction && !m_open)
        return {NotAllowed, {}};
    int64_t amount = RoundedDiv(int64_t(p.Price) * quantity, 1000);
    if (correction) {
        int64_t sold = 0;
        for (const Item& item : m_items)
            if (item.Plu == plu)
                sold += item.Quantity;
        if (sold < int64_t(quantity))
            return {NegativeResult, {}};
        amount = -amount;
    }
    if (ReceiptTotal() + amount > ReceiptLimit)
        return {ReceiptLimitExceeded, {}};

    OpenIfClosed(operatorNumber, out);
    m_items.push_back({p.Department(), amount, plu, correction ? -int64_t(quantity) : int64_t(quantity),
                       correction, amount});
    AddPluStatistics(plu, correction ? -int64_t(quantity) : int64_t(quantity), amount);

    if (record == 'B') {
        QByteArray rec(46, '\0');
        rec[0] = 'B';
        PutBe16(rec, 1, uint16_t(plu));
        PutBytes(rec, 3, p.Description);
        PutBcd(rec, 15, 4, p.Price);
        PutByte(rec, 19, uint8_t(p.Department()));
        PutByte(rec, 20, p.Unit);
        PutBytes(rec, 21, p.Barcode);
        PutBcd(rec, 41, 4, quantity);
        PutByte(rec, 45, correction ? 'C' : 'N');
        out.Records.push_back(rec);
    } else {
        QByteArray rec(24, '\0');
        rec[0] = '?';
        PutByte(rec, 1, uint8_t(p.Department()));
        PutBcd(rec, 2, 5, p.Price);
        PutBytes(rec, 7, p.Description);
        PutBcd(rec, 19, 4, uint64_t(quantity) * 10);
        PutByte(rec, 23, correction ? 'C' : 'N');
        out.Records.push_back(rec);
    }
    if (correction) {
        CurrentOperator().CorrectionAmount += -amount;
        ++CurrentOperator().Corrections;
    }
    return out;
}

SimDay::Outcome SimDay::BookDepartmentItem(int department, uint32_t price, uint32_t quantity,
                                           int operatorNumber) {
    Outcome out;
    if (department < 1 || department > Departments)
        return {NotProgrammed, {}};
    if (price == 0)
        return {ValueObligatory, {}};
    if (Paying())
        return {NotAllowed, {}};
    const int64_t amount = RoundedDiv(int64_t(price) * quantity, 10000);
    if (ReceiptTotal() + amount > ReceiptLimit)
        return {ReceiptLimitExceeded, {}};
    OpenIfClosed(operatorNumber, out);
    m_items.push_back({department, amount, -1, quantity, false});
    return out;
}

SimDay::Outcome SimDay::SellDepartment(int department, uint32_t price, uint32_t quantity,
                                       int operatorNumber) {
    if (quantity == 0 && department >= 1 && department <= Departments && price != 0)
        return {ZeroNotAllowed, {}};
    Outcome out = BookDepartmentItem(department, price, quantity, operatorNumber);
    if (out.Error != NoError)
        return out;
    QByteArray rec(13, '\0');
    rec[0] = 'A';
    PutByte(rec, 1, uint8_t(department));
    PutBcd(rec, 2, 6, price);
    PutBcd(rec, 8, 4, quantity);
    PutByte(rec, 12, 'N');
    out.Records.push_back(rec);
    return out;
}

SimDay::Outcome SimDay::SellExternal(int department, uint32_t price,
                                     const std::array<uint8_t, 12>& description, uint32_t quantity,
                                     int operatorNumber) {
    Outcome out = BookDepartmentItem(department, price, quantity, operatorNumber);
    if (out.Error != NoError)
        return out;
    QByteArray rec(24, '\0');
    rec[0] = '?';
    PutByte(rec, 1, uint8_t(department));
    PutBcd(rec, 2, 5, price);
    PutBytes(rec, 7, description);
    PutBcd(rec, 19, 4, quantity);
    PutByte(rec, 23, 'N');
    out.Records.push_back(rec);
    return out;
}

SimDay::Outcome SimDay::AdjustAmount(bool increment, uint32_t amount) {
    if (!m_open || Paying() || m_items.empty() || m_items.back().Correction)
        return {NotAllowed, {}};
    if (amount == 0)
        return {ValueObligatory, {}};
    Item& item = m_items.back();
    if (!increment && int64_t(amount) > item.Amount)
        return {NegativeResult, {}};
    if (increment && ReceiptTotal() + amount > ReceiptLimit)
        return {ReceiptLimitExceeded, {}};
    item.Amount += increment ? int64_t(amount) : -int64_t(amount);
    QByteArray rec(9, '\0');
    rec[0] = char(increment ? 'C' : 'D');
    PutByte(rec, 1, uint8_t(item.Department));
    PutBcd(rec, 2, 6, amount);
    PutByte(rec, 8, 'N');
    return {NoError, {rec}};
}

SimDay::Outcome SimDay::AdjustPercent(bool increment, uint32_t percent) {
    if (!m_open || Paying() || m_items.empty() || m_items.back().Correction)
        return {NotAllowed, {}};
    if (percent == 0)
        return {ValueObligatory, {}};
    if (!increment && percent > 10000)
        return {OutOfRange, {}};
    Item& item = m_items.back();
    const int64_t amount = RoundedDiv(item.Amount * percent, 10000);
    if (increment && ReceiptTotal() + amount > ReceiptLimit)
        return {ReceiptLimitExceeded, {}};
    item.Amount += increment ? amount : -amount;
    QByteArray rec(11, '\0');
    rec[0] = char(increment ? 'E' : 'F');
    PutByte(rec, 1, uint8_t(item.Department));
    PutBcd(rec, 2, 6, uint64_t(amount));
    PutBcd(rec, 8, 2, percent);
    PutByte(rec, 10, 'N');
    return {NoError, {rec}};
}

SimDay::Outcome SimDay::AdjustSubtotalPercent(bool increment, uint32_t percent) {
    if (!m_open || Paying() || m_items.empty())
        return {NotAllowed, {}};
    if (percent == 0)
        return {ValueObligatory, {}};
    if (!increment && percent > 10000)
        return {OutOfRange, {}};
    const auto net = DepartmentNet();
    QByteArray rec(49, '\0');
    rec[0] = char(increment ? 'I' : 'J');
    for (int d = 0; d < Departments; ++d) {
        const int64_t amount = RoundedDiv(std::max<int64_t>(0, net[d]) * percent, 10000);
        m_subtotalAdjust[d] += increment ? amount : -amount;
        PutBcd(rec, 1 + 5 * d, 5, uint64_t(amount));
    }
    PutBcd(rec, 46, 2, percent);
    PutByte(rec, 48, 'N');
    return {NoError, {rec}};
}

SimDay::Outcome SimDay::AdjustSubtotalAmount(bool increment, uint32_t amount) {
    if (!m_open || Paying() || m_items.empty())
        return {NotAllowed, {}};
    if (amount == 0)
        return {ValueObligatory, {}};
    const auto net = DepartmentNet();
    const int d = int(std::max_element(net.begin(), net.end()) - net.begin());
    if (!increment && int64_t(amount) > net[d])
        return {NegativeResult, {}};
    if (increment && ReceiptTotal() + amount > ReceiptLimit)
        return {ReceiptLimitExceeded, {}};
    m_subtotalAdjust[d] += increment ? int64_t(amount) : -int64_t(amount);
    QByteArray rec(47, '\0');
    rec[0] = char(increment ? 'G' : 'H');
    PutBcd(rec, 1 + 5 * d, 5, amount);
    PutByte(rec, 46, 'N');
    return {NoError, {rec}};
}

SimDay::Outcome SimDay::CorrectLast() {
    if (!m_open || Paying() || m_items.empty())
        return {NotAllowed, {}};
    const Item item = m_items.back();
    m_items.pop_back();
    if (item.Plu >= 0)
        AddPluStatistics(item.Plu, -item.Quantity, -item.PluAmount);
    CurrentOperator().CorrectionAmount += item.Amount >= 0 ? item.Amount : -item.Amount;
    ++CurrentOperator().Corrections;
    return {NoError, {QByteArray(1, 'K')}};
}

SimDay::Outcome SimDay::Subtotal() {
    if (!m_open)
        return {NotAllowed, {}};
    QByteArray rec(7, '\0');
    rec[0] = 'L';
    PutBcd(rec, 1, 6, uint64_t(ReceiptTotal() - m_paid));
    return {NoError, {rec}};
}

SimDay::Outcome SimDay::Pay(uint8_t type, uint64_t amount) {
    if (!m_open)
        return {NotAllowed, {}};
    if (type != PayCash && type != PayCard && type != PayCheque)
        return {OutOfRange, {}};
    const int64_t due = ReceiptTotal() - m_paid;
    const int64_t paying = amount == 0 ? due : int64_t(amount);
    if (type != PayCash && paying > due)
        return {NoChange, {}};
    m_paid += paying;
    if (type == PayCard)
        m_paidCard += paying;
    else if (type == PayCheque)
        m_paidCheque += paying;
    Outcome out;
    if (m_paid >= ReceiptTotal())
        CloseReceipt(out);
    return out;
}

void SimDay::CloseReceipt(Outcome& out) {
    const QDateTime now = m_clock();
    const int64_t total = ReceiptTotal();
    int pieces = 0;
    for (const Item& item : m_items) {
        if (!item.Correction)
            ++pieces;
        m_departmentSales[item.Department - 1] += item.Correction ? -1 : 1;
    }
    const auto net = DepartmentNet();
    for (int d = 0; d < Departments; ++d) {
        m_departmentTotals[d] += net[d];
        m_taxTotals[DepartmentTaxGroup[d]] += net[d];
    }
    OperatorStats& op = CurrentOperator();
    const int64_t cash = total - m_paidCard - m_paidCheque;
    op.Cash += cash;
    op.Card += m_paidCard;
    op.Cheque += m_paidCheque;
    op.Total += total;
    ++op.Receipts;
    if (cash > 0)
        ++op.Drawer;
    ++m_receiptsToday;

    QByteArray rec(20, '\0');
    rec[0] = 'O';
    PutBcd(rec, 1, 6, uint64_t(total));
    PutBcd(rec, 7, 4, m_receiptNumber);
    PutBcd(rec, 11, 2, uint64_t(pieces));
    PutByte(rec, 13, RegisterNumber);
    PutByte(rec, 14, uint8_t(now.time().minute()));
    PutByte(rec, 15, uint8_t(now.time().hour()));
    PutByte(rec, 16, uint8_t(now.date().day()));
    PutByte(rec, 17, uint8_t(now.date().month()));
    PutLe16(rec, 18, uint16_t(now.date().year()));
    out.Records.push_back(rec);

    m_receiptNumber = m_receiptNumber % 99999999 + 1;
    m_open = false;
    m_items.clear();
    m_subtotalAdjust.fill(0);
    m_paid = m_paidCard = m_paidCheque = 0;
}

QByteArray SimDay::TaxReport() const {
    QByteArray rep(46, '\0');
    rep[0] = 'f';
    for (int i = 0; i < TaxGroups; ++i)
        PutBcd(rep, 1 + 5 * i, 5, uint64_t(m_taxTotals[i]));
    return rep;
}

QByteArray SimDay::DepartmentReport() const {
    QByteArray rep(64, '\0');
    rep[0] = 'g';
    for (int i = 0; i < Departments; ++i) {
        PutBcd(rep, 1 + 5 * i, 5, uint64_t(m_departmentTotals[i]));
        PutBcd(rep, 46 + 2 * i, 2, uint64_t(std::max(0, m_departmentSales[i])));
    }
    return rep;
}

QByteArray SimDay::StatusReport() const {
    QByteArray rep(29, '\0');
    rep[0] = 'h';
    PutByte(rep, 1, 0); // VAT changes: the simulated register's rates never change
    PutByte(rep, 2, 0); // resets
    PutByte(rep, 3, uint8_t(std::min(m_headerChanges, 255)));
    PutBcd(rep, 5, 4, uint64_t(m_receiptsToday));
    PutByte(rep, 9, RegisterNumber);
    for (int i = 0; i < 10; ++i)
        PutByte(rep, 10 + i, uint8_t(FiscalId[i]));
    for (int d = 0; d < Departments; ++d)
        PutByte(rep, 20 + d, TaxLetters[DepartmentTaxGroup[d]]);
    return rep;
}

QByteArray SimDay::PluReport(int plu) const {
    QByteArray rep(17, '\0');
    rep[0] = 'i';
    PutLe16(rep, 1, uint16_t(plu));
    if (plu >= 0 && plu < int(m_plus.size())) {
        const SimPlu& p = m_plus[size_t(plu)];
        PutBcd(rep, 3, 4, p.Quantity);
        PutBcd(rep, 7, 4, p.Stock);
        PutBcd(rep, 11, 6, p.Total);
    }
    return rep;
}

QByteArray SimDay::OperatorReport(int operatorNumber) const {
    QByteArray rep(115, '\0');
    rep[0] = 'j';
    if (operatorNumber < 1 || operatorNumber > ProgrammedOperators) {
        PutLe16(rep, 1, 0xFFFF);
        if (operatorNumber < 1 || operatorNumber > Operators)
            return rep;
    } else {
        PutLe16(rep, 1, uint16_t(1000 + operatorNumber));
    }
    const OperatorStats& op = m_operators[size_t(operatorNumber)];
    PutBcd(rep, 3, 6, uint64_t(op.Cash));
    PutBcd(rep, 9, 6, uint64_t(op.Cheque));
    PutBcd(rep, 15, 6, uint64_t(op.Card));
    PutBcd(rep, 21, 6, uint64_t(op.Total));
    PutBcd(rep, 27, 2, uint64_t(op.Drawer));
    PutBcd(rep, 29, 2, uint64_t(op.Receipts));
    PutBcd(rep, 66, 5, uint64_t(op.CorrectionAmount));
    PutBcd(rep, 71, 2, uint64_t(op.Corrections));
    // Pay-in and pay-out (offsets 73 to 114) stay zero: the simulated cashier
    // never moves money in or out of the drawer outside a receipt.
    return rep;
}

void SimDay::BuildLastZ(const QDateTime& at) {
    QByteArray rep(130, '\0');
    rep[0] = 'k';
    const int base = 1;
    PutByte(rep, base + 0, Bcd2(at.date().day()));
    PutByte(rep, base + 1, Bcd2(at.date().month()));
    PutBcd(rep, base + 2, 2, uint64_t(at.date().year()));
    PutByte(rep, base + 4, Bcd2(at.time().hour()));
    PutByte(rep, base + 5, Bcd2(at.time().minute()));
    PutLe16(rep, base + 6, uint16_t(m_zNumber));
    for (int i = 0; i < TaxGroups; ++i) {
        PutBcd(rep, base + 8 + 6 * i, 6, uint64_t(m_taxTotals[i]));
        // The tax contained in a gross sum: gross * rate / (100 % + rate).
        PutBcd(rep, base + 62 + 6 * i, 6,
               uint64_t(RoundedDiv(m_taxTotals[i] * TaxRates[i], 10000 + TaxRates[i])));
    }
    PutBcd(rep, base + 116, 4, uint64_t(m_receiptsToday));
    PutByte(rep, base + 121, 0); // resets; type 0 below: no reset date follows
    PutByte(rep, base + 128, uint8_t(std::min(m_headerChanges, 127)));
    m_lastZ = rep;
}

uint8_t SimDay::RunZReport() {
    if (m_open)
        return NotAllowed;
    ++m_zNumber;
    BuildLastZ(m_clock());
    m_taxTotals.fill(0);
    m_departmentTotals.fill(0);
    m_departmentSales.fill(0);
    m_operators.fill({});
    m_receiptsToday = 0;
    m_headerChanges = 0;
    for (SimPlu& p : m_plus) {
        p.Quantity = 0;
        p.Total = 0;
    }
    return NoError;
}
