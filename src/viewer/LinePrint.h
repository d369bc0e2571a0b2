#pragma once

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFont>
#include <QObject>
#include <functional>
#include <memory>

class LineStore;
class QPrinter;

// One print job of a text view's lines, streamed to the printer: each row is
// laid out on its own as it is printed, wrapped to the page width (a row
// wider than the page goes on in the lines below), in the view's font, 2 cm
// margins and the page number at the foot. Rows are taken a stretch at a
// time with pending events run in between, so the serial port, read on the
// same thread, is served throughout; memory does not grow with the text.
class LinePrint : public QObject {
    Q_OBJECT
  public:
    // The rows the store holds when Run starts are printed (a file still
    // being indexed is printed to its end).
    LinePrint(std::shared_ptr<const LineStore> store, const QFont& font);

    // Lets the user stop the job: pending events then include user input
    // (the caller keeps it to a Cancel button with a modal dialog), and the
    // job ends at the next stretch once cancelled() holds.
    void SetCancelCheck(std::function<bool()> cancelled) { m_cancelled = std::move(cancelled); }
    [[nodiscard]] bool WasCancelled() const { return m_wasCancelled; }

    // False when the printer could not be started, failed during the job, or
    // the job was cancelled.
    bool Run(QPrinter& printer);

    [[nodiscard]] int PageCount() const { return m_page; }
    // Longest time spent without running pending events, for the benchmark.
    [[nodiscard]] qint64 LongestSliceMs() const { return m_longestSliceMs; }

  signals:
    // After a page was painted: its number, the rows printed so far of rows.
    void PagePainted(int page, qint64 row, qint64 rows);

  private:
    void RunPendingEvents(bool whenSliceUsed);
    // User input only with a Cancel to reach (the caller's modal dialog).
    [[nodiscard]] QEventLoop::ProcessEventsFlags EventsRun() const;
    [[nodiscard]] bool Cancelled();

    std::shared_ptr<const LineStore> m_store;
    QFont m_font;
    int m_page = 0;
    QElapsedTimer m_slice;
    qint64 m_longestSliceMs = 0;
    std::function<bool()> m_cancelled;
    bool m_wasCancelled = false;
};
