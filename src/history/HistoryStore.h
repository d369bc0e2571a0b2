#pragma once

#include "history/HistorySchema.h"
#include "history/HistoryTarget.h"

#include <QObject>
#include <QString>
#include <QVariantList>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

// What the store can say about itself, for the window's hint panel.
struct HistoryStatus {
    // Rows waiting in the local spool because the server cannot be reached.
    qint64 Spooled = 0;
    // Rows kept in memory because the file cannot take them just now (a full
    // disk, another writer holding it): tried again until it can.
    qint64 Held = 0;
    // Rows the database refused on their own (they are not kept); counted
    // since the store was opened.
    qint64 Refused = 0;
    // Why the last write to the server (or the file) failed; empty while it works.
    QString ServerError;
    [[nodiscard]] bool ServerReachable() const { return ServerError.isEmpty(); }
    friend bool operator==(const HistoryStatus&, const HistoryStatus&) = default;
};
Q_DECLARE_METATYPE(HistoryStatus)

class HistoryConnection;

// The history: rows are handed in from any thread without waiting and a
// writer thread of its own commits them in batches (every FlushMs or
// BatchRows rows). On PostgreSQL a batch the server does not take waits in a
// local SQLite spool and goes out, in order, when the server is back.
class HistoryStore : public QObject {
    Q_OBJECT
  public:
    struct Options {
        int FlushMs = 200;
        int BatchRows = 1000;
        // How often an unreachable server is tried again.
        int RetryMs = 2000;
        // How long a write waits for another program holding the SQLite
        // file before its rows are held back and tried again.
        int BusyMs = 5000;
    };

    explicit HistoryStore(QObject* parent = nullptr);
    ~HistoryStore() override;

    // Opens the SQLite file (or, for PostgreSQL, the spool) and brings its
    // schema up to date; the server is reached afterwards, on the writer's
    // thread, and one that is down is not an error: its rows are spooled.
    // False, with the reason, when nothing can be written.
    bool Open(const HistoryTarget& target, QString& error, const Options& options);
    bool Open(const HistoryTarget& target, QString& error) { return Open(target, error, Options{}); }
    // Commits what was handed in (to the spool when the server is away) and
    // stops the writer.
    void Close();
    [[nodiscard]] bool IsOpen() const { return m_thread.joinable(); }
    [[nodiscard]] const HistoryTarget& Target() const { return m_target; }

    // Hands in one row in TableColumns order (as HistoryRows makes them); the
    // store fills in the origin and sequence number of all but Registers.
    // Never waits for the database.
    void Add(HistoryTable table, QVariantList values);
    // Waits until every row handed in so far is in the database itself (for
    // PostgreSQL: on the server); false when timeoutMs passed first or a row
    // was refused meanwhile.
    bool Flush(int timeoutMs);
    // Rows handed in and not yet in the database.
    [[nodiscard]] qint64 Pending() const;
    [[nodiscard]] HistoryStatus Status() const;

  signals:
    // Emitted on the writer thread when the status changes: connect it with
    // a receiver that lives on the window's thread, and it arrives there queued.
    void StatusChanged(const HistoryStatus& status);

  private:
    struct Row {
        HistoryTable Table;
        QVariantList Values;
    };

    void Run();
    enum class Written { All, RowsRefused, NotNow };
    // Writes a batch to the SQLite file, or to the server or the spool.
    void Write(std::vector<Row>& rows);
    Written WriteDirect(HistoryConnection& connection, const std::vector<const Row*>& rows, QString& error);
    // Rows one by one after their batch was refused for one of them; NotNow
    // when the database cannot write at all. Rows it refuses on their own are
    // counted and said.
    Written Salvage(const std::vector<const Row*>& rows, QString& error);
    // The SQLite file cannot take the rows now: they go back to the head of
    // the queue and are tried again after RetryMs.
    void Hold(std::vector<Row>& rows, const QString& error);
    bool SpoolRows(const std::vector<Row>& rows, QString& error);
    // Sends spooled rows to the server in order; false when it went away.
    bool Forward();
    bool ConnectServer();
    void ServerFailed(const QString& error);
    void Delivered(qint64 rows);
    void PublishStatus();

    HistoryTarget m_target;
    Options m_options;
    qint64 m_origin = 0;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_delivered;
    std::deque<Row> m_queue;
    qint64 m_added = 0;
    qint64 m_done = 0;
    bool m_stop = false;
    bool m_flushAsked = false;
    HistoryStatus m_status;

    // The writer thread's own.
    std::unique_ptr<HistoryConnection> m_main;
    std::unique_ptr<HistoryConnection> m_spool;
    qint64 m_spooled = 0;
    qint64 m_nextRetryMs = 0;
    // Until when the rows held back for a SQLite file that could not take
    // them wait (guarded by m_mutex).
    qint64 m_holdUntilMs = 0;
    HistoryStatus m_published;
    std::thread m_thread;
};
