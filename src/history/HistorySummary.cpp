#include "history/HistorySummary.h"

#include "history/HistoryFigures.h"
#include "history/HistorySchema.h"
#include "history/HistorySql.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

QString Money(int64_t hundredths) {
    const int64_t magnitude = hundredths < 0 ? -hundredths : hundredths;
    return QStringLiteral("%1%2.%3")
        .arg(hundredths < 0 ? QStringLiteral("-") : QString())
        .arg(magnitude / 100)
        .arg(magnitude % 100, 2, 10, QLatin1Char('0'));
}

} // namespace

std::optional<HistorySummary> SummariseHistory(const HistoryTarget& target, const QDate& from,
                                               const QDate& to, const QString& registerFilter,
                                               QString& error) {
    HistoryConnection connection;
    if (!OpenHistoryForReading(target, connection, error))
        return std::nullopt;
    QSqlDatabase db = connection.Database();
    QString where = QStringLiteral("t.sale_day >= ? AND t.sale_day <= ?");
    QVariantList binds{from.toString(Qt::ISODate), to.toString(Qt::ISODate)};
    bool registerKnown = true;
    if (!registerFilter.isEmpty()) {
        bool isNumber = false;
        const int number = registerFilter.toInt(&isNumber);
        where += isNumber ? QStringLiteral(" AND t.cr_number = ?") : QStringLiteral(" AND t.fiscal_id = ?");
        binds << (isNumber ? QVariant(number) : QVariant(registerFilter));
        // A register the history never heard of is a typing error, not a period without sales.
        const QString column = isNumber ? QStringLiteral("cr_number") : QStringLiteral("fiscal_id");
        QString known =
            QStringLiteral("SELECT 1 FROM %1 WHERE t.%2 = ?").arg(ReceiptTotals(db.tables()), column);
        if (db.tables().contains(QStringLiteral("registers")))
            known += QStringLiteral(" UNION SELECT 1 FROM registers WHERE %1 = ?").arg(column);
        QSqlQuery seen(db);
        seen.setForwardOnly(true);
        seen.prepare(known);
        seen.addBindValue(binds.last());
        if (db.tables().contains(QStringLiteral("registers")))
            seen.addBindValue(binds.last());
        if (!seen.exec()) {
            error = seen.lastError().text();
            return std::nullopt;
        }
        registerKnown = seen.next();
    }
    QString sums;
    for (size_t d = 1; d <= ReportGroups; ++d)
        sums += QStringLiteral(", SUM(t.dept%1)").arg(d);
    // Per register, so that each one's departments go to its own tax letters.
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.prepare(
        QStringLiteral("SELECT SUM(t.receipts), SUM(t.total)%1, MAX(g.department_taxes) FROM %2 "
                       "LEFT JOIN registers g ON g.shop = t.shop AND g.cr_number = t.cr_number AND "
                       "g.fiscal_id = t.fiscal_id WHERE %3 GROUP BY t.shop, t.cr_number, t.fiscal_id")
            .arg(sums, ReceiptTotals(db.tables()), where));
    for (const QVariant& bind : binds)
        query.addBindValue(bind);
    if (!query.exec()) {
        error = query.lastError().text();
        return std::nullopt;
    }
    HistorySummary summary;
    summary.RegisterKnown = registerKnown;
    summary.From = from;
    summary.To = to;
    while (query.next()) {
        ++summary.Registers;
        summary.Receipts += query.value(0).toLongLong();
        summary.Total += query.value(1).toLongLong();
        const QString taxes = query.value(2 + int(ReportGroups)).toString();
        for (size_t d = 0; d < ReportGroups; ++d) {
            const int64_t amount = query.value(2 + int(d)).toLongLong();
            summary.Departments[d] += amount;
            const QString letter = int(d) < taxes.size() && taxes[int(d)].isLetter() ? QString(taxes[int(d)])
                                                                                     : QStringLiteral("?");
            if (amount != 0)
                summary.TaxGroups[letter] += amount;
        }
    }
    return summary;
}

