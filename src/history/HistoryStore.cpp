#include "history/HistoryStore.h"

#include "history/HistorySql.h"

#include <QDataStream>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QIODevice>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <future>

namespace {

// The most rows one commit takes when many are waiting: the commit's fsync is
// shared by many rows, the transaction stays short.
constexpr int BatchesPerCommit = 16;
// How soon the server is tried again while somebody waits for a flush.
constexpr int FlushRetryMs = 100;
constexpr int ForwardRows = 5000;

qint64 NowMs() {
    return QDateTime::currentMSecsSinceEpoch();
}

QByteArray Pack(const QVariantList& values) {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_4);
    out << values;
    return bytes;
}

QVariantList Unpack(const QByteArray& bytes) {
    QVariantList values;
    QDataStream in(bytes);
    in.setVersion(QDataStream::Qt_6_4);
    in >> values;
    return values;
}

bool IsHistoryTable(int table) {
    return table >= int(HistoryTable::Registers) && table <= int(LastHistoryTable);
}

} // namespace

HistoryStore::HistoryStore(QObject* parent) : QObject(parent) {
    qRegisterMetaType<HistoryStatus>();
}

HistoryStore::~HistoryStore() {
    Close();
}

bool HistoryStore::Open(const HistoryTarget& target, QString& error, const Options& options) {
    Close();
    m_target = target;
    m_options = options;
    // Random over 63 bits: two PCs (or two runs) drawing the same is not to be expected.
    m_origin = qint64(QRandomGenerator::system()->generate64() >> 1);
    m_stop = false;
    m_added = m_done = 0;
    m_status = {};
    // Shared with the thread: Open may return while set_value is still on its way out.
    auto opened = std::make_shared<std::promise<QString>>();
    auto result = opened->get_future();
    m_thread = std::thread([this, opened] {
        QString why;
        const bool postgres = m_target.Kind == HistoryTarget::Backend::Postgres;
        const QString file = postgres ? m_target.SpoolFile : m_target.File;
        const QFileInfo info(file);
        if (!QDir().mkpath(info.absolutePath()))
            why = QStringLiteral("%1: the folder cannot be made").arg(info.absolutePath());
        auto connection = std::make_unique<HistoryConnection>();
        if (why.isEmpty() && !connection->OpenSqlite(file, why, m_options.BusyMs))
            why = QStringLiteral("%1: %2").arg(file, why);
        if (why.isEmpty()) {
            QSqlDatabase db = connection->Database();
            if (postgres) {
                QSqlQuery query(db);
                if (!query.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS spool (id INTEGER PRIMARY KEY "
                                               "AUTOINCREMENT, tbl INTEGER NOT NULL, run INTEGER NOT NULL, "
                                               "vals BLOB NOT NULL)")) ||
                    !query.exec(QStringLiteral("SELECT COUNT(*) FROM spool")) || !query.next())
                    why = QStringLiteral("%1: %2").arg(file, query.lastError().text());
                else
                    m_spooled = query.value(0).toLongLong();
            } else if (!MigrateHistory(db, why)) {
                why = QStringLiteral("%1: %2").arg(file, why);
            }
        }
        if (!why.isEmpty()) {
            opened->set_value(why);
            return;
        }
        (postgres ? m_spool : m_main) = std::move(connection);
        PublishStatus();
        // The caller (the window, often) does not wait for the server: a host
        // that does not answer takes the connect time-out, and meanwhile rows
        // queue as ever.
        opened->set_value(QString());
        if (postgres && !ConnectServer())
            m_nextRetryMs = NowMs() + m_options.RetryMs;
        if (postgres && m_spooled > 0 && m_main)
            Forward();
        PublishStatus();
        Run();
    });
    error = result.get();
    if (!error.isEmpty()) {
        m_thread.join();
        return false;
    }
    return true;
}

void HistoryStore::Close() {
    if (!m_thread.joinable())
        return;
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void HistoryStore::Add(HistoryTable table, QVariantList values) {
    {
        std::lock_guard lock(m_mutex);
        ++m_added;
        if (table != HistoryTable::Registers && values.size() >= 2) {
            values[0] = m_origin;
            values[1] = m_added;
        }
        m_queue.push_back({table, std::move(values)});
        if (m_queue.size() < size_t(m_options.BatchRows))
            return;
    }
    m_wake.notify_one();
}

bool HistoryStore::Flush(int timeoutMs) {
    std::unique_lock lock(m_mutex);
    if (!m_thread.joinable())
        return m_done >= m_added;
    const qint64 target = m_added;
    const qint64 refused = m_status.Refused;
    m_flushAsked = true;
    m_wake.notify_one();
    const bool done =
        m_delivered.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return m_done >= target; });
    m_flushAsked = false;
    return done && m_status.Refused == refused;
}

qint64 HistoryStore::Pending() const {
    std::lock_guard lock(m_mutex);
    return m_added - m_done;
}

