#pragma once

#include "monitor/JournalRecord.h"

#include <QJsonObject>

// One journal record as plain figures for programs:
// {"code":"O","total":3.98,"receiptNumber":12,...}. Amounts are in currency
// units, quantities in their units, texts through the register charset.
[[nodiscard]] QJsonObject JournalRecordJson(const JournalRecord& record, int charset);

// The figures SignedAmount reads (code, kind, price, quantity, amount), back
// from a record's JSON as the request log keeps it.
[[nodiscard]] JournalRecord JournalRecordFromJson(const QJsonObject& json);
