#include "history/HistoryFigures.h"

#include "history/HistorySchema.h"
#include "history/HistorySql.h"

#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <algorithm>
#include <set>
#include <tuple>

namespace {

// The period and the register as a condition on a table aliased t, with its binds.
struct Condition {
    QString Where;
    QVariantList Binds;
};

// column from..to inclusive, of the register or of all.
Condition Within(const QString& column, const QString& from, const QString& to,
                 const std::optional<RegisterKey>& reg) {
    Condition c;
    c.Where = QStringLiteral("t.%1 >= ? AND t.%1 <= ?").arg(column);
    c.Binds << from << to;
    if (reg) {
        c.Where += QStringLiteral(" AND t.shop = ? AND t.cr_number = ? AND t.fiscal_id = ?");
        c.Binds << reg->Shop << reg->CrNumber << reg->FiscalId;
    }
    return c;
}

Condition PeriodOf(const QDate& from, const QDate& to, const std::optional<RegisterKey>& reg) {
    return Within(QStringLiteral("sale_day"), from.toString(Qt::ISODate), to.toString(Qt::ISODate), reg);
}

bool Run(QSqlQuery& query, const QString& sql, const QVariantList& binds, QString& error) {
    query.setForwardOnly(true);
    if (!query.prepare(sql)) {
        error = query.lastError().text();
        return false;
    }
    for (const QVariant& bind : binds)
        query.addBindValue(bind);
    if (!query.exec()) {
        error = query.lastError().text();
        return false;
    }
    return true;
}

bool RegisterBefore(const RegisterKey& a, const RegisterKey& b) {
    return std::tie(a.Shop, a.CrNumber, a.FiscalId) < std::tie(b.Shop, b.CrNumber, b.FiscalId);
}

QString TaxLetterOf(const QString& taxes, size_t department) {
    const int at = int(department);
    return at < taxes.size() && taxes[at].isLetter() ? QString(taxes[at]) : QStringLiteral("?");
}

// The receipts of the period by day and register: days, tax groups,
// departments and the totals.
bool ReadDays(QSqlDatabase& db, const QString& totals, const Condition& c, HistoryFigures& f,
              QString& error) {
    QMap<QString, QString> taxesOf;
    {
        QSqlQuery query(db);
        if (!Run(query, QStringLiteral("SELECT shop, cr_number, fiscal_id, department_taxes FROM registers"),
                 {}, error))
            return false;
        while (query.next())
            taxesOf.insert(query.value(0).toString() + QChar(0) + query.value(1).toString() + QChar(0) +
                               query.value(2).toString(),
                           query.value(3).toString());
    }
    QString sums;
    for (size_t d = 1; d <= ReportGroups; ++d)
        sums += QStringLiteral(", SUM(t.dept%1)").arg(d);
    QSqlQuery query(db);
    if (!Run(query,
             QStringLiteral("SELECT t.sale_day, t.shop, t.cr_number, t.fiscal_id, SUM(t.receipts), "
                            "SUM(t.total)%1 FROM %2 WHERE %3 GROUP BY t.sale_day, t.shop, t.cr_number, "
                            "t.fiscal_id ORDER BY t.sale_day")
                 .arg(sums, totals, c.Where),
             c.Binds, error))
        return false;
    std::set<QString> letters;
    while (query.next()) {
        const QDate date = QDate::fromString(query.value(0).toString(), Qt::ISODate);
        if (f.Days.empty() || f.Days.back().Date != date)
            f.Days.push_back({date, 0, 0, {}});
        HistoryFigures::Day& day = f.Days.back();
        const qint64 receipts = query.value(4).toLongLong();
        const int64_t total = query.value(5).toLongLong();
        day.Receipts += receipts;
        day.Total += total;
        f.Receipts += receipts;
        f.Total += total;
        const RegisterKey reg{query.value(1).toString(), query.value(2).toInt(), query.value(3).toString()};
        if (std::find(f.Registers.begin(), f.Registers.end(), reg) == f.Registers.end())
            f.Registers.push_back(reg);
        const QString taxes = taxesOf.value(query.value(1).toString() + QChar(0) + query.value(2).toString() +
                                            QChar(0) + query.value(3).toString());
        for (size_t d = 0; d < ReportGroups; ++d) {
            const int64_t amount = query.value(6 + int(d)).toLongLong();
            if (amount == 0)
                continue;
            f.Departments[d] += amount;
            const QString letter = TaxLetterOf(taxes, d);
            day.ByTax[letter] += amount;
            letters.insert(letter);
        }
    }
    for (const QString& letter : letters)
        f.TaxLetters << letter;
    std::sort(f.Registers.begin(), f.Registers.end(), RegisterBefore);
    return true;
}

bool ReadHours(QSqlDatabase& db, const QString& totals, const Condition& c, HistoryFigures& f,
               QString& error) {
    QSqlQuery query(db);
    if (!Run(query,
             QStringLiteral("SELECT t.hour, SUM(t.receipts) FROM %1 WHERE %2 GROUP BY t.hour")
                 .arg(totals, c.Where),
             c.Binds, error))
        return false;
    while (query.next()) {
        bool ok = false;
        const int hour = query.value(0).toString().toInt(&ok);
        if (ok && hour >= 0 && hour < 24)
            f.ReceiptsByHour[size_t(hour)] += query.value(1).toLongLong();
    }
    return true;
}

bool ReadOperators(QSqlDatabase& db, const QString& totals, const Condition& c, HistoryFigures& f,
                   QString& error) {
    QSqlQuery query(db);
    if (!Run(query,
             QStringLiteral("SELECT t.operator, SUM(t.receipts), SUM(t.total) FROM %1 WHERE %2 "
                            "GROUP BY t.operator ORDER BY t.operator")
                 .arg(totals, c.Where),
             c.Binds, error))
        return false;
    while (query.next())
        f.Operators.push_back(
            {query.value(0).toInt(), query.value(1).toLongLong(), query.value(2).toLongLong()});
    return true;
}

// One select of each PLU's sales over part of the period, aliased t.
struct ArticleSource {
    QString Table;
    Condition Where;
};

// The whole months of the period from the month totals, the days before and
// after them from the day totals; a period within a month only from the days.
std::vector<ArticleSource> ArticleSources(const QStringList& tables, const QDate& from, const QDate& to,
                                          const std::optional<RegisterKey>& reg) {
    const QString days = QStringLiteral("plu_days");
    if (!tables.contains(days))
        return {}; // a history written before the day totals were kept has none
    const QDate firstWhole = from.day() == 1 ? from : QDate(from.year(), from.month(), 1).addMonths(1);
    const QDate lastWhole = to.day() == to.daysInMonth() ? to : QDate(to.year(), to.month(), 1).addDays(-1);
    if (!tables.contains(QStringLiteral("plu_months")) || firstWhole > lastWhole)
        return {{days, PeriodOf(from, to, reg)}};
    std::vector<ArticleSource> sources{
        {QStringLiteral("plu_months"), Within(QStringLiteral("sale_month"), firstWhole.toString("yyyy-MM"),
                                              lastWhole.toString("yyyy-MM"), reg)}};
    if (from < firstWhole)
        sources.push_back({days, PeriodOf(from, firstWhole.addDays(-1), reg)});
    if (lastWhole < to)
        sources.push_back({days, PeriodOf(lastWhole.addDays(1), to, reg)});
    return sources;
}

bool ReadArticles(QSqlDatabase& db, const std::vector<ArticleSource>& sources, HistoryFigures& f,
                  QString& error) {
    if (sources.empty())
        return true;
    QStringList selects;
    QVariantList binds;
    for (const ArticleSource& source : sources) {
        selects << QStringLiteral("SELECT t.plu, t.description, t.quantity, t.amount FROM %1 t WHERE %2")
                       .arg(source.Table, source.Where.Where);
        binds << source.Where.Binds;
    }
    QSqlQuery query(db);
    if (!Run(query,
             QStringLiteral("SELECT u.plu, MAX(u.description), SUM(u.quantity), SUM(u.amount) FROM (%1) u "
                            "GROUP BY u.plu")
                 .arg(selects.join(QStringLiteral(" UNION ALL "))),
             binds, error))
        return false;
    std::vector<HistoryFigures::Article> all;
    while (query.next())
        all.push_back({query.value(0).toInt(), query.value(1).toString(), query.value(2).toLongLong(),
                       query.value(3).toLongLong()});
    const auto top = [&all](auto larger) {
        const size_t n = std::min(all.size(), TopArticles);
        std::partial_sort(all.begin(), all.begin() + ptrdiff_t(n), all.end(), larger);
        return std::vector<HistoryFigures::Article>(all.begin(), all.begin() + ptrdiff_t(n));
    };
    f.TopByAmount = top([](const auto& a, const auto& b) {
        return a.Amount != b.Amount ? a.Amount > b.Amount : a.Plu < b.Plu;
    });
    f.TopByQuantity = top([](const auto& a, const auto& b) {
        return a.Quantity != b.Quantity ? a.Quantity > b.Quantity : a.Plu < b.Plu;
    });
    return true;
}

} // namespace

