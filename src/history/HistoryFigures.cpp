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

Condition PeriodOf(const QDate& from, const QDate& to, const std::optional<RegisterKey>& reg) {
    Condition c;
    c.Where = QStringLiteral("t.sale_day >= ? AND t.sale_day <= ?");
    c.Binds << from.toString(Qt::ISODate) << to.toString(Qt::ISODate);
    if (reg) {
        c.Where += QStringLiteral(" AND t.shop = ? AND t.cr_number = ? AND t.fiscal_id = ?");
        c.Binds << reg->Shop << reg->CrNumber << reg->FiscalId;
    }
    return c;
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
bool ReadDays(QSqlDatabase& db, const Condition& c, HistoryFigures& f, QString& error) {
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
             QStringLiteral("SELECT t.sale_day, t.shop, t.cr_number, t.fiscal_id, COUNT(*), SUM(t.total)%1 "
                            "FROM receipts t WHERE %2 GROUP BY t.sale_day, t.shop, t.cr_number, t.fiscal_id "
                            "ORDER BY t.sale_day")
                 .arg(sums, c.Where),
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

bool ReadHours(QSqlDatabase& db, const Condition& c, HistoryFigures& f, QString& error) {
    QSqlQuery query(db);
    if (!Run(query,
             QStringLiteral("SELECT SUBSTR(t.register_time, 12, 2), COUNT(*) FROM receipts t WHERE %1 "
                            "GROUP BY SUBSTR(t.register_time, 12, 2)")
                 .arg(c.Where),
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

bool ReadOperators(QSqlDatabase& db, const Condition& c, HistoryFigures& f, QString& error) {
    QSqlQuery query(db);
    if (!Run(query,
             QStringLiteral("SELECT t.operator, COUNT(*), SUM(t.total) FROM receipts t WHERE %1 "
                            "GROUP BY t.operator ORDER BY t.operator")
                 .arg(c.Where),
             c.Binds, error))
        return false;
    while (query.next())
        f.Operators.push_back(
            {query.value(0).toInt(), query.value(1).toLongLong(), query.value(2).toLongLong()});
    return true;
}

bool ReadArticles(QSqlDatabase& db, const Condition& c, HistoryFigures& f, QString& error) {
    // A history written before the day totals were kept has none.
    if (!db.tables().contains(QStringLiteral("plu_days")))
        return true;
    QSqlQuery query(db);
    if (!Run(query,
             QStringLiteral("SELECT t.plu, MAX(t.description), SUM(t.quantity), SUM(t.amount) FROM "
                            "plu_days t WHERE %1 GROUP BY t.plu")
                 .arg(c.Where),
             c.Binds, error))
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
    // One snapshot for all the figures: a batch committed meanwhile does not
    // make the charts disagree.
    const bool snapshot = db.transaction();
    if (snapshot && db.driver()->dbmsType() == QSqlDriver::PostgreSQL)
        QSqlQuery(db).exec(QStringLiteral("SET TRANSACTION ISOLATION LEVEL REPEATABLE READ"));
    const bool ok = (!(parts & DaysPart) || ReadDays(db, c, f, error)) &&
                    (!(parts & HoursPart) || ReadHours(db, c, f, error)) &&
                    (!(parts & OperatorsPart) || ReadOperators(db, c, f, error)) &&
                    (!(parts & ArticlesPart) || ReadArticles(db, c, f, error));
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