HistoryStatus HistoryStore::Status() const {
    std::lock_guard lock(m_mutex);
    return m_status;
}

void HistoryStore::Run() {
    const bool postgres = m_target.Kind == HistoryTarget::Backend::Postgres;
    std::unique_lock lock(m_mutex);
    for (;;) {
        // Rows held back for a file that could not take them wait their time,
        // unless the store is closing.
        const auto mayWrite = [&] { return m_stop || NowMs() >= m_holdUntilMs; };
        // A flush asked for while the server is away retries it sooner, but
        // still waits between tries.
        m_wake.wait_for(lock, std::chrono::milliseconds(m_flushAsked ? FlushRetryMs : m_options.FlushMs),
                        [&] {
                            return m_stop || (mayWrite() && (m_queue.size() >= size_t(m_options.BatchRows) ||
                                                             (m_flushAsked && !m_queue.empty())));
                        });
        const size_t take = !mayWrite() ? 0
                            : m_stop || m_flushAsked
                                ? m_queue.size()
                                : std::min(m_queue.size(), size_t(m_options.BatchRows) * BatchesPerCommit);
        std::vector<Row> rows;
        rows.reserve(take);
        for (size_t i = 0; i < take; ++i) {
            rows.push_back(std::move(m_queue.front()));
            m_queue.pop_front();
        }
        const bool stopping = m_stop && m_queue.empty();
        const bool hurry = m_flushAsked;
        lock.unlock();
        if (!rows.empty())
            Write(rows);
        if (postgres && m_spooled > 0) {
            const int retry = hurry ? FlushRetryMs : m_options.RetryMs;
            if (!m_main && NowMs() >= m_nextRetryMs && !ConnectServer())
                m_nextRetryMs = NowMs() + retry;
            if (m_main && !Forward())
                m_nextRetryMs = NowMs() + retry;
        }
        lock.lock();
        if (stopping)
            break;
    }
    lock.unlock();
    m_main.reset();
    m_spool.reset();
}

void HistoryStore::Write(std::vector<Row>& rows) {
    std::vector<const Row*> pointers;
    pointers.reserve(rows.size());
    for (const Row& row : rows)
        pointers.push_back(&row);
    QString error;
    const auto write = [&] {
        Written written = WriteDirect(*m_main, pointers, error);
        return written == Written::RowsRefused ? Salvage(pointers, error) : written;
    };
    if (m_target.Kind == HistoryTarget::Backend::Sqlite) {
        if (write() == Written::NotNow) {
            Hold(rows, error);
        } else {
            std::lock_guard lock(m_mutex);
            if (m_status.Held > 0) {
                m_status.Held = 0;
                if (m_status.Refused == 0)
                    m_status.ServerError.clear();
            }
        }
        PublishStatus();
        if (!rows.empty())
            Delivered(qint64(rows.size()));
        return;
    }
    // Order is kept: while anything waits in the spool, new rows go behind it.
    if (m_spooled == 0 && m_main) {
        if (write() != Written::NotNow) {
            PublishStatus();
            Delivered(qint64(rows.size()));
            return;
        }
        ServerFailed(error);
    }
    if (!SpoolRows(rows, error)) {
        std::lock_guard lock(m_mutex);
        m_status.ServerError = QStringLiteral("%1; the spool: %2").arg(m_status.ServerError, error);
    }
    PublishStatus();
}

void HistoryStore::Hold(std::vector<Row>& rows, const QString& error) {
    std::lock_guard lock(m_mutex);
    m_status.ServerError = error;
    m_holdUntilMs = NowMs() + m_options.RetryMs;
    for (auto row = rows.rbegin(); row != rows.rend(); ++row)
        m_queue.push_front(std::move(*row));
    rows.clear();
    m_status.Held = qint64(m_queue.size());
}

HistoryStore::Written HistoryStore::WriteDirect(HistoryConnection& connection,
                                                const std::vector<const Row*>& rows, QString& error) {
    QSqlDatabase db = connection.Database();
    if (!db.transaction()) {
        error = db.lastError().text();
        return Written::NotNow;
    }
    // Rows of one table go together; the order between tables does not matter
    // inside one transaction.
    std::vector<const QVariantList*> same;
    for (int table = int(HistoryTable::Registers); table <= int(LastHistoryTable); ++table) {
        same.clear();
        for (const Row* row : rows)
            if (int(row->Table) == table)
                same.push_back(&row->Values);
        if (!same.empty() && !connection.Insert(HistoryTable(table), same, error)) {
            db.rollback();
            return connection.RowsAtFault() ? Written::RowsRefused : Written::NotNow;
        }
    }
    if (!db.commit()) {
        error = db.lastError().text();
        db.rollback();
        return Written::NotNow;
    }
    return Written::All;
}

