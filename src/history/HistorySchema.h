#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <span>

// The tables of the history, the same on SQLite and PostgreSQL. Every row that
// comes from a register carries its origin (one store's run) and a sequence
// number within it: a batch sent again after a lost answer is not stored twice.
// The numbers are kept in the spool: a new table takes the next one.
enum class HistoryTable { Registers, Journal, Receipts, Reports, ZReports, ReceiptItems, GatewayReceipts };
inline constexpr HistoryTable LastHistoryTable = HistoryTable::GatewayReceipts;

[[nodiscard]] const char* TableName(HistoryTable table);
// The columns a row of the table is given in, in order.
[[nodiscard]] const QStringList& TableColumns(HistoryTable table);
// What an insert does with a row already there: nothing for rows with an
// origin, the newest figures for a register.
[[nodiscard]] QString ConflictClause(HistoryTable table);

// The schema version this program writes.
[[nodiscard]] int LatestSchemaVersion();

// Brings the database up to LatestSchemaVersion: the missing numbered steps and
// their versions in one transaction, so a failed step leaves the database as
// it was. False, with the reason, when a step fails or the database is
// newer than this program. upTo stops at an earlier version (a history as an
// older program left it).
[[nodiscard]] bool MigrateHistory(QSqlDatabase& db, QString& error, int upTo = -1);
// The version the database is at; 0 when it has no version table.
[[nodiscard]] int SchemaVersion(QSqlDatabase& db);
