#include "gateway/SettleOperation.h"

#include "gateway/StatusOperation.h"
#include "protocol/ReplyDispatcher.h"
#include "sales/StatusReplies.h"
#include "serial/TRS232Form.h"
#include "session/RegisterSession.h"

SettleOperation::SettleOperation(RequestLog& log, RequestLog::Entry entry, int statusTimeoutMs,
                                 QObject* parent)
    : GatewayOperation(parent), m_log(log), m_entry(std::move(entry)) {
    m_timer.setSingleShot(true);
    m_timer.setInterval(statusTimeoutMs);
    for (const QJsonValue& v : m_entry.Steps) {
        const QJsonObject step = v.toObject();
        const QJsonObject record = step["record"].toObject();
        if (step.contains("line") && step.contains("record")) {
            m_lines.append(record);
        } else if (step.contains("adjustment") && !m_lines.isEmpty()) {
            QJsonObject line = m_lines.last().toObject();
            line.insert("adjustment", step["adjustment"]);
            m_lines.replace(m_lines.size() - 1, line);
        } else if (record["code"] == QLatin1String("@")) {
            m_receiptNumber = record["receiptNumber"];
        } else if (record["code"] == QLatin1String("O")) {
            m_close = record;
        } else if (step["sent"] == QLatin1String("payment")) {
            m_paymentSent = true;
        }
    }
}

void SettleOperation::Start(RegisterSession& session) {
    if (!m_close.isEmpty()) {
        Settle(
            201, {},
            QStringLiteral("the receipt was completed before the restart: its close record is in the log"));
        return;
    }
    if (!session.Dispatcher().IsOpen() && !session.Dispatcher().EnsurePortOpen()) {
        m_done = true;
        emit Finished(
            {503, QJsonObject{{"error", "the register's line cannot be opened; the interrupted request "
                                        "stays unsettled"}}});
        return;
    }
    m_connection =
        connect(&session.Status(), &StatusReplies::ReceiptStateReceived, this, &SettleOperation::State);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        disconnect(m_connection);
        m_done = true;
        emit Finished(
            {504, QJsonObject{{"error", "the register did not answer the receipt status; the interrupted "
                                        "request stays unsettled"}}});
    });
    m_timer.start();
    session.RS232().SendFrame({'V'});
}

void SettleOperation::State(quint8 state) {
    if (m_done)
        return;
    m_timer.stop();
    disconnect(m_connection);
    if (state == 'O' && m_paymentSent) {
        Settle(
            201, {},
            QStringLiteral("the payment had been sent and the register is outside a receipt: the receipt was "
                           "closed, but its close record was not received"));
    } else if (state == 'O' && m_lines.isEmpty()) {
        Settle(500, {{"error", "the request was interrupted by a restart before anything was sold"}},
               QStringLiteral("the register is outside a receipt and nothing was sold"));
    } else if (state == 'O') {
        Settle(500,
               {{"error", "the request was interrupted by a restart and the receipt was closed without its "
                          "payment"}},
               QStringLiteral("the register is outside a receipt, no payment had been sent"));
    } else {
        Settle(500,
               {{"error", "the request was interrupted by a restart; its receipt is still open on the "
                          "register and was not completed"},
                {"receiptStatus", ReceiptStateName(state)}},
               QStringLiteral("the register is inside the interrupted receipt; nothing further was sent"));
    }
}

void SettleOperation::Settle(int status, QJsonObject outcome, const QString& how) {
    m_done = true;
    outcome.insert("settled", how);
    outcome.insert("key", m_entry.Key);
    outcome.insert(status == 201 ? "lines" : "sold", m_lines);
    if (status == 201) {
        outcome.insert("receiptNumber",
                       m_close.contains("receiptNumber") ? m_close["receiptNumber"] : m_receiptNumber);
        for (const char* f : {"total", "pieces", "date", "time", "registerNumber"})
            outcome.insert(f, m_close.contains(f) ? m_close[f] : QJsonValue());
    } else {
        outcome.insert("receiptNumber", m_receiptNumber.isUndefined() ? QJsonValue() : m_receiptNumber);
        outcome.insert("receiptOpen", outcome.contains("receiptStatus"));
    }
    m_log.Finish(
        m_entry.Register, m_entry.Key, status, outcome, this, [this, status, outcome](bool written) mutable {
            if (!written)
                outcome.insert("logWarning", "the settled outcome could not be written to the request log");
            emit Finished({status, outcome});
        });
}
