#pragma once

#include "gateway/GatewayOperation.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <deque>
#include <functional>
#include <memory>

class RegisterSession;

// One register's work, first come first served, one operation on the line at
// a time. Bounded: a full queue takes nothing more. An operation whose
// client deadline has passed before its turn is dropped unstarted.
class RegisterQueue : public QObject {
    Q_OBJECT
  public:
    using ReplyFn = std::function<void(const GatewayReply&)>;
    static constexpr int DefaultCapacity = 64;

    explicit RegisterQueue(RegisterSession& session, QObject* parent = nullptr);
    ~RegisterQueue() override;

    void SetCapacity(int capacity) { m_capacity = capacity; }
    [[nodiscard]] int Capacity() const { return m_capacity; }
    [[nodiscard]] int Waiting() const { return int(m_waiting.size()); }
    [[nodiscard]] bool Busy() const { return m_running != nullptr; }
    // Seconds a newcomer may expect to wait, from the operations seen so far.
    [[nodiscard]] int RetryAfterSeconds() const;

    // Takes the operation unless the queue is full (then false and nothing
    // taken). reply gets its answer once, also when it is dropped. A ticket
    // names it for Withdraw.
    bool Enqueue(std::unique_ptr<GatewayOperation> operation, QDeadlineTimer deadline, ReplyFn reply,
                 quint64* ticket = nullptr);
    // Takes an operation out before its turn; false when it has started or is gone.
    bool Withdraw(quint64 ticket);
    // Asks the running operation of that ticket to stop at its next safe point.
    bool CancelRunning(quint64 ticket);
    // Puts an operation before everything waiting (work that must come first).
    void PushFront(std::unique_ptr<GatewayOperation> operation, ReplyFn reply);
    // The program is ending: nothing waiting starts any more, and a running
    // job stops at its next safe point (a receipt goes on to its end).
    void Stop();

  private:
    struct Entry {
        quint64 Ticket = 0;
        std::unique_ptr<GatewayOperation> Operation;
        QDeadlineTimer Deadline;
        ReplyFn Reply;
    };
    void Pump();
    void SchedulePump();

    RegisterSession& m_session;
    std::deque<Entry> m_waiting;
    GatewayOperation* m_running = nullptr;
    ReplyFn m_runningReply;
    quint64 m_runningTicket = 0;
    QElapsedTimer m_runningSince;
    double m_averageMs = 0;
    int m_capacity = DefaultCapacity;
    quint64 m_nextTicket = 1;
    bool m_pumpScheduled = false;
    bool m_stopped = false;
    // Looks again, while the session is busy with an exchange of its own.
    QTimer m_idleWait;
};
