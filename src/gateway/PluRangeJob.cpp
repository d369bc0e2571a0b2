#include "gateway/PluRangeJob.h"

#include "gateway/GatewayMessages.h"
#include "gateway/GatewayPluFields.h"
#include "gateway/GatewayReplies.h"
#include "gateway/TransferCapture.h"
#include "session/RegisterSession.h"

#include <QJsonArray>

PluRangeJob::PluRangeJob(PluRange read, QObject* parent) : GatewayOperation(parent), m_range(read) {}

PluRangeJob::PluRangeJob(PluRangeWrite write, QObject* parent)
    : GatewayOperation(parent), m_range{write.From, write.From + int(write.Plus.size()) - 1},
      m_write(std::move(write)) {}

void PluRangeJob::Start(RegisterSession& session) {
    m_session = &session;
    const GatewayReply reply = Run(session);
    m_session = nullptr;
    emit Finished(reply);
}

void PluRangeJob::Cancel() {
    m_cancelled = true;
    // A cancel may come between two steps, when no wait runs that a cancel of
    // the wait would end: no further step runs either way.
    if (m_session)
        m_session->Transfer().Abandon();
}

GatewayReply PluRangeJob::Run(RegisterSession& session) {
    const int total = m_range.To - m_range.From + 1;
    QJsonObject outcome{{"from", m_range.From}, {"to", m_range.To}, {"done", 0}, {"total", total}};
    if (m_cancelled)
        return Failure(409, SessionText(session, GatewayMessages::Cancelled).arg(0).arg(total), outcome);
    if (m_write) {
        for (size_t i = 0; i < m_write->Plus.size(); ++i) {
            if (auto refusal = PluTextRefusal(session, m_write->Plus[i], QStringLiteral("plus[%1].").arg(i)))
                return *refusal;
        }
    }
    if (auto refusal = LinkRefusal(session))
        return *refusal;

    PluTransfer& transfer = session.Transfer();
    const int charset = session.Settings().Charset;
    TransferCapture capture(transfer, session.Table(), m_range.From, m_range.To);
    // The PLUs read go into the reply as they come, so that no single step
    // turns ten thousand records into JSON.
    QJsonArray plus;
    const auto collect = [&](int done) {
        for (int n = m_range.From + int(plus.size()); n < m_range.From + done; ++n)
            plus.append(PluJson(capture.Table()[n], n, charset));
    };
    const QMetaObject::Connection progress =
        connect(&transfer, &PluTransfer::Progress, this, [&](int done, int all, qint64) {
            if (!m_write)
                collect(std::min(done, total));
            emit Progressed(done, all);
        });
    if (m_write) {
        for (int n = m_range.From; n <= m_range.To; ++n)
            ApplyPluChange(capture.Table()[n], m_write->Plus[size_t(n - m_range.From)], charset);
        transfer.WriteRange(m_range.From, m_range.To, m_write->Plus.front().Stock ? 2 : 1, false);
    } else {
        transfer.ReadRange(m_range.From, m_range.To);
    }
    disconnect(progress);

    const int done = std::min(transfer.Transferred(), total);
    outcome.insert(QStringLiteral("done"), done);
    if (!m_write) {
        collect(done);
        outcome.insert(QStringLiteral("plus"), plus);
    }
    if (done == total)
        return {200, outcome};
    const int stoppedAt = m_range.From + done;
    outcome.insert(QStringLiteral("stoppedAt"), stoppedAt);
    if (capture.NoResponse())
        return Failure(
            504, SessionText(session, GatewayMessages::PluNoResponse).arg(stoppedAt).arg(done).arg(total),
            outcome);
    if (m_cancelled)
        return Failure(409, SessionText(session, GatewayMessages::Cancelled).arg(done).arg(total), outcome);
    return Failure(503,
                   SessionText(session, GatewayMessages::PluStopped).arg(stoppedAt).arg(capture.Messages()),
                   outcome);
}
