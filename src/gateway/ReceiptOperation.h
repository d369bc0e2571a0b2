#pragma once

#include "gateway/GatewayOperation.h"
#include "gateway/ReceiptRequest.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QMetaObject>
#include <QTimer>
#include <cstdint>

class RequestLog;

struct ReceiptTimeouts {
    // How long a step waits for the journal record that confirms it.
    int StepMs = 3000;
    // How long a status request waits for its reply.
    int StatusMs = 2000;
};

// One receipt, sent step by step: nothing leaves before the register says it
// is outside a receipt and the request is in the log; each step waits for
// its own journal record before the next one leaves, and a step without its
// record is never sent again: the register's error status decides how the
// request fails. The answer is built from the records, not from the request.
class ReceiptOperation : public GatewayOperation {
    Q_OBJECT
  public:
    ReceiptOperation(RequestLog& log, QString registerId, QString key, QJsonValue body, ReceiptPlan plan,
                     int charset, ReceiptTimeouts timeouts, QObject* parent = nullptr);
    void Start(RegisterSession& session) override;

  private:
    enum class Stage { CheckStatus, WaitRecord, PaymentState, AskError, Done };

    void Record(const QByteArray& payload);
    void ReceiptState(quint8 state);
    void ErrorStatus(quint8 status);
    void TimedOut();
    void SendStep();
    void Confirmed(const QJsonObject& step);
    void Ask(uint8_t code, Stage stage);
    void Complete(const QJsonObject& close, const QString& note = {});
    void Fail(int status, const QString& message, const QJsonObject& extra = {});
    // Writes the outcome and answers once it is on the disk.
    void Close(int status, QJsonObject outcome);
    void End(const GatewayReply& reply);
    void Log(const QJsonObject& step);
    void FirstStep();

    RequestLog& m_log;
    QString m_register;
    QString m_key;
    QJsonValue m_body;
    ReceiptPlan m_plan;
    int m_charset;
    ReceiptTimeouts m_timeouts;
    RegisterSession* m_session = nullptr;
    QList<QMetaObject::Connection> m_connections;
    QTimer m_timer;
    Stage m_stage = Stage::CheckStatus;
    size_t m_next = 0;
    // The request is in the log (m_begun) and the register said it is outside
    // a receipt: both before the first sale leaves.
    bool m_begun = false;
    bool m_beginAnswered = false;
    int m_outsideState = 0;
    // The log says the payment may be sent; written while the last step
    // before it is on the line.
    bool m_paymentLogged = false;
    bool m_paymentLogAsked = false;
    bool m_waitingForPaymentLog = false;
    bool m_logFailed = false;
    QJsonValue m_receiptNumber;
    QJsonArray m_lines;
    QJsonValue m_subtotal;
    int m_paymentsTaken = 0;
};
