#pragma once

#include "history/HistorySchema.h"
#include "history/HistoryTarget.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>
#include <array>
#include <span>

struct pg_conn;
struct sqlite3;
struct sqlite3_stmt;

// A named Qt SQL connection that is removed with the object; it belongs to the
// thread that made it.
class HistoryConnection {
  public:
    HistoryConnection() = default;
    ~HistoryConnection() { Close(); }
    HistoryConnection(const HistoryConnection&) = delete;
    HistoryConnection& operator=(const HistoryConnection&) = delete;

    // SQLite files in WAL with synchronous FULL: a commit survives a crash of
    // the program and of the machine. False, with the reason, when it fails.
    // A statement waits up to busyMs for another writer to let go of the file.
    bool OpenSqlite(const QString& file, QString& error, int busyMs = 5000);
    bool OpenPostgres(const HistoryTarget& target, QString& error);
    void Close();
    [[nodiscard]] bool IsOpen() const { return m_open; }
    [[nodiscard]] QSqlDatabase Database() const { return QSqlDatabase::database(m_name, false); }

    // Rows of one table in as few statements as the driver takes; inside the
    // caller's transaction.
    bool Insert(HistoryTable table, std::span<const QVariantList* const> rows, QString& error);
    // Whether the last Insert that failed was refused for what its rows hold
    // (a value the database will never take), rather than for the database
    // being unable to write just now (a full disk, a file locked by another
    // writer, a server going away): rows of the latter kind are kept and
    // tried again, never dropped.
    [[nodiscard]] bool RowsAtFault() const { return m_rowsAtFault; }

  private:
    bool InsertPostgres(HistoryTable table, std::span<const QVariantList* const> rows, QString& error);
    bool InsertSqlite(HistoryTable table, std::span<const QVariantList* const> rows, QString& error);

    bool Failed(bool rowsAtFault, QString& error, const QString& why);

    QString m_name;
    bool m_open = false;
    bool m_rowsAtFault = false;
    sqlite3* m_sqlite = nullptr;
    pg_conn* m_pg = nullptr;
    std::array<sqlite3_stmt*, size_t(LastHistoryTable) + 1> m_sqliteStatements{};
};
