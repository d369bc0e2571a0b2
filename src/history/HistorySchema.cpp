#include "history/HistorySchema.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <algorithm>

namespace {

// A register's rows name it by shop, CR number and fiscal ID.
#define ORVEX_ROW_HEAD                                                                                       \
    "origin BIGINT NOT NULL, seq BIGINT NOT NULL, shop TEXT NOT NULL, cr_number INTEGER NOT NULL, "          \
    "fiscal_id TEXT NOT NULL, received_ms BIGINT NOT NULL, "

// A statement for one backend only starts with its mark.
const QString SqliteOnly = QStringLiteral("-- sqlite\n");
const QString PostgresOnly = QStringLiteral("-- postgres\n");

// "dept1, dept2, ..., dept9", each column as pattern gives it (%1 the number).
QString DepartmentColumns(const QString& pattern) {
    QStringList columns;
    for (int d = 1; d <= 9; ++d)
        columns << pattern.arg(d);
    return columns.join(QStringLiteral(", "));
}

// Numbered steps; a step once released is never changed, a change is a new step.
const std::array<QStringList, 5> Migrations{{
    {
        QStringLiteral("CREATE TABLE registers (shop TEXT NOT NULL, cr_number INTEGER NOT NULL, "
                       "fiscal_id TEXT NOT NULL, department_taxes TEXT NOT NULL, first_ms BIGINT NOT NULL, "
                       "last_ms BIGINT NOT NULL, PRIMARY KEY (shop, cr_number, fiscal_id))"),
        QStringLiteral("CREATE TABLE journal (" ORVEX_ROW_HEAD
                       "code TEXT NOT NULL, operator INTEGER, department INTEGER, plu INTEGER, "
                       "description TEXT, price BIGINT, quantity BIGINT, amount BIGINT, sale_kind TEXT, "
                       "receipt_number BIGINT, register_time TEXT, payload TEXT NOT NULL, "
                       "PRIMARY KEY (origin, seq))"),
        QStringLiteral("CREATE INDEX journal_time ON journal (received_ms)"),
        QStringLiteral("CREATE TABLE receipts (" ORVEX_ROW_HEAD
                       "receipt_number BIGINT NOT NULL, operator INTEGER NOT NULL, total BIGINT NOT NULL, "
                       "pieces INTEGER NOT NULL, register_time TEXT NOT NULL, sale_day TEXT NOT NULL, "
                       "whole INTEGER NOT NULL, dept1 BIGINT NOT NULL, dept2 BIGINT NOT NULL, "
                       "dept3 BIGINT NOT NULL, dept4 BIGINT NOT NULL, dept5 BIGINT NOT NULL, "
                       "dept6 BIGINT NOT NULL, dept7 BIGINT NOT NULL, dept8 BIGINT NOT NULL, "
                       "dept9 BIGINT NOT NULL, PRIMARY KEY (origin, seq))"),
        QStringLiteral("CREATE INDEX receipts_day ON receipts (sale_day, cr_number)"),
        QStringLiteral("CREATE TABLE reports (" ORVEX_ROW_HEAD
                       "code TEXT NOT NULL, figures TEXT NOT NULL, PRIMARY KEY (origin, seq))"),
        QStringLiteral("CREATE TABLE zreports (" ORVEX_ROW_HEAD
                       "answered INTEGER NOT NULL, status INTEGER NOT NULL, line TEXT NOT NULL, "
                       "PRIMARY KEY (origin, seq))"),
    },
    {
        // The lines of each receipt, dated by its close, for the article and
        // department figures of a period.
        QStringLiteral(
            "CREATE TABLE receipt_items (" ORVEX_ROW_HEAD
            "receipt_number BIGINT NOT NULL, operator INTEGER NOT NULL, sale_day TEXT NOT NULL, "
            "plu INTEGER, department INTEGER NOT NULL, description TEXT, quantity BIGINT NOT NULL, "
            "amount BIGINT NOT NULL, PRIMARY KEY (origin, seq))"),
        // A period's figures are read from these alone, never from the rows:
        // the day first, then the register, then what is summed.
        QStringLiteral(
            "CREATE INDEX receipt_items_day ON receipt_items (sale_day, shop, cr_number, fiscal_id, "
            "plu, quantity, amount, description)"),
        QStringLiteral(
            "CREATE INDEX receipts_figures ON receipts (sale_day, shop, cr_number, fiscal_id, total, "
            "dept1, dept2, dept3, dept4, dept5, dept6, dept7, dept8, dept9, operator, register_time)"),
    },
    {
        // Each PLU's sales of a day at a register, kept as the lines come in:
        // the top articles of a year read a few hundred thousand of these,
        // not millions of lines. A trigger fires only for a line actually
        // inserted, so a batch sent twice still counts once.
        QStringLiteral("CREATE TABLE plu_days (sale_day TEXT NOT NULL, shop TEXT NOT NULL, "
                       "cr_number INTEGER NOT NULL, fiscal_id TEXT NOT NULL, plu INTEGER NOT NULL, "
                       "description TEXT, quantity BIGINT NOT NULL, amount BIGINT NOT NULL, "
                       "PRIMARY KEY (sale_day, shop, cr_number, fiscal_id, plu))"),
        QStringLiteral(
            "INSERT INTO plu_days SELECT sale_day, shop, cr_number, fiscal_id, plu, MAX(description), "
            "SUM(quantity), SUM(amount) FROM receipt_items WHERE plu IS NOT NULL "
            "GROUP BY sale_day, shop, cr_number, fiscal_id, plu"),
        SqliteOnly + QStringLiteral(
                         "CREATE TRIGGER plu_days_add AFTER INSERT ON receipt_items WHEN NEW.plu IS NOT NULL "
                         "BEGIN INSERT INTO plu_days VALUES (NEW.sale_day, NEW.shop, NEW.cr_number, "
                         "NEW.fiscal_id, NEW.plu, NEW.description, NEW.quantity, NEW.amount) "
                         "ON CONFLICT (sale_day, shop, cr_number, fiscal_id, plu) DO UPDATE SET "
                         "quantity = quantity + excluded.quantity, amount = amount + excluded.amount, "
                         "description = COALESCE(excluded.description, description); END"),
        PostgresOnly +
            QStringLiteral(
                "CREATE FUNCTION plu_days_add() RETURNS trigger AS $$ BEGIN "
                "INSERT INTO plu_days VALUES (NEW.sale_day, NEW.shop, NEW.cr_number, NEW.fiscal_id, "
                "NEW.plu, NEW.description, NEW.quantity, NEW.amount) "
                "ON CONFLICT (sale_day, shop, cr_number, fiscal_id, plu) DO UPDATE SET "
                "quantity = plu_days.quantity + EXCLUDED.quantity, "
                "amount = plu_days.amount + EXCLUDED.amount, "
                "description = COALESCE(EXCLUDED.description, plu_days.description); "
                "RETURN NULL; END $$ LANGUAGE plpgsql"),
        PostgresOnly +
            QStringLiteral("CREATE TRIGGER plu_days_add AFTER INSERT ON receipt_items FOR EACH ROW "
                           "WHEN (NEW.plu IS NOT NULL) EXECUTE FUNCTION plu_days_add()"),
    },
    {
        // The receipts of a day at a register by hour and operator, kept as
        // they come in: the days, tax groups, departments, hours and
        // operators of a year read some ten thousand of these. They stand
        // in for the covering index over every receipt.
        QStringLiteral("CREATE TABLE receipt_hours (sale_day TEXT NOT NULL, shop TEXT NOT NULL, "
                       "cr_number INTEGER NOT NULL, fiscal_id TEXT NOT NULL, hour TEXT NOT NULL, "
                       "operator INTEGER NOT NULL, receipts BIGINT NOT NULL, total BIGINT NOT NULL, %1, "
                       "PRIMARY KEY (sale_day, shop, cr_number, fiscal_id, hour, operator))")
            .arg(DepartmentColumns(QStringLiteral("dept%1 BIGINT NOT NULL"))),
        QStringLiteral(
            "INSERT INTO receipt_hours SELECT sale_day, shop, cr_number, fiscal_id, "
            "SUBSTR(register_time, 12, 2), operator, COUNT(*), SUM(total), %1 FROM receipts "
            "GROUP BY sale_day, shop, cr_number, fiscal_id, SUBSTR(register_time, 12, 2), operator")
            .arg(DepartmentColumns(QStringLiteral("SUM(dept%1)"))),
        QStringLiteral("DROP INDEX receipts_figures"),
        SqliteOnly +
            QStringLiteral("CREATE TRIGGER receipt_hours_add AFTER INSERT ON receipts BEGIN "
                           "INSERT INTO receipt_hours VALUES (NEW.sale_day, NEW.shop, NEW.cr_number, "
                           "NEW.fiscal_id, SUBSTR(NEW.register_time, 12, 2), NEW.operator, 1, "
                           "NEW.total, %1) ON CONFLICT (sale_day, shop, cr_number, fiscal_id, hour, "
                           "operator) DO UPDATE SET receipts = receipts + 1, "
                           "total = total + excluded.total, %2; END")
                .arg(DepartmentColumns(QStringLiteral("NEW.dept%1")),
                     DepartmentColumns(QStringLiteral("dept%1 = dept%1 + excluded.dept%1"))),
        // On the server a statement's rows are added up at once: one
        // insert of a batch, one update of the totals.
        PostgresOnly +
            QStringLiteral("CREATE FUNCTION receipt_hours_add() RETURNS trigger AS $$ BEGIN "
                           "INSERT INTO receipt_hours SELECT sale_day, shop, cr_number, fiscal_id, "
                           "SUBSTR(register_time, 12, 2), operator, COUNT(*), SUM(total), %1 "
                           "FROM added GROUP BY sale_day, shop, cr_number, fiscal_id, "
                           "SUBSTR(register_time, 12, 2), operator "
                           "ON CONFLICT (sale_day, shop, cr_number, fiscal_id, hour, operator) "
                           "DO UPDATE SET receipts = receipt_hours.receipts + EXCLUDED.receipts, "
                           "total = receipt_hours.total + EXCLUDED.total, %2; "
                           "RETURN NULL; END $$ LANGUAGE plpgsql")
                .arg(DepartmentColumns(QStringLiteral("SUM(dept%1)")),
                     DepartmentColumns(QStringLiteral("dept%1 = receipt_hours.dept%1 + EXCLUDED.dept%1"))),
        PostgresOnly + QStringLiteral("CREATE TRIGGER receipt_hours_add AFTER INSERT ON receipts "
                                      "REFERENCING NEW TABLE AS added FOR EACH STATEMENT "
                                      "EXECUTE FUNCTION receipt_hours_add()"),
        // Each PLU's sales of a month beside those of a day: a year reads
        // its whole months here and only the days at its ends from the day
        // totals. The lines themselves are no longer read by the day.
        QStringLiteral("CREATE TABLE plu_months (sale_month TEXT NOT NULL, shop TEXT NOT NULL, "
                       "cr_number INTEGER NOT NULL, fiscal_id TEXT NOT NULL, plu INTEGER NOT NULL, "
                       "description TEXT, quantity BIGINT NOT NULL, amount BIGINT NOT NULL, "
                       "PRIMARY KEY (sale_month, shop, cr_number, fiscal_id, plu))"),
        QStringLiteral(
            "INSERT INTO plu_months SELECT SUBSTR(sale_day, 1, 7), shop, cr_number, fiscal_id, plu, "
            "MAX(description), SUM(quantity), SUM(amount) FROM plu_days "
            "GROUP BY SUBSTR(sale_day, 1, 7), shop, cr_number, fiscal_id, plu"),
        QStringLiteral("DROP INDEX receipt_items_day"),
        SqliteOnly + QStringLiteral("DROP TRIGGER plu_days_add"),
        SqliteOnly +
            QStringLiteral(
                "CREATE TRIGGER plu_totals_add AFTER INSERT ON receipt_items WHEN NEW.plu IS NOT NULL "
                "BEGIN INSERT INTO plu_days VALUES (NEW.sale_day, NEW.shop, NEW.cr_number, "
                "NEW.fiscal_id, NEW.plu, NEW.description, NEW.quantity, NEW.amount) "
                "ON CONFLICT (sale_day, shop, cr_number, fiscal_id, plu) DO UPDATE SET "
                "quantity = quantity + excluded.quantity, amount = amount + excluded.amount, "
                "description = COALESCE(excluded.description, description); "
                "INSERT INTO plu_months VALUES (SUBSTR(NEW.sale_day, 1, 7), NEW.shop, NEW.cr_number, "
                "NEW.fiscal_id, NEW.plu, NEW.description, NEW.quantity, NEW.amount) "
                "ON CONFLICT (sale_month, shop, cr_number, fiscal_id, plu) DO UPDATE SET "
                "quantity = quantity + excluded.quantity, amount = amount + excluded.amount, "
                "description = COALESCE(excluded.description, description); END"),
        PostgresOnly + QStringLiteral("DROP TRIGGER plu_days_add ON receipt_items"),
        PostgresOnly + QStringLiteral("DROP FUNCTION plu_days_add()"),
        PostgresOnly +
            QStringLiteral(
                "CREATE FUNCTION plu_totals_add() RETURNS trigger AS $$ BEGIN "
                "INSERT INTO plu_days SELECT sale_day, shop, cr_number, fiscal_id, plu, MAX(description), "
                "SUM(quantity), SUM(amount) FROM added WHERE plu IS NOT NULL "
                "GROUP BY sale_day, shop, cr_number, fiscal_id, plu "
                "ON CONFLICT (sale_day, shop, cr_number, fiscal_id, plu) DO UPDATE SET "
                "quantity = plu_days.quantity + EXCLUDED.quantity, "
                "amount = plu_days.amount + EXCLUDED.amount, "
                "description = COALESCE(EXCLUDED.description, plu_days.description); "
                "INSERT INTO plu_months SELECT SUBSTR(sale_day, 1, 7), shop, cr_number, fiscal_id, plu, "
                "MAX(description), SUM(quantity), SUM(amount) FROM added WHERE plu IS NOT NULL "
                "GROUP BY SUBSTR(sale_day, 1, 7), shop, cr_number, fiscal_id, plu "
                "ON CONFLICT (sale_month, shop, cr_number, fiscal_id, plu) DO UPDATE SET "
                "quantity = plu_months.quantity + EXCLUDED.quantity, "
                "amount = plu_months.amount + EXCLUDED.amount, "
                "description = COALESCE(EXCLUDED.description, plu_months.description); "
                "RETURN NULL; END $$ LANGUAGE plpgsql"),
        PostgresOnly + QStringLiteral("CREATE TRIGGER plu_totals_add AFTER INSERT ON receipt_items "
                                      "REFERENCING NEW TABLE AS added FOR EACH STATEMENT "
                                      "EXECUTE FUNCTION plu_totals_add()"),
        // What the gateway answered each receipt request it carried out, by
        // its Idempotency-Key: the status, the receipt's number or the error,
        // and the outcome as the request log keeps it (JSON).
        QStringLiteral("CREATE TABLE gateway_receipts (" ORVEX_ROW_HEAD
                       "request_key TEXT NOT NULL, status INTEGER NOT NULL, receipt_number BIGINT, "
                       "error TEXT, outcome TEXT NOT NULL, PRIMARY KEY (origin, seq))"),
    },
    {
        // A journal row's quantity is in ten-thousandths of its unit, as the
        // department and external sales carry it; PLU sales (thousandths on
        // the line) were kept in thousandths before.
        QStringLiteral(
            "UPDATE journal SET quantity = quantity * 10 WHERE code = 'B' AND quantity IS NOT NULL"),
    },
}};

bool Exec(QSqlQuery& query, const QString& sql, QString& error) {
    if (query.exec(sql))
        return true;
    error = query.lastError().text();
    return false;
}

bool IsPostgres(const QSqlDatabase& db) {
    return db.driver()->dbmsType() == QSqlDriver::PostgreSQL;
}

} // namespace

