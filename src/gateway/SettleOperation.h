#pragma once

#include "gateway/GatewayOperation.h"
#include "gateway/ReceiptOperation.h"
#include "gateway/RequestLog.h"

#include <QList>
#include <QMetaObject>
#include <QTimer>

// A receipt request that a crash cut short, settled before the register takes
// new work: from the steps the log holds and the register's receipt status.
// A receipt the register holds open is completed from the step after the
// last one logged only when the receipt's subtotal is exactly what the logged
// steps make, so that no step is sent twice; otherwise nothing more is sent.
// The outcome it writes says how it was settled.
class SettleOperation : public GatewayOperation {
    Q_OBJECT
  public:
    SettleOperation(RequestLog& log, RequestLog::Entry entry, ReceiptTimeouts timeouts,
                    QObject* parent = nullptr);
    void Start(RegisterSession& session) override;

  private:
    void Settle(int status, QJsonObject outcome, const QString& how);
    void State(quint8 state);
    void Subtotal(qint64 amount);
    void StillOpen(quint8 state, const QString& why);

    RequestLog& m_log;
    RequestLog::Entry m_entry;
    QTimer m_timer;
    QMetaObject::Connection m_connection;
    bool m_done = false;
    QJsonArray m_lines;
    QJsonObject m_close;
    QJsonValue m_receiptNumber;
    bool m_paymentSent = false;
    ReceiptTimeouts m_timeouts;
    RegisterSession* m_session = nullptr;
    // Confirmed steps in the log and the amount they make, in hundredths.
    size_t m_confirmedSteps = 0;
    qint64 m_expected = 0;
    bool m_amountsKnown = true;
    // Each step was on the disk before the next left: one step at most is missing.
    bool m_durableSteps = false;
    quint8 m_state = 0;
    static constexpr int MaxAsks = 3;
    int m_asks = 0;
    uint8_t m_question = 'V';
};
