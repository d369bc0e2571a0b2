#pragma once

#include "gateway/GatewayOperation.h"
#include "gateway/RequestLog.h"

#include <QList>
#include <QMetaObject>
#include <QTimer>

// A receipt request that a crash cut short, settled before the register takes
// new work: from the steps the log holds and the register's receipt status,
// never by sending a sale again. The outcome it writes says how it was settled.
class SettleOperation : public GatewayOperation {
    Q_OBJECT
  public:
    SettleOperation(RequestLog& log, RequestLog::Entry entry, int statusTimeoutMs, QObject* parent = nullptr);
    void Start(RegisterSession& session) override;

  private:
    void Settle(int status, QJsonObject outcome, const QString& how);
    void State(quint8 state);

    RequestLog& m_log;
    RequestLog::Entry m_entry;
    QTimer m_timer;
    QMetaObject::Connection m_connection;
    bool m_done = false;
    QJsonArray m_lines;
    QJsonObject m_close;
    QJsonValue m_receiptNumber;
    bool m_paymentSent = false;
};
