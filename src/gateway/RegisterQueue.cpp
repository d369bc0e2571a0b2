#include "gateway/RegisterQueue.h"

#include "session/RegisterSession.h"

#include <QJsonObject>
#include <QTimer>
#include <cmath>

RegisterQueue::RegisterQueue(RegisterSession& session, QObject* parent)
    : QObject(parent), m_session(session) {
    m_idleWait.setSingleShot(true);
    m_idleWait.setInterval(20);
    connect(&m_idleWait, &QTimer::timeout, this, &RegisterQueue::Pump);
}

RegisterQueue::~RegisterQueue() {
    if (m_running)
        m_session.ReleaseLine();
    delete m_running;
}

int RegisterQueue::RetryAfterSeconds() const {
    const double ms = std::max(m_averageMs, 100.0) * double(m_waiting.size() + 1);
    return std::max(1, int(std::ceil(ms / 1000.0)));
}

bool RegisterQueue::Enqueue(std::unique_ptr<GatewayOperation> operation, QDeadlineTimer deadline,
                            ReplyFn reply, quint64* ticket) {
    if (int(m_waiting.size()) >= m_capacity)
        return false;
    const quint64 t = m_nextTicket++;
    if (ticket)
        *ticket = t;
    m_waiting.push_back({t, std::move(operation), deadline, std::move(reply)});
    SchedulePump();
    return true;
}

void RegisterQueue::PushFront(std::unique_ptr<GatewayOperation> operation, ReplyFn reply) {
    m_waiting.push_front(
        {m_nextTicket++, std::move(operation), QDeadlineTimer(QDeadlineTimer::Forever), std::move(reply)});
    SchedulePump();
}

bool RegisterQueue::Withdraw(quint64 ticket) {
    for (auto it = m_waiting.begin(); it != m_waiting.end(); ++it) {
        if (it->Ticket == ticket) {
            m_waiting.erase(it);
            return true;
        }
    }
    return false;
}

bool RegisterQueue::CancelRunning(quint64 ticket) {
    if (!m_running || m_runningTicket != ticket)
        return false;
    m_running->Cancel();
    return true;
}

void RegisterQueue::Stop() {
    m_stopped = true;
    m_idleWait.stop();
    if (m_running)
        m_running->Cancel();
}

void RegisterQueue::SchedulePump() {
    if (m_pumpScheduled)
        return;
    m_pumpScheduled = true;
    // Never from inside a caller's stack: an operation may finish within its Start.
    QTimer::singleShot(0, this, [this] {
        m_pumpScheduled = false;
        Pump();
    });
}

void RegisterQueue::Pump() {
    while (!m_stopped && !m_running && !m_waiting.empty()) {
        if (m_waiting.front().Deadline.hasExpired()) {
            Entry entry = std::move(m_waiting.front());
            m_waiting.pop_front();
            if (entry.Reply)
                entry.Reply({504, QJsonObject{{"error", "the request waited past its Request-Timeout and was "
                                                        "dropped before it started; nothing was sent"}}});
            continue;
        }
        // The line carries one exchange at a time: one the window (or anyone
        // else on the session) has under way goes first.
        if (!m_session.LineIdle()) {
            m_idleWait.start();
            return;
        }
        Entry entry = std::move(m_waiting.front());
        m_waiting.pop_front();
        GatewayOperation* op = entry.Operation.release();
        m_session.TakeLine(QStringLiteral("gateway"));
        m_running = op;
        m_runningReply = std::move(entry.Reply);
        m_runningTicket = entry.Ticket;
        m_runningSince.start();
        connect(op, &GatewayOperation::Finished, this, [this, op](const GatewayReply& reply) {
            if (m_running != op)
                return;
            const double ms = double(m_runningSince.elapsed());
            m_averageMs = m_averageMs == 0 ? ms : 0.8 * m_averageMs + 0.2 * ms;
            ReplyFn fn = std::move(m_runningReply);
            m_running = nullptr;
            m_session.ReleaseLine();
            op->deleteLater();
            if (fn)
                fn(reply);
            SchedulePump();
        });
        op->Start(m_session);
    }
}
