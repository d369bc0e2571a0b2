#include "gateway/ReceiptOperation.h"

#include "gateway/JournalJson.h"
#include "gateway/RequestLog.h"
#include "gateway/StatusOperation.h"
#include "monitor/JournalMonitor.h"
#include "protocol/ReplyDispatcher.h"
#include "sales/SaleReplies.h"
#include "sales/StatusReplies.h"
#include "serial/TRS232Form.h"
#include "session/RegisterSession.h"

#include <span>

namespace {

bool IsAdjustmentRecord(uint8_t code) {
    return code >= 'C' && code <= 'F';
}

} // namespace

qint64 ReceiptAmountOf(const QJsonObject& record) {
    return SignedAmount(JournalRecordFromJson(record));
}

ReceiptOperation::ReceiptOperation(RequestLog& log, QString registerId, QString key, QJsonValue body,
                                   ReceiptPlan plan, int charset, ReceiptTimeouts timeouts, QObject* parent)
    : GatewayOperation(parent), m_log(log), m_register(std::move(registerId)), m_key(std::move(key)),
      m_body(std::move(body)), m_plan(std::move(plan)), m_charset(charset), m_timeouts(timeouts) {
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &ReceiptOperation::TimedOut);
}

void ReceiptOperation::Start(RegisterSession& session) {
    m_session = &session;
    if (!session.Dispatcher().IsOpen() && !session.Dispatcher().EnsurePortOpen()) {
        End({503, QJsonObject{{"error", "the register's line cannot be opened; nothing was sent"}}});
        return;
    }
    m_connections << connect(&session.Journal(), &JournalMonitor::RecordDecoded, this,
                             &ReceiptOperation::Record);
    m_connections << connect(&session.Status(), &StatusReplies::ReceiptStateReceived, this,
                             &ReceiptOperation::ReceiptState);
    m_connections << connect(&session.Status(), &StatusReplies::ErrorStatusReceived, this,
                             [this](quint8 status, const QString&) { ErrorStatus(status); });
    if (m_resume) {
        m_begun = m_beginAnswered = true;
        m_next = m_resume->Next;
        m_expected = m_resume->Expected;
        m_lines = m_resume->Lines;
        m_receiptNumber = m_resume->ReceiptNumber;
        SendStep();
        return;
    }
    // A receipt the register holds open already is someone else's: ours would
    // be mixed into it. The request goes into the log meanwhile.
    m_log.Begin(m_register, m_key, m_body, this, [this](bool written) {
        m_beginAnswered = true;
        m_begun = written;
        FirstStep();
    });
    if (m_timeouts.DurableSteps)
        m_log.AddStep(m_register, m_key, {{"durableSteps", true}});
    if (m_stage == Stage::CheckStatus)
        Ask('V', Stage::CheckStatus);
}

void ReceiptOperation::FirstStep() {
    if (m_stage != Stage::CheckStatus || !m_beginAnswered || m_outsideState == 0)
        return;
    if (m_outsideState != 'O') {
        const GatewayReply refusal{
            409, QJsonObject{{"error", "a receipt is open on the register already; nothing was sent"},
                             {"receiptStatus", ReceiptStateName(uint8_t(m_outsideState))}}};
        if (m_begun)
            Withdraw(refusal);
        else
            End(refusal);
        return;
    }
    if (!m_begun) {
        End({500, QJsonObject{{"error", "the request log cannot be written; nothing was sent"}}});
        return;
    }
    m_next = 0;
    m_asks = 0;
    SendStep();
}

void ReceiptOperation::Ask(uint8_t code, Stage stage) {
    m_stage = stage;
    m_timer.start(m_timeouts.StatusMs);
    m_session->RS232().SendFrame({code});
}

void ReceiptOperation::Log(const QJsonObject& step) {
    m_log.AddStep(m_register, m_key, step, this,
                  [this](bool written) { m_logFailed = m_logFailed || !written; });
}

