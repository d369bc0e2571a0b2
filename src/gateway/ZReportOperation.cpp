#include "gateway/ZReportOperation.h"

#include "gateway/GatewayMessages.h"
#include "gateway/GatewayReplies.h"
#include "reports/DailyReports.h"
#include "session/RegisterSession.h"

#include <QJsonObject>

void ZReportOperation::Start(RegisterSession& session) {
    if (auto refusal = LinkRefusal(session)) {
        Finish(*refusal);
        return;
    }
    DailyReports& reports = session.Reports();
    m_connections.push_back(
        connect(&reports, &DailyReports::ZReportFinished, this, [this](quint8 status, const QString& line) {
            if (status == 0)
                Finish({200, QJsonObject{{"done", true}}});
            else
                Finish(Failure(422, line.isEmpty() ? QStringLiteral("Error %1").arg(status) : line,
                               {{"errorCode", int(status)}}));
        }));
    m_connections.push_back(connect(&reports, &DailyReports::ZReportUnanswered, this, [this, &session] {
        Finish(Failure(504, SessionText(session, GatewayMessages::ZUnanswered)));
    }));
    if (!reports.RunZReport())
        Finish(PortClosedReply(session));
}

void ZReportOperation::Finish(const GatewayReply& reply) {
    if (m_finished)
        return;
    m_finished = true;
    for (const QMetaObject::Connection& c : m_connections)
        disconnect(c);
    m_connections.clear();
    emit Finished(reply);
}
