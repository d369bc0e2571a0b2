#include "reports/PluStatSeries.h"

#include "database/PluTable.h"
#include "protocol/ReplyDispatcher.h"
#include "reports/DailyReports.h"

#include <algorithm>

PluStatSeries::PluStatSeries(DailyReports& reports, const PluTable& table, QObject* parent)
    : QObject(parent), m_reports(reports), m_table(table) {
    setObjectName(QStringLiteral("PluStatSeries"));
    for (QTimer* timer : {&m_paceTimer, &m_replyTimer}) {
        timer->setSingleShot(true);
        timer->setTimerType(Qt::PreciseTimer);
    }
    m_replyTimer.setInterval(ReplyDispatcher::ReplyTimeout);
    connect(&m_paceTimer, &QTimer::timeout, this, &PluStatSeries::SendCurrent);
    connect(&m_replyTimer, &QTimer::timeout, this, &PluStatSeries::TimedOut);
    connect(&m_reports, &DailyReports::PluReported, this, &PluStatSeries::Replied);
}

int PluStatSeries::NextActive(int after) const {
    for (int n = after + 1; n <= m_last; ++n) {
        if (!m_activeOnly || (m_table[n].Flags & FlagActive))
            return n;
    }
    return -1;
}

int PluStatSeries::ActiveIn(int first, int last) const {
    first = std::clamp(first, 0, PluTable::Size - 1);
    last = std::clamp(last, 0, PluTable::Size - 1);
    int count = 0;
    for (int n = first; n <= last; ++n) {
        if (m_table[n].Flags & FlagActive)
            ++count;
    }
    return count;
}

bool PluStatSeries::Start(int first, int last, bool activeOnly) {
    Stop();
    first = std::clamp(first, 0, PluTable::Size - 1);
    m_last = std::clamp(last, 0, PluTable::Size - 1);
    m_activeOnly = activeOnly;
    m_total = activeOnly ? ActiveIn(first, m_last) : std::max(0, m_last - first + 1);
    m_done = 0;
    m_silent = 0;
    m_unanswered.clear();
    m_current = first - 1;
    m_running = true;
    m_sinceSend.invalidate();
    m_sinceStart.start();
    emit Progress(0, m_total, -1);
    Advance();
    return m_running || m_done > 0 || m_total == 0;
}

void PluStatSeries::Stop() {
    if (!m_running)
        return;
    Finish(End::Cancelled);
}

void PluStatSeries::Advance() {
    const int next = NextActive(m_current);
    if (next < 0) {
        Finish(End::Completed);
        return;
    }
    m_current = next;
    const qint64 wait = m_sinceSend.isValid() ? PaceMs - m_sinceSend.elapsed() : 0;
    if (wait > 0)
        m_paceTimer.start(int(wait));
    else
        SendCurrent();
}

void PluStatSeries::SendCurrent() {
    if (!m_running)
        return;
    if (!m_reports.RequestPlu(m_current)) {
        // The port could not be opened; the user has been told.
        Finish(End::Cancelled);
        return;
    }
    m_sinceSend.start();
    m_waiting = true;
    m_replyTimer.start();
}

void PluStatSeries::Replied(int plu) {
    if (m_running && m_waiting && (plu == m_current || plu < 0)) {
        m_waiting = false;
        m_replyTimer.stop();
        m_silent = 0;
        ++m_done;
        const qint64 elapsed = m_sinceStart.elapsed();
        const qint64 perPlu = std::max<qint64>(PaceMs, elapsed / m_done);
        emit Progress(m_done, m_total, perPlu * (m_total - m_done));
        Advance();
        return;
    }
    // An answer that came after its time-out still counts as an answer.
    if (const auto late = std::ranges::find(m_unanswered, plu); late != m_unanswered.end())
        m_unanswered.erase(late);
}

void PluStatSeries::TimedOut() {
    if (!m_running || !m_waiting)
        return;
    m_waiting = false;
    m_unanswered.push_back(m_current);
    ++m_done;
    if (++m_silent >= SilentLimit) {
        Finish(End::NoResponse);
        return;
    }
    const qint64 elapsed = m_sinceStart.elapsed();
    emit Progress(m_done, m_total, std::max<qint64>(PaceMs, elapsed / m_done) * (m_total - m_done));
    Advance();
}

void PluStatSeries::Finish(End end) {
    // A PLU whose answer was still awaited got none within the series.
    if (m_waiting)
        m_unanswered.push_back(m_current);
    m_running = false;
    m_waiting = false;
    m_paceTimer.stop();
    m_replyTimer.stop();
    emit Finished(end);
}