void ReceiptOperation::SendStep() {
    const ReceiptStep& step = m_plan.Steps[m_next];
    const bool paymentNext =
        m_next + 1 < m_plan.Steps.size() && m_plan.Steps[m_next + 1].What == ReceiptStep::Kind::Payment;
    if ((paymentNext || step.What == ReceiptStep::Kind::Payment) && !m_paymentLogAsked) {
        // Settling after a crash must know whether a payment may have left.
        m_paymentLogAsked = true;
        m_log.AddStep(m_register, m_key, {{"sent", "payment"}}, this, [this](bool written) {
            m_paymentLogged = written;
            if (!written && m_stage != Stage::Done) {
                m_timer.stop();
                m_stage = Stage::WaitRecord;
                Fail(500, QStringLiteral("the request log cannot be written, so the payment was not sent"));
                return;
            }
            if (m_waitingForPaymentLog) {
                m_waitingForPaymentLog = false;
                SendStep();
            }
        });
    }
    if (step.What == ReceiptStep::Kind::Payment && !m_paymentLogged) {
        m_waitingForPaymentLog = true;
        return;
    }
    m_stage = Stage::WaitRecord;
    m_timer.start(m_timeouts.StepMs);
    m_session->RS232().SendFrame(std::span(step.Frame));
    // A payment that leaves something to pay closes nothing and so has no
    // record: the receipt status says whether it was taken.
    if (step.What == ReceiptStep::Kind::Payment && !step.LastPayment)
        Ask('V', Stage::PaymentState);
}

void ReceiptOperation::Confirmed(const QJsonObject& step) {
    m_timer.stop();
    ++m_next;
    m_asks = 0;
    m_resends = 0;
    m_paymentCheckState = 0;
    if (!m_timeouts.DurableSteps) {
        Log(step);
        if (m_next < m_plan.Steps.size())
            SendStep();
        return;
    }
    m_stage = Stage::Logging;
    m_log.AddStep(m_register, m_key, step, this, [this](bool written) {
        if (m_stage != Stage::Logging)
            return;
        if (!written) {
            --m_next;
            m_stage = Stage::WaitRecord;
            Fail(500, QStringLiteral("the request log cannot be written, so nothing after %1 was sent")
                          .arg(m_plan.Steps[m_next].Field));
            return;
        }
        if (m_next < m_plan.Steps.size())
            SendStep();
    });
}

void ReceiptOperation::Record(const JournalRecord& decoded) {
    if (m_stage == Stage::CheckStatus || m_stage == Stage::Logging || m_stage == Stage::Done)
        return;
    const uint8_t code = decoded.Code;
    const QJsonObject record = JournalRecordJson(decoded, m_charset);
    if (code == '@') {
        m_receiptNumber = record["receiptNumber"];
        Log({{"record", record}});
        return;
    }
    if (m_next >= m_plan.Steps.size())
        return;
    const ReceiptStep& step = m_plan.Steps[m_next];
    if (code == 'O') {
        // The register closes the receipt when it is paid, whichever payment that is.
        if (step.What != ReceiptStep::Kind::Payment)
            return;
        m_timer.stop();
        Log({{"record", record}});
        ++m_paymentsTaken;
        Complete(record);
        return;
    }
    if (code == 'L' && m_stage == Stage::Verify) {
        m_timer.stop();
        const qint64 diff = decoded.Amount.value_or(0) - m_expected;
        if (step.What == ReceiptStep::Kind::Subtotal) {
            m_subtotal = record["amount"];
            Confirmed({{"subtotal", record}});
        } else if (diff == 0) {
            Resend(QStringLiteral("the subtotal shows it was not carried out"));
        } else {
            // Carried out, and its record lost on the way: the subtotal says by how much.
            m_expected += diff;
            QJsonObject line{{"plu", step.Plu},
                             {"line", step.Index},
                             {"amount", double(diff) / 100.0},
                             {"confirmedBy", "subtotal"}};
            if (step.What == ReceiptStep::Kind::Sale) {
                m_lines.append(line);
                Confirmed({{"line", step.Index}, {"record", line}});
            } else if (!m_lines.isEmpty()) {
                QJsonObject last = m_lines.last().toObject();
                last.insert("adjustment",
                            QJsonObject{{"amount", double(diff) / 100.0}, {"confirmedBy", "subtotal"}});
                m_lines.replace(m_lines.size() - 1, last);
                Confirmed({{"line", step.Index}, {"adjustment", last["adjustment"]}});
            }
        }
        return;
    }
    if (step.What == ReceiptStep::Kind::Sale && IsSaleRecord(code)) {
        QJsonObject line = record;
        line.remove("seq");
        line.insert("plu", step.Plu);
        line.insert("line", step.Index);
        m_lines.append(line);
        m_expected += SignedAmount(decoded);
        Confirmed({{"line", step.Index}, {"record", line}});
    } else if (step.What == ReceiptStep::Kind::Adjustment && IsAdjustmentRecord(code) && !m_lines.isEmpty()) {
        QJsonObject line = m_lines.last().toObject();
        line.insert("adjustment", record);
        m_lines.replace(m_lines.size() - 1, line);
        m_expected += SignedAmount(decoded);
        Confirmed({{"line", step.Index}, {"adjustment", record}});
    } else if (step.What == ReceiptStep::Kind::Subtotal && code == 'L') {
        m_subtotal = record["amount"];
        Confirmed({{"subtotal", record}});
    }
}