QString SummaryJson(const HistorySummary& s) {
    // Written by hand: QJsonDocument would print amounts as doubles.
    QStringList taxes;
    for (auto it = s.TaxGroups.cbegin(); it != s.TaxGroups.cend(); ++it)
        taxes << QStringLiteral("\"%1\":%2").arg(it.key(), Money(it.value()));
    QStringList departments;
    for (size_t d = 0; d < ReportGroups; ++d)
        departments << QStringLiteral("\"%1\":%2").arg(d + 1).arg(Money(s.Departments[d]));
    const int64_t average = s.Receipts > 0 ? (s.Total + s.Receipts / 2) / s.Receipts : 0;
    return QStringLiteral("{\"from\":\"%1\",\"to\":\"%2\",\"registers\":%3,\"receipts\":%4,\"total\":%5,"
                          "\"averageReceipt\":%6,\"taxGroups\":{%7},\"departments\":{%8}}")
        .arg(s.From.toString(Qt::ISODate), s.To.toString(Qt::ISODate))
        .arg(s.Registers)
        .arg(s.Receipts)
        .arg(Money(s.Total), Money(average), taxes.join(QLatin1Char(',')),
             departments.join(QLatin1Char(',')));
}

QString SummaryCsv(const HistorySummary& s) {
    QStringList head{"from", "to", "registers", "receipts", "total"};
    QStringList values{s.From.toString(Qt::ISODate), s.To.toString(Qt::ISODate), QString::number(s.Registers),
                       QString::number(s.Receipts), Money(s.Total)};
    for (size_t d = 0; d < ReportGroups; ++d) {
        head << QStringLiteral("department%1").arg(d + 1);
        values << Money(s.Departments[d]);
    }
    for (auto it = s.TaxGroups.cbegin(); it != s.TaxGroups.cend(); ++it) {
        head << QStringLiteral("tax%1").arg(it.key() == QLatin1String("?") ? QStringLiteral("Unknown")
                                                                           : it.key());
        values << Money(it.value());
    }
    return head.join(QLatin1Char(',')) + QLatin1Char('\n') + values.join(QLatin1Char(',')) +
           QLatin1Char('\n');
}

bool BackupHistory(const HistoryTarget& target, const QString& file, QString& error) {
    if (target.Kind == HistoryTarget::Backend::Postgres) {
        error = QStringLiteral("the history is kept by the PostgreSQL server %1: back it up with pg_dump "
                               "(pg_dump -Fc -f FILE DATABASE)")
                    .arg(target.Display());
        return false;
    }
    HistoryConnection connection;
    if (!OpenHistoryForReading(target, connection, error))
        return false;
    const QFileInfo info(file);
    const QString partial =
        QDir(info.absolutePath()).filePath(QStringLiteral(".%1.partial").arg(info.fileName()));
    QFile::remove(partial);
    // Made here first, empty (which VACUUM INTO accepts), so that a folder that
    // cannot be written is told in the system's words, not SQLite's "unable to open".
    QFile empty(partial);
    if (!empty.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        error = QStringLiteral("%1: the copy cannot be written: %2").arg(file, empty.errorString());
        return false;
    }
    empty.close();
    QSqlQuery query(connection.Database());
    query.prepare(QStringLiteral("VACUUM INTO ?"));
    query.addBindValue(partial);
    if (!query.exec()) {
        error = QStringLiteral("%1: the copy could not be written: %2")
                    .arg(file, query.lastError().databaseText());
        QFile::remove(partial);
        return false;
    }
    // Renamed over the target only when whole; rename(2) replaces it in one step.
    if (std::rename(QFile::encodeName(partial).constData(), QFile::encodeName(file).constData()) != 0) {
        error = QStringLiteral("%1: the copy cannot be written: %2")
                    .arg(file, QString::fromLocal8Bit(std::strerror(errno)));
        QFile::remove(partial);
        return false;
    }
    return true;
}
