#include "gateway/PluOperation.h"

#include "gateway/GatewayMessages.h"
#include "gateway/GatewayPluFields.h"
#include "gateway/GatewayReplies.h"
#include "gateway/TransferCapture.h"
#include "session/RegisterSession.h"

PluOperation::PluOperation(int plu, std::optional<PluChange> change, QObject* parent)
    : GatewayOperation(parent), m_plu(plu), m_change(std::move(change)) {}

void PluOperation::Start(RegisterSession& session) {
    emit Finished(Run(session));
}

GatewayReply PluOperation::Run(RegisterSession& session) {
    if (m_change) {
        if (auto refusal = PluTextRefusal(session, *m_change))
            return *refusal;
    }
    if (auto refusal = LinkRefusal(session))
        return *refusal;
    const int charset = session.Settings().Charset;
    PluTransfer& transfer = session.Transfer();
    TransferCapture capture(transfer, session.Table(), m_plu, m_plu,
                            [&](PluTable& table, int n) { ApplyPluChange(table[n], *m_change, charset); });
    if (m_change)
        transfer.WriteOne(m_plu, m_change->Stock ? 2 : 1);
    else
        transfer.ReadOne(m_plu);

    const QJsonObject plu{{"plu", m_plu}};
    if (capture.Received() && transfer.Transferred() == 1) {
        const QJsonObject record = PluJson(*capture.Received(), m_plu, charset);
        if (m_change) {
            const QStringList differ = PluDifferences(*capture.Received(), *m_change, m_plu, charset);
            if (!differ.isEmpty())
                return Failure(422,
                               SessionText(session, GatewayMessages::OtherValues)
                                   .arg(m_plu)
                                   .arg(differ.join(QStringLiteral(", "))),
                               {{"plu", record}});
        }
        return {200, record};
    }
    if (!capture.Messages().isEmpty() && !capture.NoResponse())
        return Failure(503, capture.Messages(), plu);
    return NoResponseReply(session, plu);
}
