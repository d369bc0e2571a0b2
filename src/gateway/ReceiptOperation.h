#pragma once

#include "gateway/GatewayOperation.h"
#include "gateway/ReceiptRequest.h"
#include "monitor/JournalRecord.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QMetaObject>
#include <QTimer>
#include <cstdint>
#include <optional>

class RequestLog;

// What a journal record, in the JSON form the request log keeps, adds to the
// receipt's amount in hundredths (SignedAmount of the record).
[[nodiscard]] qint64 ReceiptAmountOf(const QJsonObject& record);

// Where a receipt a restart interrupted goes on from: the steps confirmed
// before it, as the log holds them, and the receipt's amount they make.
struct ReceiptResume {
    size_t Next = 0;
    qint64 Expected = 0;
    QJsonArray Lines;
    QJsonValue ReceiptNumber;
    // How it was settled, said in the outcome.
    QString Settled;
};

struct ReceiptTimeouts {
    // How long a step waits for the journal record that confirms it.
    int StepMs = 3000;
    // How long a status request waits for its reply.
    int StatusMs = 2000;
    // Each confirmed step is on the disk before the next one leaves, so that
    // after a crash at most one step is not in the log, and the receipt's
    // subtotal tells whether it was carried out. Without it the line never
    // waits for the disk, and a receipt a crash left open may not be told
    // apart from its log.
    bool DurableSteps = true;
};

// One receipt, sent step by step: nothing leaves before the register says it
// is outside a receipt and the request is in the log; each step waits for
// its own journal record before the next one leaves. A step without its
// record is never sent again on trust: the register's error status fails the
// request, and with no error the receipt's subtotal (or, for the payment, the
// receipt status) shows whether the step was carried out and its record lost,
// or never arrived, the one case it is sent again. The answer is built from
// the records, not from the request.
class ReceiptOperation : public GatewayOperation {
    Q_OBJECT
  public:
    ReceiptOperation(RequestLog& log, QString registerId, QString key, QJsonValue body, ReceiptPlan plan,
                     int charset, ReceiptTimeouts timeouts, QObject* parent = nullptr);
    // Goes on with an interrupted receipt (already in the log, the register
    // inside it) instead of beginning one.
    void SetResume(const ReceiptResume& resume) { m_resume = resume; }
    void Start(RegisterSession& session) override;

  private:
    enum class Stage { CheckStatus, WaitRecord, PaymentState, AskError, Verify, PaymentCheck, Logging, Done };
    // Status questions asked again when their answer is lost, and steps sent
    // again once shown not to have been carried out.
    static constexpr int MaxAsks = 3;
    static constexpr int MaxResends = 2;

    void Record(const JournalRecord& decoded);
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
    // Takes the request out of the log (nothing of it was sent), then answers.
    void Withdraw(const GatewayReply& reply);
    void Log(const QJsonObject& step);
    void FirstStep();
    void AskAgain(uint8_t code, const QString& what);
    void Resend(const QString& why);
    [[nodiscard]] bool NothingPaidYet() const { return m_paymentsTaken == 0; }

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
    std::optional<ReceiptResume> m_resume;
    // The receipt's amount so far by the confirmed records, in hundredths.
    qint64 m_expected = 0;
    int m_asks = 0;
    int m_resends = 0;
    // The state the receipt status reported for an unconfirmed payment.
    quint8 m_paymentCheckState = 0;
};
