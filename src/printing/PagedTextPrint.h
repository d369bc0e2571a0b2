#pragma once

#include <QElapsedTimer>
#include <QFont>
#include <QObject>
#include <QString>
#include <QTextFrameFormat>
#include <QTextOption>
#include <functional>
#include <memory>

class QPainter;
class QPrinter;
class QTextDocument;

// One print job of a plain text, laid out and paginated exactly as the text
// view's own print operation would do it (the view's font and text options,
// 2 cm margins, a page number at the foot), but built and painted a slice at
// a time with pending events run in between: the serial port is read on the
// same thread, and a line with no handshake cannot wait for a long job.
// User input waits until the job ends.
class PagedTextPrint : public QObject {
    Q_OBJECT
  public:
    // The view whose formats the printout takes; the text is taken as given,
    // so later changes to the view do not reach the job.
    PagedTextPrint(QString text, const QTextDocument& formatOf, const QFont& font);
    ~PagedTextPrint() override;

    // Adds text at the end of document a piece at a time, calling between
    // after each piece; removes a document's text the same way.
    static void AppendInPieces(QTextDocument& document, const QString& text,
                               const std::function<void()>& between);
    static void RemoveInPieces(QTextDocument& document, const std::function<void()>& between);

    // Lets the user stop the job: pending events then include user input
    // (the caller keeps it to a Cancel button, say with a modal dialog), and
    // the job ends at the next slice once cancelled() holds.
    void SetCancelCheck(std::function<bool()> cancelled) { m_cancelled = std::move(cancelled); }
    [[nodiscard]] bool WasCancelled() const { return m_wasCancelled; }

    // False when the printer could not be started, failed during the job, or
    // the job was cancelled.
    bool Run(QPrinter& printer);

    // The pages of the laid-out text (known once the text is laid out).
    [[nodiscard]] int PageCount() const { return m_pageCount; }

    // Longest time spent without running pending events, for the benchmark.
    [[nodiscard]] qint64 LongestSliceMs() const { return m_longestSliceMs; }

  signals:
    // After page (1-based) of pages was painted, before events run.
    void PagePainted(int page, int pages);

  private:
    void LayOut(QPainter& painter, QPrinter& printer);
    void PaintPage(QPainter& painter, int page) const;
    void RunPendingEvents(bool whenSliceUsed);
    [[nodiscard]] bool Cancelled();

    QString m_text;
    QFont m_font;
    QTextOption m_option;
    QTextFrameFormat m_rootFormat;
    std::unique_ptr<QTextDocument> m_document;
    QRectF m_body;
    QPointF m_pageNumberAt;
    int m_pageCount = 0;
    QElapsedTimer m_slice;
    qint64 m_longestSliceMs = 0;
    std::function<bool()> m_cancelled;
    bool m_wasCancelled = false;
};
