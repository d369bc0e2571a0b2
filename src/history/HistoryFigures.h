#pragma once

#include "history/HistoryRows.h"
#include "history/HistoryTarget.h"
#include "reports/ReportLayouts.h"

#include <QDate>
#include <QMap>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

class HistoryConnection;

// What the charts of a period are drawn from: the receipts by the registers'
// own dates, from..to inclusive, of one register or of all. Amounts are
// hundredths, quantities thousandths of the unit.
struct HistoryFigures {
    QDate From;
    QDate To;
    qint64 Receipts = 0;
    int64_t Total = 0;
    // The tax letters that occur in the period, in order; "?" for a register
    // whose status report was never fetched.
    QStringList TaxLetters;

    struct Day {
        QDate Date;
        qint64 Receipts = 0;
        int64_t Total = 0;
        QMap<QString, int64_t> ByTax;
        // Rounded to the hundredth.
        [[nodiscard]] int64_t AverageReceipt() const;
    };
    // The days with receipts, in order.
    std::vector<Day> Days;

    std::array<int64_t, ReportGroups> Departments{};

    struct Article {
        int Plu = 0;
        QString Description;
        int64_t Quantity = 0;
        int64_t Amount = 0;
    };
    // At most TopArticles each, the largest first (ties by PLU number). The
    // amounts are the lines' own, before subtotal surcharges and discounts.
    std::vector<Article> TopByAmount;
    std::vector<Article> TopByQuantity;

    std::array<qint64, 24> ReceiptsByHour{};

    struct Operator {
        int Number = 0;
        qint64 Receipts = 0;
        int64_t Total = 0;
    };
    // By operator number.
    std::vector<Operator> Operators;
    // The registers with receipts in the period, in order.
    std::vector<RegisterKey> Registers;
};

inline constexpr size_t TopArticles = 20;

// The parts of the figures, each read by a query of its own: the days (with
// the totals, tax groups, departments and registers), the hours, the
// operators and the articles.
enum HistoryPart : int { DaysPart = 1, HoursPart = 2, OperatorsPart = 4, ArticlesPart = 8, AllParts = 15 };

// The receipts' totals by day, register, hour and operator as a table
// aliased t: sale_day, shop, cr_number, fiscal_id, hour, operator, receipts,
// total and dept1..dept9. A history written before they were kept is read
// from its receipts in the same shape. tables: those the database has.
[[nodiscard]] QString ReceiptTotals(const QStringList& tables);

// The registers whose status report the history keeps, in order of shop, CR
// number and fiscal ID. (One known by its receipts alone is among the
// figures' registers of a period it sold in.)
[[nodiscard]] std::optional<std::vector<RegisterKey>> ReadHistoryRegisters(QSqlDatabase db, QString& error);

// reg: nothing for every register. Nothing, with the reason, when the
// history cannot be read.
[[nodiscard]] std::optional<HistoryFigures> ReadHistoryFigures(QSqlDatabase db, const QDate& from,
                                                               const QDate& to,
                                                               const std::optional<RegisterKey>& reg,
                                                               QString& error, int parts = AllParts);

// Opens the history to read it: a SQLite file that is not there is not made,
// and a database without the history's tables is said as such.
[[nodiscard]] bool OpenHistoryForReading(const HistoryTarget& target, HistoryConnection& connection,
                                         QString& error);
