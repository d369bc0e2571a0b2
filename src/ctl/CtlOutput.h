#pragma once

#include <QDateTime>
#include <QStringList>
#include <QTextStream>
#include <QVariantList>
#include <cstdint>

// Output for scripts: records of plain values under fixed keys, printed as a
// JSON array of objects or as CSV with a header line. Numbers go unpadded,
// flags as booleans, texts as they are; no word depends on the language.
struct Records {
    QStringList Keys;
    QList<QVariantList> Rows;
    void Add(QVariantList row) { Rows << std::move(row); }
};

void PrintJson(QTextStream& out, const Records& records);
void PrintCsv(QTextStream& out, const Records& records);
// One row of CSV, quoted as PrintCsv quotes (monitor's rows as they come).
void PrintCsvRow(QTextStream& out, const QVariantList& row);
// One record as a JSON object on a line of its own (monitor's JSON lines).
[[nodiscard]] QString JsonLine(const QStringList& keys, const QVariantList& values);

// Hundredths as the number of units, exact to the cent.
[[nodiscard]] double Amount(uint64_t hundredths);
// The one form of dates and times: 2004-12-03, 14:05:09, 2004-12-03T14:05:09.123.
[[nodiscard]] QString IsoDate(int year, int month, int day);
[[nodiscard]] QString IsoTime(int hour, int minute, int second);
[[nodiscard]] QString IsoTimestamp(const QDateTime& at);