HistoryStore::Written HistoryStore::Salvage(const std::vector<const Row*>& rows, QString& error) {
    // The database refused the batch for one of its rows (a value it will
    // never take): that row must not hold up the others.
    qint64 refused = 0;
    QString why;
    for (const Row* row : rows) {
        switch (WriteDirect(*m_main, {row}, why)) {
        case Written::All:
            break;
        case Written::RowsRefused:
            ++refused;
            error = why;
            break;
        case Written::NotNow:
            // Rows written meanwhile go again with the batch, and the
            // database keeps their first copy.
            error = why;
            return Written::NotNow;
        }
    }
    std::lock_guard lock(m_mutex);
    m_status.Refused += refused;
    if (refused > 0)
        m_status.ServerError = QStringLiteral("%1 rows refused: %2").arg(m_status.Refused).arg(error);
    return Written::All;
}

bool HistoryStore::SpoolRows(const std::vector<Row>& rows, QString& error) {
    QSqlDatabase db = m_spool->Database();
    if (!db.transaction()) {
        error = db.lastError().text();
        return false;
    }
    QSqlQuery query(db);
    query.prepare(QStringLiteral("INSERT INTO spool (tbl, run, vals) VALUES (?, ?, ?)"));
    for (const Row& row : rows) {
        query.bindValue(0, int(row.Table));
        query.bindValue(1, m_origin);
        query.bindValue(2, Pack(row.Values));
        if (!query.exec()) {
            error = query.lastError().text();
            db.rollback();
            return false;
        }
    }
    if (!db.commit()) {
        error = db.lastError().text();
        db.rollback();
        return false;
    }
    m_spooled += qint64(rows.size());
    return true;
}

bool HistoryStore::Forward() {
    QSqlDatabase spool = m_spool->Database();
    while (m_spooled > 0) {
        QSqlQuery read(spool);
        read.setForwardOnly(true);
        read.prepare(QStringLiteral("SELECT id, tbl, run, vals FROM spool ORDER BY id LIMIT ?"));
        read.addBindValue(ForwardRows);
        if (!read.exec()) {
            ServerFailed(QStringLiteral("the spool: %1").arg(read.lastError().text()));
            return false;
        }
        std::vector<Row> rows;
        qint64 lastId = 0;
        qint64 mine = 0;
        while (read.next()) {
            lastId = read.value(0).toLongLong();
            const int table = read.value(1).toInt();
            if (read.value(2).toLongLong() == m_origin)
                ++mine;
            // A row this program cannot read (written by a later version) is
            // left out rather than holding up every row behind it.
            if (IsHistoryTable(table))
                rows.push_back({HistoryTable(table), Unpack(read.value(3).toByteArray())});
        }
        read.finish();
        if (lastId == 0) {
            m_spooled = 0;
            break;
        }
        std::vector<const Row*> pointers;
        for (const Row& row : rows)
            pointers.push_back(&row);
        QString error;
        Written written = WriteDirect(*m_main, pointers, error);
        if (written == Written::RowsRefused)
            written = Salvage(pointers, error);
        if (written == Written::NotNow) {
            ServerFailed(error);
            return false;
        }
        // The server has them; if the program ends before the spool forgets
        // them they go again and the server keeps the first copy.
        QSqlQuery drop(spool);
        drop.prepare(QStringLiteral("DELETE FROM spool WHERE id <= ?"));
        drop.addBindValue(lastId);
        if (!drop.exec()) {
            ServerFailed(QStringLiteral("the spool: %1").arg(drop.lastError().text()));
            return false;
        }
        QSqlQuery count(spool);
        m_spooled = count.exec(QStringLiteral("SELECT COUNT(*) FROM spool")) && count.next()
                        ? count.value(0).toLongLong()
                        : 0;
        // The status first: whoever a flush wakes sees the spool as it is.
        PublishStatus();
        Delivered(mine);
    }
    return true;
}

bool HistoryStore::ConnectServer() {
    auto connection = std::make_unique<HistoryConnection>();
    QString error;
    if (!connection->OpenPostgres(m_target, error)) {
        ServerFailed(error);
        return false;
    }
    QSqlDatabase db = connection->Database();
    if (!MigrateHistory(db, error)) {
        ServerFailed(error);
        return false;
    }
    m_main = std::move(connection);
    {
        std::lock_guard lock(m_mutex);
        m_status.ServerError.clear();
    }
    PublishStatus();
    return true;
}

void HistoryStore::ServerFailed(const QString& error) {
    // The connection is made anew: after a server restart the old one is dead.
    m_main.reset();
    std::lock_guard lock(m_mutex);
    m_status.ServerError = error.isEmpty() ? QStringLiteral("the server cannot be reached") : error;
}

void HistoryStore::Delivered(qint64 rows) {
    {
        std::lock_guard lock(m_mutex);
        m_done += rows;
    }
    m_delivered.notify_all();
}

void HistoryStore::PublishStatus() {
    HistoryStatus status;
    {
        std::lock_guard lock(m_mutex);
        m_status.Spooled = m_spooled;
        status = m_status;
    }
    if (status == m_published)
        return;
    m_published = status;
    emit StatusChanged(status);
}
