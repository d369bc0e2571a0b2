#pragma once

#include "history/HistoryRows.h"

#include <optional>
#include <vector>

// Receipts put together from the journal as it arrives: '@' opens one, the
// sales, surcharges, discounts and corrections make up its departments, and
// 'O' closes it with the register's total, number, pieces and clock.
class ReceiptAssembler {
  public:
    // The receipt an 'O' record closed; nothing for any other record.
    std::optional<ReceiptRecord> Add(const JournalRecord& record, int charset);

  private:
    [[nodiscard]] static size_t DepartmentIndex(int department);

    bool m_open = false;
    int m_operator = 0;
    int64_t m_number = 0;
    std::vector<ReceiptItem> m_items;
    std::array<int64_t, ReportGroups> m_subtotalAdjust{};
};