void ReceiptOperation::Resend(const QString& why) {
    const ReceiptStep& step = m_plan.Steps[m_next];
    if (m_resends >= MaxResends) {
        Fail(502, QStringLiteral("%1 was sent %2 times and not carried out (%3); nothing more was sent")
                      .arg(step.Field)
                      .arg(m_resends + 1)
                      .arg(why));
        return;
    }
    ++m_resends;
    m_asks = 0;
    Log({{"resent", step.Field}, {"why", why}});
    SendStep();
}

void ReceiptOperation::AskAgain(uint8_t code, const QString& what) {
    if (m_asks >= MaxAsks) {
        Fail(504,
             QStringLiteral("the register did not confirm %1 and did not answer %2; nothing more was sent")
                 .arg(m_plan.Steps[m_next].Field, what));
        return;
    }
    ++m_asks;
    Ask(code, m_stage);
}

void ReceiptOperation::ReceiptState(quint8 state) {
    if (m_stage == Stage::CheckStatus) {
        if (m_outsideState != 0)
            return;
        m_timer.stop();
        m_outsideState = state == 0 ? ' ' : state;
        FirstStep();
        return;
    }
    if (m_stage == Stage::PaymentCheck) {
        m_timer.stop();
        const ReceiptStep& step = m_plan.Steps[m_next];
        if (state == 'O') {
            // Closed, and its record lost on the way.
            ++m_paymentsTaken;
            Complete(
                {{"total", double(m_expected) / 100.0}},
                QStringLiteral("the register closed the receipt, but its close record was not received"));
            return;
        }
        m_paymentCheckState = state;
        // Still open: whether the payment was lost shows only where nothing
        // was paid before it, or where it was to pay the rest.
        if (state == 'I' || (state == 'P' && step.PaysTheRest))
            Ask('X', Stage::AskError);
        else
            Fail(502, QStringLiteral(
                          "the register did not close the receipt after %1 and it cannot be told whether "
                          "the payment was taken; nothing more was sent")
                          .arg(step.Field));
        return;
    }
    if (m_stage != Stage::PaymentState)
        return;
    m_timer.stop();
    if (state == 'P') {
        ++m_paymentsTaken;
        Confirmed({{"payment", m_plan.Steps[m_next].Index}});
    } else if (state == 'O') {
        ++m_paymentsTaken;
        Complete({{"total", double(m_expected) / 100.0}},
                 QStringLiteral("the register closed the receipt, but its close record was not received"));
    } else {
        m_paymentCheckState = state;
        Ask('X', Stage::AskError);
    }
}

void ReceiptOperation::ErrorStatus(quint8 status) {
    if (m_stage != Stage::AskError)
        return;
    m_timer.stop();
    const ReceiptStep& step = m_plan.Steps[m_next];
    if (!IsNoError(status)) {
        Fail(422, QStringLiteral("the register refused %1").arg(step.Field),
             {{"registerError", RegisterErrorJson(status)}});
        return;
    }
    m_asks = 0;
    if (step.What != ReceiptStep::Kind::Payment) {
        // No error, no record: the subtotal tells whether the step was carried out.
        if (!step.Resendable) {
            Fail(502, QStringLiteral(
                          "the register did not confirm %1 and reports no error: it may or may not have "
                          "been carried out; nothing more was sent")
                          .arg(step.Field));
            return;
        }
        Ask('L', Stage::Verify);
        m_timer.start(m_timeouts.StepMs);
        return;
    }
    // A payment the receipt status showed was not taken.
    if (m_paymentCheckState == 'I' && NothingPaidYet())
        Resend(QStringLiteral("the receipt status shows no payment"));
    else if (m_paymentCheckState == 'P' && step.PaysTheRest)
        Resend(QStringLiteral("the receipt status shows the rest unpaid"));
    else
        Fail(502, QStringLiteral("the register did not take %1 and reports no error; nothing more was sent")
                      .arg(step.Field));
}