const char* TableName(HistoryTable table) {
    switch (table) {
    case HistoryTable::Registers:
        return "registers";
    case HistoryTable::Journal:
        return "journal";
    case HistoryTable::Receipts:
        return "receipts";
    case HistoryTable::Reports:
        return "reports";
    case HistoryTable::ZReports:
        return "zreports";
    case HistoryTable::ReceiptItems:
        return "receipt_items";
    case HistoryTable::GatewayReceipts:
        return "gateway_receipts";
    }
    return "";
}

const QStringList& TableColumns(HistoryTable table) {
    static const QStringList head{"origin", "seq", "shop", "cr_number", "fiscal_id", "received_ms"};
    static const QStringList registers{"shop",     "cr_number", "fiscal_id", "department_taxes",
                                       "first_ms", "last_ms"};
    static const QStringList journal =
        head + QStringList{"code",        "operator",       "department",    "plu",
                           "description", "price",          "quantity",      "amount",
                           "sale_kind",   "receipt_number", "register_time", "payload"};
    static const QStringList receipts =
        head + QStringList{"receipt_number", "operator", "total", "pieces", "register_time", "sale_day",
                           "whole",          "dept1",    "dept2", "dept3",  "dept4",         "dept5",
                           "dept6",          "dept7",    "dept8", "dept9"};
    static const QStringList reports = head + QStringList{"code", "figures"};
    static const QStringList zreports = head + QStringList{"answered", "status", "line"};
    static const QStringList items =
        head + QStringList{"receipt_number", "operator",    "sale_day", "plu",
                           "department",     "description", "quantity", "amount"};
    static const QStringList gateway =
        head + QStringList{"request_key", "status", "receipt_number", "error", "outcome"};
    switch (table) {
    case HistoryTable::Registers:
        return registers;
    case HistoryTable::Journal:
        return journal;
    case HistoryTable::Receipts:
        return receipts;
    case HistoryTable::Reports:
        return reports;
    case HistoryTable::ZReports:
        return zreports;
    case HistoryTable::ReceiptItems:
        return items;
    case HistoryTable::GatewayReceipts:
        return gateway;
    }
    return head;
}

