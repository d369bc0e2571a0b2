#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <vector>

class DailyReports;
class PluTable;

// The daily sales of a range of PLUs, one request per PLU active on the PC.
// The next request leaves once the reply has come or its time-out has passed,
// never sooner than the register's pace after the last one; the event loop
// runs freely in between, so the window stays live and Cancel is heard.
class PluStatSeries : public QObject {
    Q_OBJECT
  public:
    static constexpr int PaceMs = 30;
    // Silent PLUs in a row that stop the series: the register is not there.
    static constexpr int SilentLimit = 3;

    enum class End { Completed, Cancelled, NoResponse };

    PluStatSeries(DailyReports& reports, const PluTable& table, QObject* parent = nullptr);

    void SetReplyTimeout(int ms) { m_replyTimer.setInterval(ms); }
    [[nodiscard]] int ReplyTimeout() const { return m_replyTimer.interval(); }

    // Both ends are clamped to the PLU numbers; false when nothing was started
    // (the port cannot be opened). activeOnly false asks for every PLU of the
    // range, for a caller whose PC table need not know the register's PLUs.
    bool Start(int first, int last, bool activeOnly = true);
    // The PLUs of first..last (clamped) that the PC table holds as active:
    // the ones a series asks for.
    [[nodiscard]] int ActiveIn(int first, int last) const;
    // Cancel: no further request leaves.
    void Stop();

    [[nodiscard]] bool IsRunning() const { return m_running; }
    [[nodiscard]] int Done() const { return m_done; }
    [[nodiscard]] int Total() const { return m_total; }
    [[nodiscard]] int CurrentPlu() const { return m_current; }
    // In the order they were asked for; a late answer takes its PLU off.
    [[nodiscard]] const std::vector<int>& Unanswered() const { return m_unanswered; }

  signals:
    void Progress(int done, int total, qint64 msLeft);
    void Finished(PluStatSeries::End end);

  private:
    void Advance();
    void SendCurrent();
    void Replied(int plu);
    void TimedOut();
    void Finish(End end);
    [[nodiscard]] int NextActive(int after) const;

    DailyReports& m_reports;
    const PluTable& m_table;
    QTimer m_paceTimer;
    QTimer m_replyTimer;
    QElapsedTimer m_sinceSend;
    QElapsedTimer m_sinceStart;
    bool m_running = false;
    bool m_waiting = false;
    bool m_activeOnly = true;
    int m_current = 0;
    int m_last = 0;
    int m_done = 0;
    int m_total = 0;
    int m_silent = 0;
    std::vector<int> m_unanswered;
};