QString ReceiptTotals(const QStringList& tables) {
    if (tables.contains(QStringLiteral("receipt_hours")))
        return QStringLiteral("receipt_hours t");
    QString departments;
    for (size_t d = 1; d <= ReportGroups; ++d)
        departments += QStringLiteral(", dept%1").arg(d);
    return QStringLiteral(
               "(SELECT sale_day, shop, cr_number, fiscal_id, SUBSTR(register_time, 12, 2) AS hour, "
               "operator, 1 AS receipts, total%1 FROM receipts) t")
        .arg(departments);
}

int64_t HistoryFigures::Day::AverageReceipt() const {
    if (Receipts <= 0)
        return 0;
    return Total >= 0 ? (Total + Receipts / 2) / Receipts : -((-Total + Receipts / 2) / Receipts);
}

std::optional<std::vector<RegisterKey>> ReadHistoryRegisters(QSqlDatabase db, QString& error) {
    QSqlQuery query(db);
    if (!Run(query, QStringLiteral("SELECT shop, cr_number, fiscal_id FROM registers ORDER BY 1, 2, 3"), {},
             error))
        return std::nullopt;
    std::vector<RegisterKey> registers;
    while (query.next())
        registers.push_back({query.value(0).toString(), query.value(1).toInt(), query.value(2).toString()});
    return registers;
}

