#pragma once

#include "history/HistoryTarget.h"
#include "reports/ReportLayouts.h"

#include <QDate>
#include <QMap>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

// The receipts of a period by the registers' own dates, from..to inclusive.
struct HistorySummary {
    QDate From;
    QDate To;
    qint64 Receipts = 0;
    int64_t Total = 0;
    std::array<int64_t, ReportGroups> Departments{};
    // By tax letter, as the registers' status reports associate their
    // departments; "?" for a register whose status report was never fetched.
    QMap<QString, int64_t> TaxGroups;
    int Registers = 0;
    // False when the register asked for was never heard of by the history at
    // all (no receipt on any day, no status): a typing error, not a quiet period.
    bool RegisterKnown = true;
};

// register: empty for every register, a number for a CR number, anything else
// a fiscal ID. Nothing, with the reason, when the history cannot be read.
[[nodiscard]] std::optional<HistorySummary> SummariseHistory(const HistoryTarget& target, const QDate& from,
                                                             const QDate& to, const QString& registerFilter,
                                                             QString& error);

// Amounts in currency units with two decimals and a point.
[[nodiscard]] QString SummaryJson(const HistorySummary& summary);
// A header line and one line of figures, comma-separated.
[[nodiscard]] QString SummaryCsv(const HistorySummary& summary);

// A whole copy of the SQLite history written to file, made while it may be in
// use (VACUUM INTO beside the file, then renamed over it). False, with the
// reason, for PostgreSQL or on failure; the file is then left as it was.
[[nodiscard]] bool BackupHistory(const HistoryTarget& target, const QString& file, QString& error);
