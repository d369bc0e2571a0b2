#include "history/HistorySql.h"

#include <QAtomicInteger>
#include <QSqlError>
#include <QThread>

namespace {

QString NewConnectionName() {
    static QAtomicInteger<quint64> counter;
    return QStringLiteral("orvex-history-%1").arg(counter.fetchAndAddRelaxed(1));
}

// Rows per statement: fewer round trips to a server; SQLite takes at most
// 32766 values a statement.
constexpr int RowsPerStatement = 64;

} // namespace

bool HistoryConnection::OpenSqlite(const QString& file, QString& error) {
    Close();
    m_name = NewConnectionName();
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    if (!db.isValid()) {
        error = QStringLiteral("the SQLite driver of Qt SQL is not installed (libqt6sql6-sqlite)");
        return false;
    }
    db.setDatabaseName(file);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!db.open()) {
        error = db.lastError().text();
        return false;
    }
    m_open = true;
    QSqlQuery query(db);
    for (const char* pragma : {"PRAGMA journal_mode=WAL", "PRAGMA synchronous=FULL"}) {
        if (!query.exec(QLatin1String(pragma))) {
            error = query.lastError().text();
            Close();
            return false;
        }
    }
    query.exec(QStringLiteral("PRAGMA journal_mode"));
    if (!query.next() || query.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0) {
        error = QStringLiteral("%1 cannot be kept in write-ahead-log mode").arg(file);
        Close();
        return false;
    }
    return true;
}

bool HistoryConnection::OpenPostgres(const HistoryTarget& target, QString& error) {
    Close();
    m_name = NewConnectionName();
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_name);
    if (!db.isValid()) {
        error = QStringLiteral("the PostgreSQL driver of Qt SQL is not installed (libqt6sql6-psql)");
        return false;
    }
    db.setHostName(target.Host);
    db.setPort(target.Port);
    db.setUserName(target.User);
    db.setPassword(target.Password);
    db.setDatabaseName(target.Database);
    // A server that does not answer is a spooled batch, not a frozen writer.
    db.setConnectOptions(QStringLiteral("connect_timeout=5"));
    if (!db.open()) {
        error = db.lastError().text().trimmed();
        return false;
    }
    m_open = true;
    // The server's notices ("already exists, skipping") are nobody's business.
    QSqlQuery(db).exec(QStringLiteral("SET client_min_messages = warning"));
    return true;
}

void HistoryConnection::Close() {
    m_statements.clear();
    if (m_name.isEmpty())
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        if (db.isValid())
            db.close();
    }
    QSqlDatabase::removeDatabase(m_name);
    m_name.clear();
    m_open = false;
}

QSqlQuery& HistoryConnection::Statement(HistoryTable table, int rowCount, bool& prepared, QString& error) {
    auto& slot = m_statements[{table, rowCount}];
    prepared = true;
    if (slot)
        return *slot;
    const QStringList& columns = TableColumns(table);
    QString row = QStringLiteral("(") + QStringLiteral("?,").repeated(columns.size());
    row.back() = QLatin1Char(')');
    QStringList rows;
    for (int i = 0; i < rowCount; ++i)
        rows << row;
    const QString sql = QStringLiteral("INSERT INTO %1 (%2) VALUES %3%4")
                            .arg(QLatin1String(TableName(table)), columns.join(QLatin1Char(',')),
                                 rows.join(QLatin1Char(',')), ConflictClause(table));
    slot = std::make_unique<QSqlQuery>(Database());
    if (!slot->prepare(sql)) {
        error = slot->lastError().text();
        prepared = false;
    }
    return *slot;
}

bool HistoryConnection::Insert(HistoryTable table, std::span<const QVariantList* const> rows,
                               QString& error) {
    // A register named twice in one statement would be updated twice, which
    // PostgreSQL refuses: those go one by one.
    const int chunk = table == HistoryTable::Registers ? 1 : RowsPerStatement;
    size_t at = 0;
    while (at < rows.size()) {
        const int count = int(std::min<size_t>(size_t(chunk), rows.size() - at));
        bool prepared = false;
        QSqlQuery& query = Statement(table, count, prepared, error);
        if (!prepared) {
            m_statements.erase({table, count});
            return false;
        }
        int index = 0;
        for (int r = 0; r < count; ++r) {
            for (const QVariant& value : *rows[at + size_t(r)])
                query.bindValue(index++, value);
        }
        if (!query.exec()) {
            error = query.lastError().text();
            return false;
        }
        at += size_t(count);
    }
    return true;
}
