#include "history/ReceiptAssembler.h"

#include <algorithm>

namespace {

// Ten-thousandths to the thousandths the receipt_items table keeps, halves
// away from zero.
int64_t Thousandths(int64_t tenThousandths) {
    return tenThousandths >= 0 ? (tenThousandths + 5) / 10 : -((-tenThousandths + 5) / 10);
}

} // namespace

size_t ReceiptAssembler::DepartmentIndex(int department) {
    return size_t(std::clamp(department, 1, int(ReportGroups)) - 1);
}

std::optional<ReceiptRecord> ReceiptAssembler::Add(const JournalRecord& e, int charset) {
    switch (e.Code) {
    case '@':
        m_open = true;
        m_operator = e.Operator.value_or(0);
        m_number = e.ReceiptNumber.value_or(0);
        m_items.clear();
        m_subtotalAdjust.fill(0);
        return std::nullopt;
    case 'A':
    case 'B':
    case '?': {
        const int64_t quantity = Thousandths(e.Quantity.value_or(0));
        m_items.push_back({e.Plu, int(DepartmentIndex(e.Department.value_or(1)) + 1),
                           e.DescriptionText(charset), AmountSign(e) < 0 ? -quantity : quantity,
                           SignedAmount(e)});
        return std::nullopt;
    }
    case 'C':
    case 'D':
    case 'E':
    case 'F':
        if (!m_items.empty())
            m_items.back().Amount += SignedAmount(e);
        return std::nullopt;
    case 'G':
    case 'H':
    case 'I':
    case 'J': {
        const int64_t sign = AmountSign(e);
        for (size_t d = 0; d < ReportGroups; ++d)
            m_subtotalAdjust[d] += sign * e.DepartmentAmounts[d];
        return std::nullopt;
    }
    case 'K':
        // The immediate correction takes back the line before it.
        if (!m_items.empty())
            m_items.pop_back();
        return std::nullopt;
    case 'O': {
        ReceiptRecord r;
        r.Whole = m_open;
        r.Operator = m_operator;
        r.ReceiptNumber = e.ReceiptNumber.value_or(m_number);
        r.Total = e.Amount.value_or(0);
        r.Pieces = e.Pieces.value_or(0);
        r.RegisterNumber = e.RegisterNumber.value_or(0);
        r.RegisterTime = RegisterTimeText(e);
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
