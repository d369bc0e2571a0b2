#include "viewer/LinePrint.h"

#include "viewer/LineStore.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>
#include <QTextLayout>

namespace {

// Pending events run at least this often while the job works.
constexpr qint64 SliceMs = 5;
// The margins around the text, in inches (2 cm).
constexpr qreal MarginInches = 2 / 2.54;

} // namespace

LinePrint::LinePrint(std::shared_ptr<const LineStore> store, const QFont& font)
    : m_store(std::move(store)), m_font(font) {}

bool LinePrint::Run(QPrinter& printer) {
    m_slice.start();
    m_page = 0;
    if (printer.pageLayout().margins(QPageLayout::Millimeter).isNull())
        printer.setPageMargins(QMarginsF(2, 2, 2, 2), QPageLayout::Millimeter);
    QPainter painter(&printer);
    if (!painter.isActive())
        return false;
    QPaintDevice* device = painter.device();
    const QFont font(m_font, device);
    painter.setFont(font);
    painter.setPen(Qt::black);
    const QFontMetricsF metrics(font, device);
    const qreal marginX = MarginInches * device->logicalDpiX();
    const qreal marginY = MarginInches * device->logicalDpiY();
    const QRectF body(marginX, marginY, qMax<qreal>(printer.width() - 2 * marginX, metrics.maxWidth() * 4),
                      qMax<qreal>(printer.height() - 2 * marginY, metrics.lineSpacing()));
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setTabStopDistance(metrics.horizontalAdvance(QLatin1Char(' ')) * 8);

    const QPageRanges ranges = printer.pageRanges();
    const auto chosen = [&ranges](int page) { return ranges.isEmpty() || ranges.contains(page); };
    bool sheetUsed = false;
    qreal y = body.top();
    // Ends the page at hand (its number at the foot) and tells of it.
    const auto endPage = [&](qint64 row, qint64 rows) {
        if (chosen(m_page)) {
            const QString number = QString::number(m_page);
            painter.drawText(QPointF(body.right() - metrics.horizontalAdvance(number),
                                     body.bottom() + metrics.ascent() + 5 * device->logicalDpiY() / 72.0),
                             number);
        }
        emit PagePainted(m_page, row, rows);
    };
    const auto startPage = [&]() -> bool {
        ++m_page;
        y = body.top();
        if (!chosen(m_page))
            return true;
        if (sheetUsed && !printer.newPage())
            return false;
        sheetUsed = true;
        return true;
    };
    const auto failed = [&printer] {
        return printer.printerState() == QPrinter::Aborted || printer.printerState() == QPrinter::Error;
    };

    if (!startPage())
        return false;
    // A file still being indexed is printed to its end; other texts as they
    // stand now, whatever is appended while the job runs.
    const bool growing = !m_store->Complete();
    qsizetype rows = m_store->RowCount();
    for (qsizetype row = 0;; ++row) {
        while (row >= rows && growing && !m_store->Complete() && !Cancelled()) {
            QCoreApplication::processEvents(EventsRun(), 10);
            m_slice.start();
            rows = m_store->RowCount();
        }
        if (growing)
            rows = m_store->RowCount();
        if (row >= rows || Cancelled())
            break;
        QTextLayout layout(m_store->Row(row), font, device);
        layout.setTextOption(option);
        layout.setCacheEnabled(false);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(body.width());
            line.setPosition(QPointF(0, 0));
            if (y + line.height() > body.bottom() && y > body.top()) {
                endPage(row, rows);
                if (failed() || !startPage())
                    return false;
                RunPendingEvents(false);
                if (Cancelled())
                    break;
            }
            if (chosen(m_page))
                line.draw(&painter, QPointF(body.left(), y));
            y += line.height();
        }
        layout.endLayout();
        if (Cancelled())
            break;
        RunPendingEvents(true);
    }
    if (Cancelled()) {
        painter.end();
        return false;
    }
    endPage(rows, rows);
    RunPendingEvents(false);
    return painter.end() && !failed();
}

void LinePrint::RunPendingEvents(bool whenSliceUsed) {
    const qint64 elapsed = m_slice.elapsed();
    if (whenSliceUsed && elapsed < SliceMs)
        return;
    m_longestSliceMs = qMax(m_longestSliceMs, elapsed);
    QCoreApplication::processEvents(EventsRun());
    m_slice.start();
}

QEventLoop::ProcessEventsFlags LinePrint::EventsRun() const {
    return m_cancelled ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents;
}

bool LinePrint::Cancelled() {
    if (m_cancelled && m_cancelled())
        m_wasCancelled = true;
    return m_wasCancelled;
}
