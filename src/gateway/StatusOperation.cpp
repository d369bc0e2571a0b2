#include "gateway/StatusOperation.h"

#include "protocol/ReplyDispatcher.h"
#include "sales/SaleReplies.h"
#include "sales/StatusReplies.h"
#include "serial/TRS232Form.h"
#include "session/RegisterSession.h"

#include <array>

QJsonObject RegisterErrorJson(uint8_t status) {
    QJsonObject o{{"status", int(status)}};
    if (IsNoError(status))
        return o;
    const std::array<uint8_t, 2> reply{ErrorStatusCode, status};
    o.insert("code", QStringLiteral("E%1").arg(status, 2, 16, QLatin1Char('0')).toUpper());
    o.insert("text", DecodeErrorStatus(reply, 0).value_or(QString()));
    o.insert("textSr", DecodeErrorStatus(reply, 1).value_or(QString()));
    return o;
}

QString ReceiptStateName(uint8_t state) {
    switch (state) {
    case 'I':
        return QStringLiteral("inside");
    case 'O':
        return QStringLiteral("outside");
    case 'P':
        return QStringLiteral("payment");
    default:
        return QString();
    }
}

StatusOperation::StatusOperation(int answerTimeoutMs, QObject* parent) : GatewayOperation(parent) {
    m_timer.setSingleShot(true);
    m_timer.setInterval(answerTimeoutMs);
    connect(&m_timer, &QTimer::timeout, this, &StatusOperation::Next);
}

void StatusOperation::Start(RegisterSession& session) {
    m_session = &session;
    if (!session.Dispatcher().IsOpen() && !session.Dispatcher().EnsurePortOpen()) {
        emit Finished({503, QJsonObject{{"error", "the register's line cannot be opened"}}});
        return;
    }
    m_connections << connect(&session.Status(), &StatusReplies::ReceiptStateReceived, this, [this](quint8 s) {
        if (m_stage != 0)
            return;
        m_result.insert("receiptStatus", ReceiptStateName(s).isEmpty() ? QJsonValue() : ReceiptStateName(s));
        m_anyAnswer = true;
        Next();
    });
    m_connections << connect(&session.Status(), &StatusReplies::ErrorStatusReceived, this,
                             [this](quint8 status, const QString&) {
                                 if (m_stage != 1)
                                     return;
                                 m_result.insert("lastError", RegisterErrorJson(status));
                                 m_anyAnswer = true;
                                 Next();
                             });
    m_connections << connect(
        &session.Dispatcher(), &ReplyDispatcher::ClockDecoded, this, [this](const RegisterClock& c) {
            if (m_stage != 2)
                return;
            m_result.insert("clock", QString::asprintf("%04d-%02d-%02dT%02d:%02d:%02d", c.Year, c.Month,
                                                       c.Day, c.Hour, c.Minute, c.Second));
            m_anyAnswer = true;
            Next();
        });
    m_result =
        QJsonObject{{"receiptStatus", QJsonValue()}, {"lastError", QJsonValue()}, {"clock", QJsonValue()}};
    Ask('V');
}

void StatusOperation::Ask(uint8_t code) {
    m_timer.start();
    m_session->RS232().SendFrame({code});
}

void StatusOperation::Next() {
    if (m_finished)
        return;
    m_timer.stop();
    ++m_stage;
    if (m_stage == 1)
        Ask('X');
    else if (m_stage == 2)
        Ask('Q');
    else
        Done();
}

void StatusOperation::Done() {
    m_finished = true;
    for (const QMetaObject::Connection& c : m_connections)
        disconnect(c);
    if (!m_anyAnswer) {
        emit Finished({504, QJsonObject{{"error", "the register did not answer"}}});
        return;
    }
    emit Finished({200, m_result});
}
