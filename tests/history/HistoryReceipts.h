#pragma once

#include "history/HistoryRows.h"

#include <QString>
#include <array>
#include <cstdint>
#include <utility>
#include <vector>

// Two registers of one shop, as the history tests sell on them.
inline const RegisterKey One{QStringLiteral("Corner"), 1, QStringLiteral("OX01")};
inline const RegisterKey Two{QStringLiteral("Corner"), 2, QStringLiteral("OX02")};

// A receipt seen whole, from its opening record to its close.
inline ReceiptRecord Receipt(int operatorNumber, int64_t total, const QString& time,
                             std::array<int64_t, ReportGroups> departments,
                             std::vector<ReceiptItem> items = {}) {
    ReceiptRecord r;
    r.Operator = operatorNumber;
    r.Total = total;
    r.RegisterTime = time;
    r.Departments = departments;
    r.Whole = true;
    r.Items = std::move(items);
    return r;
}
