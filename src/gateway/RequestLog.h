#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <optional>
#include <vector>

struct sqlite3;

// The gateway's durable memory of receipt requests, one SQLite file (WAL,
// synchronous FULL): a request is written before its first frame leaves,
// every step the register confirmed is added as it comes, and the outcome
// closes it. A request found still open at start-up was cut short by a crash.
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

    RequestLog() = default;
    RequestLog(const RequestLog&) = delete;
    RequestLog& operator=(const RequestLog&) = delete;
    ~RequestLog();

    // Opens or makes the file; the reason when it cannot.
    [[nodiscard]] bool Open(const QString& path, QString& error);
    [[nodiscard]] bool IsOpen() const { return m_db != nullptr; }

    [[nodiscard]] std::optional<Entry> Find(const QString& registerId, const QString& key) const;
    // Requests begun and never finished, oldest first.
    [[nodiscard]] std::vector<Entry> Unfinished() const;

    // Each returns false when the write did not reach the disk.
    [[nodiscard]] bool Begin(const QString& registerId, const QString& key, const QJsonValue& body);
    [[nodiscard]] bool AddStep(const QString& registerId, const QString& key, const QJsonObject& step);
    [[nodiscard]] bool Finish(const QString& registerId, const QString& key, int status,
                              const QJsonObject& outcome);

  private:
    [[nodiscard]] Entry Read(void* statement) const;
    [[nodiscard]] QJsonArray Steps(const QString& registerId, const QString& key) const;

    sqlite3* m_db = nullptr;
};
