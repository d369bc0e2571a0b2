#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QPointer>
#include <QString>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

struct sqlite3;
class QObject;

// The gateway's durable memory of receipt requests, one SQLite file (WAL,
// synchronous FULL): a request is written before its first frame leaves,
// every step the register confirmed is added as it comes, and the outcome
// closes it. A request found still open at start-up was cut short by a crash.
//
// Writes go to a writer thread of its own, which commits whatever has queued
// up in one transaction, so the caller's thread never waits for the disk; a
// write's done function is called on the caller's thread once the write is
// on the disk (true) or has failed (false), unless its context is gone by
// then. Writes reach the disk in the order they were made. Reads are
// answered at once from what has been committed.
class RequestLog {
  public:
    struct Entry {
        QString Register;
        QString Key;
        QJsonValue Body;
        bool Finished = false;
        QJsonArray Steps;
        int Status = 0;
        QJsonObject Outcome;
    };
    using Done = std::function<void(bool written)>;

    RequestLog();
    RequestLog(const RequestLog&) = delete;
    RequestLog& operator=(const RequestLog&) = delete;
    // Whatever is queued is written before it returns.
    ~RequestLog();

    // Opens or makes the file; the reason when it cannot.
    [[nodiscard]] bool Open(const QString& path, QString& error);
    [[nodiscard]] bool IsOpen() const { return m_reader != nullptr; }

    [[nodiscard]] std::optional<Entry> Find(const QString& registerId, const QString& key) const;
    // Requests begun and never finished, oldest first.
    [[nodiscard]] std::vector<Entry> Unfinished() const;

    // Fails when the key is in the log already.
    void Begin(const QString& registerId, const QString& key, const QJsonValue& body,
               QObject* context = nullptr, Done done = {});
    void AddStep(const QString& registerId, const QString& key, const QJsonObject& step,
                 QObject* context = nullptr, Done done = {});
    void Finish(const QString& registerId, const QString& key, int status, const QJsonObject& outcome,
                QObject* context = nullptr, Done done = {});
    // Called on the caller's thread at each Finish, with what it writes: every
    // receipt request's outcome passes here once.
    using FinishHook = std::function<void(const QString& registerId, const QString& key, int status,
                                          const QJsonObject& outcome)>;
    void OnFinish(FinishHook hook) { m_onFinish = std::move(hook); }
    // A begun request with no step and no outcome leaves no trace: nothing of it was sent.
    void Forget(const QString& registerId, const QString& key, QObject* context = nullptr, Done done = {});

    // Waits until every write made so far is committed or has failed; false on time-out.
    bool Flush(int timeoutMs);

  private:
    using Write = std::function<bool(sqlite3*)>;
    struct Queued {
        quint64 Id = 0;
        Write Run;
    };
    void Enqueue(Write write, QObject* context, Done done);
    void WriterLoop();
    void Delivered(const std::vector<std::pair<quint64, bool>>& results);
    [[nodiscard]] Entry Read(void* statement) const;
    [[nodiscard]] QJsonArray Steps(const QString& registerId, const QString& key) const;
    void Stop();

    sqlite3* m_reader = nullptr;
    sqlite3* m_writer = nullptr;
    // Lives on the caller's thread: the writer posts the results to it.
    std::unique_ptr<QObject> m_notifier;
    FinishHook m_onFinish;
    struct Waiting {
        QPointer<QObject> Context;
        bool HasContext = false;
        Done Callback;
    };
    std::map<quint64, Waiting> m_waiting;
    quint64 m_nextId = 1;

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<Queued> m_queue;
    bool m_busy = false;
    bool m_stop = false;
    std::thread m_thread;
};
