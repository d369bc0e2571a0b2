#include "history/ReceiptAssembler.h"

#include <algorithm>

namespace {

int64_t RoundedDiv(int64_t num, int64_t den) {
    return num >= 0 ? (num + den / 2) / den : -((-num + den / 2) / den);
}

// Corrections and returns take the amount off.
int64_t Signed(int64_t amount, uint8_t saleKind) {
    return saleKind == 'C' || saleKind == 'R' ? -amount : amount;
}

} // namespace

size_t ReceiptAssembler::DepartmentIndex(int department) {
    return size_t(std::clamp(department, 1, int(ReportGroups)) - 1);
}

std::optional<ReceiptRecord> ReceiptAssembler::Add(const JournalEntry& e) {
    switch (e.Code) {
    case '@':
        m_open = true;
        m_operator = e.Operator.value_or(0);
        m_number = e.ReceiptNumber.value_or(0);
        m_items.clear();
        m_subtotalAdjust.fill(0);
        return std::nullopt;
    case 'A':
    case '?':
        // Quantities in ten-thousandths.
        m_items.push_back(
            {std::nullopt, int(DepartmentIndex(e.Department.value_or(1)) + 1), e.Description,
             Signed(RoundedDiv(e.Quantity.value_or(0), 10), e.SaleKind),
             Signed(RoundedDiv(e.Price.value_or(0) * e.Quantity.value_or(0), 10000), e.SaleKind)});
        return std::nullopt;
    case 'B':
        // Quantities in thousandths.
        m_items.push_back(
            {e.Plu, int(DepartmentIndex(e.Department.value_or(1)) + 1), e.Description,
             Signed(e.Quantity.value_or(0), e.SaleKind),
             Signed(RoundedDiv(e.Price.value_or(0) * e.Quantity.value_or(0), 1000), e.SaleKind)});
        return std::nullopt;
    case 'C':
    case 'E':
        if (!m_items.empty())
            m_items.back().Amount += e.Amount.value_or(0);
        return std::nullopt;
    case 'D':
    case 'F':
        if (!m_items.empty())
            m_items.back().Amount -= e.Amount.value_or(0);
        return std::nullopt;
    case 'G':
    case 'I':
    case 'H':
    case 'J': {
        const int64_t sign = e.Code == 'G' || e.Code == 'I' ? 1 : -1;
        for (size_t d = 0; d < ReportGroups; ++d)
            m_subtotalAdjust[d] += sign * e.DepartmentAmounts[d];
        return std::nullopt;
    }
    case 'K':
        if (!m_items.empty())
            m_items.pop_back();
        return std::nullopt;
    case 'O': {
        ReceiptRecord r;
        r.Whole = m_open;
        r.Operator = m_operator;
        r.ReceiptNumber = e.ReceiptNumber.value_or(m_number);
        r.Total = e.Amount.value_or(0);
        r.Pieces = int(e.Quantity.value_or(0));
        r.RegisterNumber = e.Payload.size() > 13 ? uint8_t(e.Payload[13]) : 0;
        r.RegisterTime = e.RegisterTime;
        r.Departments = m_subtotalAdjust;
        for (const ReceiptItem& item : m_items)
            r.Departments[DepartmentIndex(item.Department)] += item.Amount;
        r.Items = std::move(m_items);
        m_open = false;
        m_items.clear();
        m_subtotalAdjust.fill(0);
        return r;
    }
    default:
        return std::nullopt;
    }
}
