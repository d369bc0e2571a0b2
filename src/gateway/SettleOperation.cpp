#include "gateway/SettleOperation.h"

#include "gateway/StatusOperation.h"
#include "monitor/JournalMonitor.h"
#include "protocol/ReplyDispatcher.h"
#include "sales/StatusReplies.h"
#include "serial/TRS232Form.h"
#include "session/RegisterSession.h"

#include <cmath>
#include <span>

SettleOperation::SettleOperation(RequestLog& log, RequestLog::Entry entry, ReceiptTimeouts timeouts,
                                 QObject* parent)
    : GatewayOperation(parent), m_log(log), m_entry(std::move(entry)), m_timeouts(timeouts) {
    m_timer.setSingleShot(true);
    m_timer.setInterval(timeouts.StatusMs);
    for (const QJsonValue& v : m_entry.Steps) {
        const QJsonObject step = v.toObject();
        const QJsonObject record = step["record"].toObject();
        if (step.contains("line") || step.contains("subtotal") || step.contains("payment"))
            ++m_confirmedSteps;
        if (step["durableSteps"].toBool())
            m_durableSteps = true;
        if (step.contains("line") && step.contains("record")) {
            m_lines.append(record);
            if (record.contains("confirmedBy"))
                m_expected += std::llround(record["amount"].toDouble() * 100.0);
            else if (record.contains("price"))
                m_expected += ReceiptAmountOf(record);
            else
                m_amountsKnown = false;
        } else if (step.contains("adjustment") && !m_lines.isEmpty()) {
            const QJsonObject adjustment = step["adjustment"].toObject();
            m_expected += adjustment.contains("confirmedBy")
                              ? std::llround(adjustment["amount"].toDouble() * 100.0)
                              : ReceiptAmountOf(adjustment);
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
    m_session = &session;
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
        // A question or its answer lost on the line is asked again, a few times.
        if (m_asks < MaxAsks) {
            ++m_asks;
            m_timer.start();
            m_session->RS232().SendFrame({m_question});
            return;
        }
        disconnect(m_connection);
        m_done = true;
        emit Finished(
            {504,
             QJsonObject{{"error", "the register did not answer; the interrupted request stays unsettled"}}});
    });
    m_question = 'V';
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
    } else if ((m_paymentSent && state != 'I') || !m_amountsKnown) {
        // Inside the receipt with nothing paid, a payment that may have left was not taken.
        StillOpen(state, QStringLiteral("a payment may have been sent, so nothing further was sent"));
    } else {
        // Whether the receipt holds exactly the logged steps: its subtotal says.
        m_state = state;
        m_connection = connect(&m_session->Journal(), &JournalMonitor::RecordDecoded, this,
                               [this](const JournalRecord& record) {
                                   if (record.Code != 'L' || m_done)
                                       return;
                                   Subtotal(record.Amount.value_or(0));
                               });
        m_asks = 0;
        m_question = 'L';
        m_timer.start(m_timeouts.StepMs);
        m_session->RS232().SendFrame({'L'});
    }
}

void SettleOperation::StillOpen(quint8 state, const QString& why) {
    Settle(500,
           {{"error",
             "the request was interrupted by a restart; its receipt is still open on the register and was "
             "not completed"},
            {"receiptStatus", ReceiptStateName(state)}},
           QStringLiteral("the register is inside the interrupted receipt; ") + why);
}

void SettleOperation::Subtotal(qint64 amount) {
    m_timer.stop();
    disconnect(m_connection);
    const ReceiptContext context{&m_session->Table(), &m_session->Barcodes().Applied()};
    auto decoded = DecodeReceipt(m_entry.Body, context);
    auto* plan = std::get_if<ReceiptPlan>(&decoded);
    if (!plan || m_confirmedSteps >= plan->Steps.size() || !plan->Steps[m_confirmedSteps].Resendable) {
        StillOpen(m_state,
                  QStringLiteral("its next step cannot be told apart from one carried out, so nothing "
                                 "further was sent"));
        return;
    }
    size_t next = m_confirmedSteps;
    if (amount != m_expected) {
        // Only the one step after the logged ones can have been carried out
        // unlogged, and then the subtotal differs by what it added.
        const ReceiptStep& step = plan->Steps[next];
        if (!m_durableSteps || step.What == ReceiptStep::Kind::Subtotal ||
            (step.What == ReceiptStep::Kind::Adjustment && m_lines.isEmpty())) {
            StillOpen(m_state,
                      QStringLiteral("its subtotal is not what the logged steps make, so nothing further "
                                     "was sent"));
            return;
        }
        const double diff = double(amount - m_expected) / 100.0;
        if (step.What == ReceiptStep::Kind::Sale) {
            m_lines.append(QJsonObject{
                {"plu", step.Plu}, {"line", step.Index}, {"amount", diff}, {"confirmedBy", "subtotal"}});
        } else {
            QJsonObject last = m_lines.last().toObject();
            last.insert("adjustment", QJsonObject{{"amount", diff}, {"confirmedBy", "subtotal"}});
            m_lines.replace(m_lines.size() - 1, last);
        }
        m_expected = amount;
        ++next;
        if (next >= plan->Steps.size()) {
            StillOpen(m_state, QStringLiteral("its receipt has no payment to send"));
            return;
        }
    }
    m_done = true;
    ReceiptResume resume{
        next, m_expected, m_lines, m_receiptNumber,
        next == m_confirmedSteps
            ? QStringLiteral(
                  "the register was inside the interrupted receipt with exactly the logged steps on it; "
                  "it was completed from the step after them")
            : QStringLiteral(
                  "the register was inside the interrupted receipt with the logged steps and the one "
                  "after them on it (by its subtotal); it was completed from the step after that")};
    auto* rest = new ReceiptOperation(m_log, m_entry.Register, m_entry.Key, m_entry.Body, std::move(*plan),
                                      m_session->Settings().Charset, m_timeouts, this);
    rest->SetResume(resume);
    connect(rest, &GatewayOperation::Finished, this,
            [this](const GatewayReply& reply) { emit Finished(reply); });
    rest->Start(*m_session);
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
