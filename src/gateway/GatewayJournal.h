#pragma once

#include "monitor/JournalRecord.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QObject>
#include <deque>

// The journal records one register has sent since the gateway started, each
// with its sequence number (1, 2, ...), decoded for programs. Only the newest
// Capacity records are kept: a reader that asks for older ones learns where
// the kept ones start.
class GatewayJournal : public QObject {
    Q_OBJECT
  public:
    static constexpr size_t DefaultCapacity = 10000;

    explicit GatewayJournal(size_t capacity = DefaultCapacity, QObject* parent = nullptr)
        : QObject(parent), m_capacity(capacity) {}

    // A record as the session decoded it; its texts through the charset.
    void Add(const JournalRecord& record, int charset);

    // Records with a sequence number above after, at most limit of them.
    [[nodiscard]] QJsonArray After(qint64 after, int limit) const;
    [[nodiscard]] qint64 LastSequence() const { return m_last; }
    [[nodiscard]] qint64 FirstKept() const {
        return m_records.empty() ? m_last + 1 : m_last + 1 - qint64(m_records.size());
    }

  signals:
    void RecordAdded(const QJsonObject& record);

  private:
    size_t m_capacity;
    std::deque<QJsonObject> m_records;
    qint64 m_last = 0;
};
