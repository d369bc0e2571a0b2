#include "history/HistorySql.h"

#include <QAtomicInteger>
#include <QSqlDriver>
#include <QSqlError>
#include <QThread>
#include <libpq-fe.h>
#include <sqlite3.h>

namespace {

QString NewConnectionName() {
    static QAtomicInteger<quint64> counter;
    return QStringLiteral("orvex-history-%1").arg(counter.fetchAndAddRelaxed(1));
}

// Rows per statement: fewer round trips to a server and fewer statements to parse.
constexpr size_t RowsPerStatement = 256;

// SQLite's codes for a value the table will never take; anything else (a full
// disk, a busy or locked file, an I/O error) passes.
bool SqliteRowsAtFault(int code) {
    switch (code & 0xff) {
    case SQLITE_CONSTRAINT:
    case SQLITE_MISMATCH:
    case SQLITE_TOOBIG:
    case SQLITE_RANGE:
        return true;
    default:
        return false;
    }
}

// PostgreSQL's classes of the same: data exceptions (22) and integrity
// constraints (23). A full disk (53), a server shut down (57) or a lost
// connection (08) passes.
bool SqlStateRowsAtFault(const QByteArray& state) {
    return state.startsWith("22") || state.startsWith("23");
}

bool PgRowsAtFault(const PGresult* result) {
    const char* state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    return state && SqlStateRowsAtFault(QByteArray(state));
}

} // namespace

bool HistoryConnection::Failed(bool rowsAtFault, QString& error, const QString& why) {
    m_rowsAtFault = rowsAtFault;
    error = why;
    return false;
}

bool HistoryConnection::OpenSqlite(const QString& file, QString& error, int busyMs) {
    Close();
    m_name = NewConnectionName();
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    if (!db.isValid()) {
        error = QStringLiteral("the SQLite driver of Qt SQL is not installed (libqt6sql6-sqlite)");
        return false;
    }
    db.setDatabaseName(file);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyMs));
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
    // Qt's SQLite driver stands on the system's libsqlite3, the same library
    // this program links: its handle can be used directly.
    const QVariant handle = db.driver()->handle();
    if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0)
        m_sqlite = *static_cast<sqlite3* const*>(handle.constData());
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
    QSqlQuery(db).exec(QStringLiteral("SET standard_conforming_strings = on"));
    // Qt's PostgreSQL driver stands on the system's libpq, which this
    // program links as well: its connection can be used directly.
    const QVariant handle = db.driver()->handle();
    if (handle.isValid() &&
        (qstrcmp(handle.typeName(), "pg_conn*") == 0 || qstrcmp(handle.typeName(), "PGconn*") == 0))
        m_pg = *static_cast<PGconn* const*>(handle.constData());
    return true;
}

void HistoryConnection::Close() {
    for (sqlite3_stmt*& statement : m_sqliteStatements) {
        sqlite3_finalize(statement);
        statement = nullptr;
    }
    m_sqlite = nullptr;
    m_pg = nullptr;
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

namespace {

// The rows hold whole numbers (flags among them) and texts; numbers go in as digits.
bool IsWholeNumber(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Bool:
        return true;
    default:
        return false;
    }
}

// A value as SQL text. Only the program's own rows come here, of integers and
// texts; a text's quotes are doubled, which both databases read as one quote
// (PostgreSQL with standard_conforming_strings, set on every connection).
void AppendLiteral(QString& sql, const QVariant& value) {
    if (value.isNull()) {
        sql += QLatin1String("NULL");
        return;
    }
    if (IsWholeNumber(value)) {
        sql += QString::number(value.toLongLong());
        return;
    }
    QString text = value.toString();
    // Neither database keeps a NUL inside a text.
    text.remove(QChar(0));
    sql += QLatin1Char('\'');
    if (text.contains(QLatin1Char('\'')))
        text.replace(QLatin1Char('\''), QLatin1String("''"));
    sql += text;
    sql += QLatin1Char('\'');
}

} // namespace