QString ConflictClause(HistoryTable table) {
    if (table == HistoryTable::Registers)
        return QStringLiteral(" ON CONFLICT (shop, cr_number, fiscal_id) DO UPDATE SET "
                              "department_taxes = excluded.department_taxes, last_ms = excluded.last_ms");
    return QStringLiteral(" ON CONFLICT (origin, seq) DO NOTHING");
}

int LatestSchemaVersion() {
    return int(Migrations.size());
}

int SchemaVersion(QSqlDatabase& db) {
    if (!db.tables().contains(QStringLiteral("schema_version")))
        return 0;
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT MAX(version) FROM schema_version")) || !query.next())
        return 0;
    return query.value(0).toInt();
}

bool MigrateHistory(QSqlDatabase& db, QString& error, int upTo) {
    const int last = upTo < 0 ? LatestSchemaVersion() : std::min(upTo, LatestSchemaVersion());
    QSqlQuery query(db);
    if (!db.transaction()) {
        error = db.lastError().text();
        return false;
    }
    const auto fail = [&] {
        db.rollback();
        return false;
    };
    // Two shop PCs starting at once against one server: the second waits for
    // the first one's steps and then finds nothing left to do.
    if (IsPostgres(db) && !Exec(query, QStringLiteral("SELECT pg_advisory_xact_lock(7301)"), error))
        return fail();
    if (!Exec(query, QStringLiteral("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)"),
              error))
        return fail();
    if (!Exec(query, QStringLiteral("SELECT MAX(version) FROM schema_version"), error) || !query.next())
        return fail();
    const int current = query.value(0).toInt();
    query.finish();
    if (current > LatestSchemaVersion()) {
        error = QStringLiteral("the history database is at schema version %1, newer than this program's %2")
                    .arg(current)
                    .arg(LatestSchemaVersion());
        return fail();
    }
    for (int version = current + 1; version <= last; ++version) {
        for (const QString& sql : Migrations[size_t(version - 1)]) {
            if (sql.startsWith(IsPostgres(db) ? SqliteOnly : PostgresOnly))
                continue;
            if (!Exec(query, sql, error)) {
                error = QStringLiteral("schema step %1: %2").arg(version).arg(error);
                return fail();
            }
        }
        query.prepare(QStringLiteral("INSERT INTO schema_version (version) VALUES (?)"));
        query.addBindValue(version);
        if (!query.exec()) {
            error = query.lastError().text();
            return fail();
        }
    }
    if (!db.commit()) {
        error = db.lastError().text();
        return fail();
    }
    return true;
}
