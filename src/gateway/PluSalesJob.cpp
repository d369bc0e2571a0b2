#include "gateway/PluSalesJob.h"

#include "gateway/GatewayMessages.h"
#include "gateway/GatewayReplies.h"
#include "history/ReportJson.h"
#include "reports/DailyReports.h"
#include "reports/PluStatSeries.h"
#include "reports/ReportDecoder.h"
#include "session/RegisterSession.h"

PluSalesJob::PluSalesJob(PluRange range, QObject* parent) : GatewayOperation(parent), m_range(range) {}

QJsonObject PluSalesJob::Outcome() const {
    const PluStatSeries& series = m_session->PluSeries();
    QJsonArray unanswered;
    for (const int plu : series.Unanswered())
        unanswered.append(plu);
    return {{"from", m_range.From},    {"to", m_range.To}, {"done", series.Done()},
            {"total", series.Total()}, {"plus", m_sold},   {"unanswered", unanswered}};
}

void PluSalesJob::Start(RegisterSession& session) {
    m_session = &session;
    const int total = m_range.To - m_range.From + 1;
    if (m_cancelled) {
        FinishOnce(Failure(409, SessionText(session, GatewayMessages::Cancelled).arg(0).arg(total)));
        return;
    }
    if (auto refusal = LinkRefusal(session)) {
        FinishOnce(*refusal);
        return;
    }
    PluStatSeries& series = session.PluSeries();
    Watch(connect(&session.Reports(), &DailyReports::ReportReceived, this, &PluSalesJob::Received));
    Watch(connect(&series, &PluStatSeries::Progress, this,
                  [this](int done, int all, qint64) { emit Progressed(done, all); }));
    Watch(connect(&series, &PluStatSeries::Finished, this,
                  [this](PluStatSeries::End end) { Ended(int(end)); }));
    if (!series.Start(m_range.From, m_range.To, false) && !HasFinished())
        FinishOnce(PortClosedReply(session));
}

void PluSalesJob::Cancel() {
    m_cancelled = true;
    if (m_session && !HasFinished())
        m_session->PluSeries().Stop();
}

void PluSalesJob::Received(const QByteArray& payload) {
    if (payload.isEmpty() || uint8_t(payload[0]) != PluReportCode)
        return;
    const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(payload.constData()),
                                         size_t(payload.size()));
    const std::optional<int> plu = ReportedPlu(bytes);
    if (!plu || *plu < m_range.From || *plu > m_range.To)
        return;
    ReportJsonForm form;
    form.MoneyInUnits = true;
    const std::optional<QJsonObject> figures = ReportFiguresJson(bytes, form);
    if (figures && figures->value(QStringLiteral("sold")).toInteger() != 0)
        m_sold.append(*figures);
}

void PluSalesJob::Ended(int end) {
    const PluStatSeries& series = m_session->PluSeries();
    const QJsonObject outcome = Outcome();
    switch (PluStatSeries::End(end)) {
    case PluStatSeries::End::Completed:
        if (series.Unanswered().empty())
            FinishOnce({200, outcome});
        else
            FinishOnce(Failure(504,
                               SessionText(*m_session, GatewayMessages::Unanswered)
                                   .arg(series.Unanswered().size())
                                   .arg(series.Total()),
                               outcome));
        return;
    case PluStatSeries::End::NoResponse:
        FinishOnce(NoResponseReply(*m_session, outcome));
        return;
    case PluStatSeries::End::Cancelled:
        if (m_cancelled)
            FinishOnce(Failure(
                409,
                SessionText(*m_session, GatewayMessages::Cancelled).arg(series.Done()).arg(series.Total()),
                outcome));
        else
            FinishOnce(
                Failure(503, PortClosedReply(*m_session).Body[QStringLiteral("error")].toString(), outcome));
        return;
    }
}