namespace {

// Binds a row's value as it is held: the texts as UTF-16 straight from the
// string (it outlives the statement's step), the whole numbers without
// conversion. This is most of the writer's own work on a busy register.
void BindSqlite(sqlite3_stmt* statement, int at, const QVariant& value) {
    if (value.isNull()) {
        sqlite3_bind_null(statement, at);
        return;
    }
    const void* data = value.constData();
    switch (value.typeId()) {
    case QMetaType::QString: {
        const QString& text = *static_cast<const QString*>(data);
        if (text.isEmpty())
            sqlite3_bind_text(statement, at, "", 0, SQLITE_STATIC);
        else
            sqlite3_bind_text16(statement, at, text.utf16(), int(text.size() * 2), SQLITE_STATIC);
        return;
    }
    case QMetaType::Int:
        sqlite3_bind_int64(statement, at, *static_cast<const int*>(data));
        return;
    case QMetaType::LongLong:
        sqlite3_bind_int64(statement, at, *static_cast<const qlonglong*>(data));
        return;
    default:
        break;
    }
    if (IsWholeNumber(value)) {
        sqlite3_bind_int64(statement, at, value.toLongLong());
    } else {
        const QByteArray text = value.toString().toUtf8();
        sqlite3_bind_text(statement, at, text.constData(), int(text.size()), SQLITE_TRANSIENT);
    }
}

} // namespace

bool HistoryConnection::InsertSqlite(HistoryTable table, std::span<const QVariantList* const> rows,
                                     QString& error) {
    sqlite3_stmt*& statement = m_sqliteStatements[size_t(table)];
    if (!statement) {
        const QStringList& columns = TableColumns(table);
        QString marks = QStringLiteral("?,").repeated(columns.size());
        marks.chop(1);
        const QByteArray sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)%4")
                                   .arg(QLatin1String(TableName(table)), columns.join(QLatin1Char(',')),
                                        marks, ConflictClause(table))
                                   .toUtf8();
        if (sqlite3_prepare_v2(m_sqlite, sql.constData(), int(sql.size()), &statement, nullptr) !=
            SQLITE_OK) {
            statement = nullptr;
            return Failed(false, error, QString::fromUtf8(sqlite3_errmsg(m_sqlite)));
        }
    }
    const int columns = int(TableColumns(table).size());
    for (const QVariantList* row : rows) {
        if (row->size() != columns)
            return Failed(true, error,
                          QStringLiteral("a row of %1 with %2 values instead of %3")
                              .arg(QLatin1String(TableName(table)))
                              .arg(row->size())
                              .arg(columns));
        for (int i = 0; i < columns; ++i)
            BindSqlite(statement, i + 1, (*row)[i]);
        const int stepped = sqlite3_step(statement);
        sqlite3_reset(statement);
        if (stepped != SQLITE_DONE)
            return Failed(SqliteRowsAtFault(sqlite3_extended_errcode(m_sqlite)), error,
                          QString::fromUtf8(sqlite3_errmsg(m_sqlite)));
    }
    return true;
}

namespace {

// A value in COPY's text form: \N for NULL, backslash escapes for the
// separators and the backslash itself.
void AppendCopyField(QByteArray& out, const QVariant& value) {
    if (value.isNull()) {
        out += "\\N";
        return;
    }
    if (IsWholeNumber(value)) {
        out += QByteArray::number(value.toLongLong());
        return;
    }
    for (const char c : value.toString().toUtf8()) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\0':
            break; // a text keeps no NUL
        default:
            out += c;
        }
    }
}

} // namespace

