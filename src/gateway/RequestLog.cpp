#include "gateway/RequestLog.h"

#include <QDateTime>
#include <QJsonDocument>
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
    Statement(sqlite3* db, const char* sql, std::initializer_list<QByteArray> texts) {
        if (sqlite3_prepare_v2(db, sql, -1, &m_st, nullptr) != SQLITE_OK) {
            m_st = nullptr;
            return;
        }
        int i = 1;
        for (const QByteArray& t : texts)
            m_values.push_back(t);
        for (const QByteArray& t : m_values)
            sqlite3_bind_text(m_st, i++, t.constData(), int(t.size()), SQLITE_STATIC);
    }
    ~Statement() { sqlite3_finalize(m_st); }
    [[nodiscard]] sqlite3_stmt* Get() const { return m_st; }
    [[nodiscard]] bool Run() { return m_st && sqlite3_step(m_st) == SQLITE_DONE; }
    [[nodiscard]] bool Next() { return m_st && sqlite3_step(m_st) == SQLITE_ROW; }
    void BindInt(int i, int v) { sqlite3_bind_int(m_st, i, v); }

  private:
    sqlite3_stmt* m_st = nullptr;
    std::vector<QByteArray> m_values;
};

} // namespace

RequestLog::~RequestLog() {
    sqlite3_close(m_db);
}

bool RequestLog::Open(const QString& path, QString& error) {
    sqlite3_close(m_db);
    m_db = nullptr;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(Utf8(path).constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK) {
        error = QStringLiteral("the request log %1 cannot be opened: %2")
                    .arg(path, QString::fromUtf8(sqlite3_errmsg(db)));
        sqlite3_close(db);
        return false;
    }
    sqlite3_busy_timeout(db, 2000);
    const char* setup = "PRAGMA journal_mode=WAL;"
                        "PRAGMA synchronous=FULL;"
                        "CREATE TABLE IF NOT EXISTS requests(register TEXT NOT NULL, key TEXT NOT NULL, "
                        " body TEXT NOT NULL, began TEXT NOT NULL, finished INTEGER NOT NULL DEFAULT 0, "
                        " status INTEGER NOT NULL DEFAULT 0, outcome TEXT, PRIMARY KEY(register, key));"
                        "CREATE TABLE IF NOT EXISTS steps(register TEXT NOT NULL, key TEXT NOT NULL, "
                        " step TEXT NOT NULL);"
                        "CREATE INDEX IF NOT EXISTS steps_of ON steps(register, key);";
    char* message = nullptr;
    if (sqlite3_exec(db, setup, nullptr, nullptr, &message) != SQLITE_OK) {
        error = QStringLiteral("the request log %1 cannot be used: %2").arg(path, QString::fromUtf8(message));
        sqlite3_free(message);
        sqlite3_close(db);
        return false;
    }
    m_db = db;
    return true;
}

QJsonArray RequestLog::Steps(const QString& registerId, const QString& key) const {
    QJsonArray steps;
    Statement st(m_db, "SELECT step FROM steps WHERE register=?1 AND key=?2 ORDER BY rowid",
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
    if (!m_db)
        return std::nullopt;
    Statement st(
        m_db,
        "SELECT register, key, body, finished, status, outcome FROM requests WHERE register=?1 AND key=?2",
        {Utf8(registerId), Utf8(key)});
    if (!st.Next())
        return std::nullopt;
    return Read(st.Get());
}

std::vector<RequestLog::Entry> RequestLog::Unfinished() const {
    std::vector<Entry> out;
    if (!m_db)
        return out;
    Statement st(
        m_db,
        "SELECT register, key, body, finished, status, outcome FROM requests WHERE finished=0 ORDER BY rowid",
        {});
    while (st.Next())
        out.push_back(Read(st.Get()));
    return out;
}

bool RequestLog::Begin(const QString& registerId, const QString& key, const QJsonValue& body) {
    if (!m_db)
        return false;
    Statement st(m_db, "INSERT INTO requests(register, key, body, began) VALUES(?1, ?2, ?3, ?4)",
                 {Utf8(registerId), Utf8(key), Json(body),
                  QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs).toUtf8()});
    return st.Run();
}

bool RequestLog::AddStep(const QString& registerId, const QString& key, const QJsonObject& step) {
    if (!m_db)
        return false;
    Statement st(m_db, "INSERT INTO steps(register, key, step) VALUES(?1, ?2, ?3)",
                 {Utf8(registerId), Utf8(key), Json(step)});
    return st.Run();
}

bool RequestLog::Finish(const QString& registerId, const QString& key, int status,
                        const QJsonObject& outcome) {
    if (!m_db)
        return false;
    Statement st(m_db, "UPDATE requests SET finished=1, status=?4, outcome=?3 WHERE register=?1 AND key=?2",
                 {Utf8(registerId), Utf8(key), Json(outcome)});
    st.BindInt(4, status);
    return st.Run() && sqlite3_changes(m_db) == 1;
}