std::optional<HistoryFigures> ReadHistoryFigures(QSqlDatabase db, const QDate& from, const QDate& to,
                                                 const std::optional<RegisterKey>& reg, QString& error,
                                                 int parts) {
    HistoryFigures f;
    f.From = from;
    f.To = to;
    if (!from.isValid() || !to.isValid() || from > to)
        return f;
    const Condition c = PeriodOf(from, to, reg);
    const QStringList tables = db.tables();
    const QString totals = ReceiptTotals(tables);
    // One snapshot for all the figures: a batch committed meanwhile does not
    // make the charts disagree.
    const bool snapshot = db.transaction();
    if (snapshot && db.driver()->dbmsType() == QSqlDriver::PostgreSQL)
        QSqlQuery(db).exec(QStringLiteral("SET TRANSACTION ISOLATION LEVEL REPEATABLE READ"));
    const bool ok =
        (!(parts & DaysPart) || ReadDays(db, totals, c, f, error)) &&
        (!(parts & HoursPart) || ReadHours(db, totals, c, f, error)) &&
        (!(parts & OperatorsPart) || ReadOperators(db, totals, c, f, error)) &&
        (!(parts & ArticlesPart) || ReadArticles(db, ArticleSources(tables, from, to, reg), f, error));
    if (snapshot)
        db.rollback();
    if (!ok)
        return std::nullopt;
    return f;
}

bool OpenHistoryForReading(const HistoryTarget& target, HistoryConnection& connection, QString& error) {
    if (target.Kind == HistoryTarget::Backend::Postgres) {
        if (!connection.OpenPostgres(target, error))
            return false;
    } else {
        if (!QFileInfo::exists(target.File)) {
            error = QStringLiteral("%1: no history kept there").arg(target.File);
            return false;
        }
        if (!connection.OpenSqlite(target.File, error))
            return false;
    }
    QSqlDatabase db = connection.Database();
    if (SchemaVersion(db) == 0) {
        error = QStringLiteral("%1: not a history database").arg(target.Display());
        return false;
    }
    return true;
}