void ReceiptOperation::TimedOut() {
    switch (m_stage) {
    case Stage::CheckStatus:
        if (m_asks < MaxAsks) {
            ++m_asks;
            Ask('V', Stage::CheckStatus);
            return;
        }
        m_log.Forget(m_register, m_key);
        End({504,
             QJsonObject{{"error", "the register did not answer the receipt status; nothing was sent"}}});
        break;
    case Stage::WaitRecord:
        if (m_plan.Steps[m_next].What == ReceiptStep::Kind::Payment)
            Ask('V', Stage::PaymentCheck);
        else
            Ask('X', Stage::AskError);
        break;
    case Stage::PaymentState:
    case Stage::PaymentCheck:
        AskAgain('V', QStringLiteral("the receipt status"));
        break;
    case Stage::AskError:
        AskAgain('X', QStringLiteral("the error status"));
        break;
    case Stage::Verify:
        AskAgain('L', QStringLiteral("the subtotal"));
        break;
    case Stage::Logging:
    case Stage::Done:
        break;
    }
}

void ReceiptOperation::Complete(const QJsonObject& close, const QString& note) {
    QJsonObject outcome{
        {"receiptNumber", close.contains("receiptNumber") ? close["receiptNumber"] : m_receiptNumber},
        {"total", close.contains("total") ? close["total"] : QJsonValue()},
        {"pieces", close.contains("pieces") ? close["pieces"] : QJsonValue()},
        {"date", close.contains("date") ? close["date"] : QJsonValue()},
        {"time", close.contains("time") ? close["time"] : QJsonValue()},
        {"registerNumber", close.contains("registerNumber") ? close["registerNumber"] : QJsonValue()},
        {"lines", m_lines},
        {"key", m_key}};
    if (!m_subtotal.isNull() && !m_subtotal.isUndefined())
        outcome.insert("subtotal", m_subtotal);
    int paymentsPlanned = 0;
    for (const ReceiptStep& s : m_plan.Steps)
        paymentsPlanned += s.What == ReceiptStep::Kind::Payment ? 1 : 0;
    if (m_paymentsTaken < paymentsPlanned)
        outcome.insert("paymentsNotNeeded", paymentsPlanned - m_paymentsTaken);
    if (!note.isEmpty())
        outcome.insert("note", note);
    Close(201, outcome);
}

void ReceiptOperation::Fail(int status, const QString& message, const QJsonObject& extra) {
    QJsonObject outcome = extra;
    const ReceiptStep& step = m_plan.Steps[m_next];
    outcome.insert("error", message);
    outcome.insert("field", step.Field);
    if (step.What == ReceiptStep::Kind::Sale || step.What == ReceiptStep::Kind::Adjustment)
        outcome.insert("line", step.Index);
    outcome.insert("sold", m_lines);
    outcome.insert("receiptNumber", m_receiptNumber.isUndefined() ? QJsonValue() : m_receiptNumber);
    outcome.insert("receiptOpen", !m_lines.isEmpty());
    outcome.insert("key", m_key);
    Close(status, outcome);
}

void ReceiptOperation::Close(int status, QJsonObject outcome) {
    if (m_resume)
        outcome.insert("settled", m_resume->Settled);
    m_stage = Stage::Done;
    m_timer.stop();
    for (const QMetaObject::Connection& c : m_connections)
        disconnect(c);
    m_log.Finish(m_register, m_key, status, outcome, this, [this, status, outcome](bool written) mutable {
        if (m_logFailed)
            outcome.insert("logWarning", "some steps could not be written to the request log");
        if (!written)
            outcome.insert("logWarning", "the outcome could not be written to the request log");
        End({status, outcome});
    });
}

void ReceiptOperation::Withdraw(const GatewayReply& reply) {
    m_stage = Stage::Done;
    m_timer.stop();
    for (const QMetaObject::Connection& c : m_connections)
        disconnect(c);
    // Answered once the key is free again, so that a retry finds it so.
    m_log.Forget(m_register, m_key, this, [this, reply](bool) { End(reply); });
}

void ReceiptOperation::End(const GatewayReply& reply) {
    m_stage = Stage::Done;
    m_timer.stop();
    for (const QMetaObject::Connection& c : m_connections)
        disconnect(c);
    emit Finished(reply);
}
