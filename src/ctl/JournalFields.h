#pragma once

#include "monitor/JournalRecord.h"

#include <QDateTime>
#include <QStringList>
#include <QVariantList>

// A journal record as orvexctl prints it for scripts: plain values under
// fixed snake_case keys, the same whatever the interface language. Money in
// currency units, quantities in their units, times in ISO 8601 with the
// offset; a field the record does not carry is null (empty in CSV).
[[nodiscard]] const QStringList& JournalFieldKeys();
[[nodiscard]] QVariantList JournalFieldValues(const JournalRecord& record, int charset);

// 2026-11-12T14:05:09.123+01:00: the offset of this computer's zone at that moment.
[[nodiscard]] QString IsoWithOffset(const QDateTime& at, bool milliseconds);
