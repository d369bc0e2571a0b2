#include "gateway/ReportOperation.h"

#include "gateway/GatewayMessages.h"
#include "gateway/GatewayReplies.h"
#include "history/ReportJson.h"
#include "reports/DailyReports.h"
#include "reports/ReportDecoder.h"
#include "session/RegisterSession.h"

ReportOperation::ReportOperation(uint8_t code, std::vector<int> operators, QObject* parent)
    : GatewayOperation(parent), m_code(code), m_operators(std::move(operators)) {}

void ReportOperation::Start(RegisterSession& session) {
    m_session = &session;
    if (m_code == OperatorReportCode && m_operators.empty()) {
        FinishOnce({200, QJsonObject{{"operators", QJsonArray()}}});
        return;
    }
    if (auto refusal = LinkRefusal(session)) {
        FinishOnce(*refusal);
        return;
    }
    DailyReports& reports = session.Reports();
    Watch(connect(&reports, &DailyReports::ReportReceived, this, &ReportOperation::Received));
    Watch(connect(&reports, &DailyReports::ReportUnanswered, this, &ReportOperation::Unanswered));
    Ask();
}

void ReportOperation::Ask() {
    DailyReports& reports = m_session->Reports();
    const bool sent = m_code == OperatorReportCode ? reports.RequestOperator(m_operators[m_next])
                                                   : reports.RequestReport(m_code);
    // The port went between the check and the request.
    if (!sent)
        FinishOnce(PortClosedReply(*m_session));
}

void ReportOperation::Received(const QByteArray& payload) {
    if (HasFinished() || payload.isEmpty() || uint8_t(payload[0]) != m_code)
        return;
    const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(payload.constData()),
                                         size_t(payload.size()));
    ReportJsonForm form;
    form.MoneyInUnits = true;
    form.TextCharset = m_session->Settings().Charset;
    const std::optional<QJsonObject> figures = ReportFiguresJson(bytes, form);
    if (!figures) {
        FinishOnce(Failure(502, SessionText(*m_session, GatewayMessages::NotWholeReport)));
        return;
    }
    if (m_code != OperatorReportCode) {
        FinishOnce({200, *figures});
        return;
    }
    QJsonObject one = *figures;
    one.insert(QStringLiteral("operator"), m_operators[m_next]);
    m_answered.append(one);
    if (++m_next < m_operators.size()) {
        Ask();
        return;
    }
    FinishOnce({200, QJsonObject{{"operators", m_answered}}});
}

void ReportOperation::Unanswered(quint8 code) {
    if (HasFinished() || code != m_code)
        return;
    QJsonObject extra;
    if (m_code == OperatorReportCode) {
        extra.insert(QStringLiteral("operator"), m_operators[m_next]);
        extra.insert(QStringLiteral("operators"), m_answered);
    }
    FinishOnce(NoResponseReply(*m_session, extra));
}
