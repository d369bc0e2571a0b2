#include "gateway/ZReportOperation.h"

#include "gateway/GatewayMessages.h"
#include "gateway/GatewayReplies.h"
#include "reports/DailyReports.h"
#include "session/RegisterSession.h"

#include <QJsonObject>

void ZReportOperation::Start(RegisterSession& session) {
    if (auto refusal = LinkRefusal(session)) {
        FinishOnce(*refusal);
        return;
    }
    DailyReports& reports = session.Reports();
    Watch(connect(&reports, &DailyReports::ZReportFinished, this, [this](quint8 status, const QString& line) {
        if (status == 0)
            FinishOnce({200, QJsonObject{{"done", true}}});
        else
            FinishOnce(Failure(422, line.isEmpty() ? QStringLiteral("Error %1").arg(status) : line,
                               {{"errorCode", int(status)}}));
    }));
    Watch(connect(&reports, &DailyReports::ZReportUnanswered, this, [this, &session] {
        FinishOnce(Failure(504, SessionText(session, GatewayMessages::ZUnanswered)));
    }));
    if (!reports.RunZReport())
        FinishOnce(PortClosedReply(session));
}
