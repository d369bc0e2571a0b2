#include "printing/PagedTextPrint.h"

#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPrinter>
#include <QScreen>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>

namespace {

// Pending events run at least this often while the job works.
constexpr qint64 SliceMs = 5;
// Text is added to the document in pieces of about this many characters;
// each piece is laid out as it goes in.
constexpr qsizetype PieceChars = 4096;

// The resolution the text layout measures its formats in (the primary
// screen's), which the 2 cm margins are given in.
qreal SourceDpi(Qt::Orientation orientation) {
    if (QCoreApplication::testAttribute(Qt::AA_Use96Dpi))
        return 96;
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        return qRound(orientation == Qt::Horizontal ? screen->logicalDotsPerInchX()
                                                    : screen->logicalDotsPerInchY());
    return 100;
}

} // namespace

PagedTextPrint::PagedTextPrint(QString text, const QTextDocument& formatOf, const QFont& font)
    : m_text(std::move(text)), m_font(font), m_option(formatOf.defaultTextOption()),
      m_rootFormat(formatOf.rootFrame()->frameFormat()) {}

PagedTextPrint::~PagedTextPrint() = default;

void PagedTextPrint::AppendInPieces(QTextDocument& document, const QString& text,
                                    const std::function<void()>& between) {
    QTextCursor cursor(&document);
    qsizetype from = 0;
    while (from < text.size()) {
        // Pieces end after a line feed, so that a "\r\n" is never split in two.
        qsizetype to = text.indexOf(QLatin1Char('\n'), qMin(from + PieceChars, text.size()));
        to = to < 0 ? text.size() : to + 1;
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(text.sliced(from, to - from));
        from = to;
        between();
    }
}

void PagedTextPrint::RemoveInPieces(QTextDocument& document, const std::function<void()>& between) {
    QTextCursor cursor(&document);
    while (document.characterCount() > 1) {
        cursor.movePosition(QTextCursor::End);
        cursor.setPosition(qMax(0, cursor.position() - int(PieceChars)), QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        between();
    }
}

bool PagedTextPrint::Run(QPrinter& printer) {
    m_slice.start();
    QMarginsF margins = printer.pageLayout().margins(QPageLayout::Millimeter);
    if (margins.isNull()) {
        margins = QMarginsF(2, 2, 2, 2);
        printer.setPageMargins(margins, QPageLayout::Millimeter);
    }
    QPainter painter(&printer);
    if (!painter.isActive())
        return false;
    LayOut(painter, printer);
    if (Cancelled()) {
        painter.end();
        m_document.reset();
        return false;
    }

    const QPageRanges ranges = printer.pageRanges();
    const int first = ranges.isEmpty() ? 1 : qMax(1, ranges.firstPage());
    const int last = ranges.isEmpty() ? m_pageCount : qMin(m_pageCount, ranges.lastPage());
    bool started = false;
    for (int page = first; page <= last; ++page) {
        // A page left out of the chosen ranges takes no sheet.
        if (!ranges.isEmpty() && !ranges.contains(page))
            continue;
        if (started && !printer.newPage())
            return false;
        started = true;
        PaintPage(painter, page);
        emit PagePainted(page, m_pageCount);
        RunPendingEvents(false);
        if (printer.printerState() == QPrinter::Aborted || printer.printerState() == QPrinter::Error)
            return false;
        if (Cancelled()) {
            painter.end();
            RemoveInPieces(*m_document, [this] { RunPendingEvents(true); });
            m_document.reset();
            return false;
        }
    }
    const bool ended = painter.end();
    // Freed all at once, a long text would stall the thread once more.
    RemoveInPieces(*m_document, [this] { RunPendingEvents(true); });
    m_document.reset();
    return ended;
}

void PagedTextPrint::LayOut(QPainter& painter, QPrinter& printer) {
    m_document = std::make_unique<QTextDocument>();
    QTextDocument& document = *m_document;
    document.setUndoRedoEnabled(false);
    document.setDefaultFont(m_font);
    document.setDefaultTextOption(m_option);
    QAbstractTextDocumentLayout* layout = document.documentLayout();
    layout->setPaintDevice(painter.device());

    const qreal sourceDpiX = SourceDpi(Qt::Horizontal);
    const qreal sourceDpiY = SourceDpi(Qt::Vertical);
    const int horizontalMargin = int((2 / 2.54) * sourceDpiX);
    const int verticalMargin = int((2 / 2.54) * sourceDpiY);
    QTextFrameFormat root = m_rootFormat;
    root.setLeftMargin(horizontalMargin);
    root.setRightMargin(horizontalMargin);
    root.setTopMargin(verticalMargin);
    root.setBottomMargin(verticalMargin);
    document.rootFrame()->setFrameFormat(root);

    const qreal deviceDpiY = painter.device()->logicalDpiY();
    m_body = QRectF(0, 0, printer.width(), printer.height());
    m_pageNumberAt =
        QPointF(m_body.width() - horizontalMargin * (printer.logicalDpiX() / sourceDpiX),
                m_body.height() - verticalMargin * (printer.logicalDpiY() / sourceDpiY) +
                    QFontMetrics(document.defaultFont(), painter.device()).ascent() + 5 * deviceDpiY / 72.0);
    // With the page size set first, every piece added below is laid out at
    // once and in full: no layout is left for later to run in one long go.
    document.setPageSize(m_body.size());

    // In pieces as AppendInPieces adds them, but a cancel stops the adding.
    QTextCursor cursor(&document);
    for (qsizetype from = 0; from < m_text.size() && !Cancelled();) {
        qsizetype to = m_text.indexOf(QLatin1Char('\n'), qMin(from + PieceChars, m_text.size()));
        to = to < 0 ? m_text.size() : to + 1;
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(m_text.sliced(from, to - from));
        from = to;
        RunPendingEvents(true);
    }
    m_text.clear();
    m_pageCount = document.pageCount();
}

void PagedTextPrint::PaintPage(QPainter& painter, int page) const {
    painter.save();
    painter.translate(m_body.left(), m_body.top() - (page - 1) * m_body.height());
    const QRectF view(0, (page - 1) * m_body.height(), m_body.width(), m_body.height());
    painter.setClipRect(view);
    QAbstractTextDocumentLayout::PaintContext context;
    context.clip = view;
    // Black on paper whatever the screen palette says.
    context.palette.setColor(QPalette::Text, Qt::black);
    m_document->documentLayout()->draw(&painter, context);

    painter.setClipping(false);
    painter.setFont(QFont(m_document->defaultFont()));
    const QString number = QString::number(page);
    painter.drawText(qRound(m_pageNumberAt.x() - painter.fontMetrics().horizontalAdvance(number)),
                     qRound(m_pageNumberAt.y() + view.top()), number);
    painter.restore();
}

void PagedTextPrint::RunPendingEvents(bool whenSliceUsed) {
    const qint64 elapsed = m_slice.elapsed();
    if (whenSliceUsed && elapsed < SliceMs)
        return;
    m_longestSliceMs = qMax(m_longestSliceMs, elapsed);
    QCoreApplication::processEvents(m_cancelled ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
    m_slice.start();
}

bool PagedTextPrint::Cancelled() {
    if (m_cancelled && m_cancelled())
        m_wasCancelled = true;
    return m_wasCancelled;
}
