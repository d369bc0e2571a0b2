#include "gateway/RequestLog.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QMetaObject>
#include <QObject>
#include <sqlite3.h>

namespace {

QByteArray Utf8(const QString& s) {
    return s.toUtf8();
}

QString Column(sqlite3_stmt* st, int i) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st, i));
    return text ? QString::fromUtf8(text, sqlite3_column_bytes(st, i)) : QString();
}

QByteArray Json(const QJsonValue& v) {
    if (v.isObject())
        return QJsonDocument(v.toObject()).toJson(QJsonDocument::Compact);
    if (v.isArray())
        return QJsonDocument(v.toArray()).toJson(QJsonDocument::Compact);
    return QByteArray("null");
}

QJsonValue FromJson(const QString& text) {
    const QJsonDocument doc = QJsonDocument::fromJson(text.toUtf8());
    if (doc.isObject())
        return doc.object();
    if (doc.isArray())
        return doc.array();
    return QJsonValue();
}

// One prepared statement with its texts bound in order, finalised on leaving.
class Statement {
  public:
    Statement(sqlite3* db, const char* sql, std::initializer_list<QByteArray> texts) : m_values(texts) {
        if (sqlite3_prepare_v2(db, sql, -1, &m_st, nullptr) != SQLITE_OK) {
            m_st = nullptr;
            return;
        }
        int i = 1;
        for (const QByteArray& t : m_values)
            sqlite3_bind_text(m_st, i++, t.constData(), int(t.size()), SQLITE_STATIC);
    }
    ~Statement() { sqlite3_finalize(m_st); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    [[nodiscard]] sqlite3_stmt* Get() const { return m_st; }
    [[nodiscard]] bool Run() { return m_st && sqlite3_step(m_st) == SQLITE_DONE; }
    [[nodiscard]] bool Next() { return m_st && sqlite3_step(m_st) == SQLITE_ROW; }
    void BindInt(int i, int v) { sqlite3_bind_int(m_st, i, v); }

  private:
    sqlite3_stmt* m_st = nullptr;
    std::vector<QByteArray> m_values;
};

bool Exec(sqlite3* db, const char* sql) {
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

} // namespace

RequestLog::RequestLog() : m_notifier(std::make_unique<QObject>()) {}

RequestLog::~RequestLog() {
    Stop();
    sqlite3_close(m_writer);
    sqlite3_close(m_reader);
}

void RequestLog::Stop() {
    if (!m_thread.joinable())
        return;
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

bool RequestLog::Open(const QString& path, QString& error) {
    Stop();
    sqlite3_close(m_writer);
    sqlite3_close(m_reader);
    m_writer = m_reader = nullptr;
    m_stop = false;
    const QByteArray file = Utf8(path);
    sqlite3* writer = nullptr;
    sqlite3* reader = nullptr;
    const auto fail = [&](const QString& what, sqlite3* db) {
        error = QStringLiteral("the request log %1 %2: %3")
                    .arg(path, what, QString::fromUtf8(sqlite3_errmsg(db)));
        sqlite3_close(writer);
        sqlite3_close(reader);
        return false;
    };
    if (sqlite3_open_v2(file.constData(), &writer,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                        nullptr) != SQLITE_OK)
        return fail(QStringLiteral("cannot be opened"), writer);
    sqlite3_busy_timeout(writer, 5000);
    if (!Exec(writer, "PRAGMA journal_mode=WAL") || !Exec(writer, "PRAGMA synchronous=FULL") ||
        !Exec(writer, "CREATE TABLE IF NOT EXISTS requests(register TEXT NOT NULL, key TEXT NOT NULL, "
                      "body TEXT NOT NULL, began TEXT NOT NULL, finished INTEGER NOT NULL DEFAULT 0, "
                      "status INTEGER NOT NULL DEFAULT 0, outcome TEXT, PRIMARY KEY(register, key))") ||
        !Exec(writer, "CREATE TABLE IF NOT EXISTS steps(register TEXT NOT NULL, key TEXT NOT NULL, step TEXT "
                      "NOT NULL)") ||
        !Exec(writer, "CREATE INDEX IF NOT EXISTS steps_of ON steps(register, key)"))
        return fail(QStringLiteral("cannot be used"), writer);
    if (sqlite3_open_v2(file.constData(), &reader, SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX, nullptr) !=
        SQLITE_OK)
        return fail(QStringLiteral("cannot be read"), reader);
    sqlite3_busy_timeout(reader, 5000);
    m_writer = writer;
    m_reader = reader;
    m_thread = std::thread([this] { WriterLoop(); });
    return true;
}

void RequestLog::Enqueue(Write write, QObject* context, Done done) {
    const quint64 id = m_nextId++;
    if (done)
        m_waiting[id] = {context, context != nullptr, std::move(done)};
    if (!m_writer) {
        Delivered({{id, false}});
        return;
    }
    {
        std::lock_guard lock(m_mutex);
        m_queue.push_back({id, std::move(write)});
    }
    m_wake.notify_one();
}

void RequestLog::WriterLoop() {
    for (;;) {
        std::deque<Queued> batch;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stop || !m_queue.empty(); });
            if (m_queue.empty())
                return;
            batch.swap(m_queue);
            m_busy = true;
        }
        std::vector<std::pair<quint64, bool>> results;
        const bool begun = Exec(m_writer, "BEGIN IMMEDIATE");
        for (Queued& q : batch)
            results.emplace_back(q.Id, begun && q.Run(m_writer));
        if (!begun || !Exec(m_writer, "COMMIT")) {
            Exec(m_writer, "ROLLBACK");
            for (auto& r : results)
                r.second = false;
        }
        QMetaObject::invokeMethod(
            m_notifier.get(), [this, results] { Delivered(results); }, Qt::QueuedConnection);
        {
            std::lock_guard lock(m_mutex);
            m_busy = false;
        }
        m_idle.notify_all();
    }
}