bool HistoryConnection::InsertPostgres(HistoryTable table, std::span<const QVariantList* const> rows,
                                       QString& error) {
    // COPY into a session table of the same shape, then one INSERT ... SELECT
    // that skips rows already there: COPY itself knows no ON CONFLICT.
    const QString name = QLatin1String(TableName(table));
    const QString columns = TableColumns(table).join(QLatin1Char(','));
    const auto run = [&](const QString& sql) {
        PGresult* result = PQexec(m_pg, sql.toUtf8().constData());
        const bool ok = PQresultStatus(result) == PGRES_COMMAND_OK;
        if (!ok)
            Failed(PgRowsAtFault(result), error, QString::fromUtf8(PQresultErrorMessage(result)).trimmed());
        PQclear(result);
        return ok;
    };
    if (!run(QStringLiteral("CREATE TEMP TABLE IF NOT EXISTS copy_%1 (LIKE %1) ON COMMIT DELETE ROWS")
                 .arg(name)))
        return false;
    PGresult* start =
        PQexec(m_pg, QStringLiteral("COPY copy_%1 (%2) FROM STDIN").arg(name, columns).toUtf8());
    const bool copying = PQresultStatus(start) == PGRES_COPY_IN;
    if (!copying)
        Failed(false, error, QString::fromUtf8(PQresultErrorMessage(start)).trimmed());
    PQclear(start);
    if (!copying)
        return false;
    const qsizetype count = TableColumns(table).size();
    QByteArray data;
    bool sent = true;
    for (size_t r = 0; r < rows.size() && sent; ++r) {
        const QVariantList& values = *rows[r];
        for (qsizetype v = 0; v < count; ++v) {
            if (v > 0)
                data += '\t';
            AppendCopyField(data, v < values.size() ? values[v] : QVariant());
        }
        data += '\n';
        if (data.size() > (1 << 20) || r + 1 == rows.size()) {
            sent = PQputCopyData(m_pg, data.constData(), int(data.size())) == 1;
            data.clear();
        }
    }
    const bool ended = PQputCopyEnd(m_pg, sent ? nullptr : "the rows could not be sent") == 1;
    bool copied = ended && sent;
    while (PGresult* result = PQgetResult(m_pg)) {
        if (PQresultStatus(result) != PGRES_COMMAND_OK) {
            Failed(PgRowsAtFault(result), error, QString::fromUtf8(PQresultErrorMessage(result)).trimmed());
            copied = false;
        }
        PQclear(result);
    }
    if (!copied) {
        if (error.isEmpty())
            Failed(false, error, QString::fromUtf8(PQerrorMessage(m_pg)).trimmed());
        return false;
    }
    return run(QStringLiteral("INSERT INTO %1 (%2) SELECT %2 FROM copy_%1%3")
                   .arg(name, columns, ConflictClause(table)));
}

bool HistoryConnection::Insert(HistoryTable table, std::span<const QVariantList* const> rows,
                               QString& error) {
    m_rowsAtFault = false;
    // PostgreSQL: COPY, many times faster than statements. A register is
    // named twice in a batch at most rarely; those go as statements.
    if (m_pg && table != HistoryTable::Registers)
        return InsertPostgres(table, rows, error);
    // SQLite: its own prepared statement, which binds a value for a fraction
    // of what Qt's binding costs.
    if (m_sqlite)
        return InsertSqlite(table, rows, error);
    // Values written into the statement rather than bound: Qt's binding costs
    // more per value than the database's own parsing, and many rows go in one
    // statement. A register named twice in one statement would be updated
    // twice, which PostgreSQL refuses: those go one by one.
    const size_t chunk = table == HistoryTable::Registers ? 1 : RowsPerStatement;
    const QString head =
        QStringLiteral("INSERT INTO %1 (%2) VALUES ")
            .arg(QLatin1String(TableName(table)), TableColumns(table).join(QLatin1Char(',')));
    const QString tail = ConflictClause(table);
    const qsizetype columns = TableColumns(table).size();
    QSqlQuery query(Database());
    QString sql;
    for (size_t at = 0; at < rows.size(); at += chunk) {
        sql = head;
        const size_t end = std::min(rows.size(), at + chunk);
        for (size_t r = at; r < end; ++r) {
            const QVariantList& values = *rows[r];
            if (values.size() != columns)
                return Failed(true, error,
                              QStringLiteral("a row of %1 with %2 values instead of %3")
                                  .arg(QLatin1String(TableName(table)))
                                  .arg(values.size())
                                  .arg(columns));
            sql += r == at ? QLatin1String("(") : QLatin1String(",(");
            for (qsizetype v = 0; v < values.size(); ++v) {
                if (v > 0)
                    sql += QLatin1Char(',');
                AppendLiteral(sql, values[v]);
            }
            sql += QLatin1Char(')');
        }
        sql += tail;
        if (!query.exec(sql)) {
            const QSqlError why = query.lastError();
            const QByteArray code = why.nativeErrorCode().toLatin1();
            const bool postgres = Database().driverName() == QLatin1String("QPSQL");
            return Failed(postgres ? SqlStateRowsAtFault(code) : SqliteRowsAtFault(code.toInt()), error,
                          why.text());
        }
    }
    return true;
}