void RequestLog::Delivered(const std::vector<std::pair<quint64, bool>>& results) {
    for (const auto& [id, ok] : results) {
        const auto it = m_waiting.find(id);
        if (it == m_waiting.end())
            continue;
        Waiting w = std::move(it->second);
        m_waiting.erase(it);
        if (!w.HasContext || w.Context)
            w.Callback(ok);
    }
}

bool RequestLog::Flush(int timeoutMs) {
    std::unique_lock lock(m_mutex);
    return m_idle.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                           [this] { return m_queue.empty() && !m_busy; });
}

void RequestLog::Begin(const QString& registerId, const QString& key, const QJsonValue& body,
                       QObject* context, Done done) {
    const QByteArray r = Utf8(registerId), k = Utf8(key), b = Json(body),
                     t = QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs).toUtf8();
    Enqueue(
        [r, k, b, t](sqlite3* db) {
            Statement st(db, "INSERT INTO requests(register, key, body, began) VALUES(?1, ?2, ?3, ?4)",
                         {r, k, b, t});
            return st.Run();
        },
        context, std::move(done));
}

void RequestLog::AddStep(const QString& registerId, const QString& key, const QJsonObject& step,
                         QObject* context, Done done) {
    const QByteArray r = Utf8(registerId), k = Utf8(key), s = Json(step);
    Enqueue(
        [r, k, s](sqlite3* db) {
            Statement st(db, "INSERT INTO steps(register, key, step) VALUES(?1, ?2, ?3)", {r, k, s});
            return st.Run();
        },
        context, std::move(done));
}

void RequestLog::Finish(const QString& registerId, const QString& key, int status, const QJsonObject& outcome,
                        QObject* context, Done done) {
    if (m_onFinish)
        m_onFinish(registerId, key, status, outcome);
    const QByteArray r = Utf8(registerId), k = Utf8(key), o = Json(outcome);
    Enqueue(
        [r, k, o, status](sqlite3* db) {
            Statement st(db,
                         "UPDATE requests SET finished=1, status=?4, outcome=?3 WHERE register=?1 AND key=?2",
                         {r, k, o});
            st.BindInt(4, status);
            return st.Run() && sqlite3_changes(db) == 1;
        },
        context, std::move(done));
}

void RequestLog::Forget(const QString& registerId, const QString& key, QObject* context, Done done) {
    const QByteArray r = Utf8(registerId), k = Utf8(key);
    Enqueue(
        [r, k](sqlite3* db) {
            // Only a request that has nothing on record but its beginning (a
            // note of how its steps are written is no step).
            Statement request(
                db,
                "DELETE FROM requests WHERE register=?1 AND key=?2 AND finished=0 AND NOT EXISTS "
                "(SELECT 1 FROM steps WHERE register=?1 AND key=?2 AND step <> '{\"durableSteps\":true}')",
                {r, k});
            if (!request.Run())
                return false;
            if (sqlite3_changes(db) == 0)
                return true;
            Statement steps(db, "DELETE FROM steps WHERE register=?1 AND key=?2", {r, k});
            return steps.Run();
        },
        context, std::move(done));
}

QJsonArray RequestLog::Steps(const QString& registerId, const QString& key) const {
    QJsonArray steps;
    Statement st(m_reader, "SELECT step FROM steps WHERE register=?1 AND key=?2 ORDER BY rowid",
                 {Utf8(registerId), Utf8(key)});
    while (st.Next())
        steps.append(FromJson(Column(st.Get(), 0)));
    return steps;
}

RequestLog::Entry RequestLog::Read(void* statement) const {
    auto* st = static_cast<sqlite3_stmt*>(statement);
    Entry e;
    e.Register = Column(st, 0);
    e.Key = Column(st, 1);
    e.Body = FromJson(Column(st, 2));
    e.Finished = sqlite3_column_int(st, 3) != 0;
    e.Status = sqlite3_column_int(st, 4);
    e.Outcome = FromJson(Column(st, 5)).toObject();
    e.Steps = Steps(e.Register, e.Key);
    return e;
}

std::optional<RequestLog::Entry> RequestLog::Find(const QString& registerId, const QString& key) const {
    if (!m_reader)
        return std::nullopt;
    Statement st(
        m_reader,
        "SELECT register, key, body, finished, status, outcome FROM requests WHERE register=?1 AND key=?2",
        {Utf8(registerId), Utf8(key)});
    if (!st.Next())
        return std::nullopt;
    return Read(st.Get());
}

std::vector<RequestLog::Entry> RequestLog::Unfinished() const {
    std::vector<Entry> out;
    if (!m_reader)
        return out;
    Statement st(
        m_reader,
        "SELECT register, key, body, finished, status, outcome FROM requests WHERE finished=0 ORDER BY rowid",
        {});
    while (st.Next())
        out.push_back(Read(st.Get()));
    return out;
}
