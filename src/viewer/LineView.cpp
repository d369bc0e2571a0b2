#include "viewer/LineView.h"

#include "toolkit/MessageBoxes.h"
#include "viewer/LineStore.h"
#include "viewer/ViewerMessages.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QTextLayout>
#include <QToolButton>
#include <algorithm>
#include <utility>

namespace {

constexpr qreal Margin = 4;
// Tab stops every eight characters, as a terminal and a text editor place
// them: tab-separated fields (the journal's "Total:11.06<tab>Receipt Number:1")
// stand apart by at least a space whatever their lengths.
constexpr int TabColumns = 8;
// Wide enough for any row when nothing wraps.
constexpr qreal UnwrappedWidth = 1e6;

} // namespace

LineView::LineView(QWidget* parent) : QAbstractScrollArea(parent) {
    setFocusPolicy(Qt::StrongFocus);
    // Find is the view's own key while the focus is in it or in its find bar,
    // though the window's menus have a shortcut on the same key (the menus'
    // guard reads this name).
    setProperty("ownedKeys", QKeySequence(QKeySequence::Find).toString());
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);

    m_findBar = new QWidget(this);
    m_findBar->setObjectName(QStringLiteral("FindBar"));
    auto* row = new QHBoxLayout(m_findBar);
    row->setContentsMargins(2, 2, 2, 2);
    auto* label = new QLabel(m_findBar);
    label->setObjectName(QStringLiteral("FindLabel"));
    m_findText = new QLineEdit(m_findBar);
    m_findText->setObjectName(QStringLiteral("FindText"));
    m_findCase = new QCheckBox(m_findBar);
    m_findCase->setObjectName(QStringLiteral("FindCase"));
    m_findPrevious = new QToolButton(m_findBar);
    m_findPrevious->setObjectName(QStringLiteral("FindPrevious"));
    m_findNext = new QToolButton(m_findBar);
    m_findNext->setObjectName(QStringLiteral("FindNext"));
    m_findResult = new QLabel(m_findBar);
    m_findResult->setObjectName(QStringLiteral("FindResult"));
    m_findClose = new QToolButton(m_findBar);
    m_findClose->setObjectName(QStringLiteral("FindClose"));
    row->addWidget(label);
    m_findText->setMinimumWidth(m_findText->fontMetrics().averageCharWidth() * 16);
    row->addWidget(m_findText, 2);
    row->addWidget(m_findCase);
    row->addWidget(m_findPrevious);
    row->addWidget(m_findNext);
    row->addWidget(m_findResult);
    row->addWidget(m_findClose);
    m_findBar->hide();

    connect(m_findNext, &QToolButton::clicked, this, [this] { FindNext(false); });
    connect(m_findPrevious, &QToolButton::clicked, this, [this] { FindNext(true); });
    connect(m_findText, &QLineEdit::returnPressed, this,
            [this] { FindNext(QApplication::keyboardModifiers().testFlag(Qt::ShiftModifier)); });
    connect(m_findText, &QLineEdit::textEdited, this, [this] { ResetFind(); });
    connect(m_findCase, &QCheckBox::toggled, this, [this] { ResetFind(); });
    connect(m_findClose, &QToolButton::clicked, this, [this] {
        m_finder.Stop();
        m_findBar->hide();
        setViewportMargins(0, 0, 0, 0);
        setFocus();
    });
    connect(&m_finder, &LineFinder::HitFound, this,
            [this](qsizetype row, qsizetype column, qsizetype length) {
                m_hit = {row, column, length};
                ScrollToHit();
            });
    connect(&m_finder, &LineFinder::Counted, this, &LineView::FindFinished);
    Clear();
}

LineView::~LineView() {
    m_finder.Stop();
}

void LineView::SetStore(std::shared_ptr<LineStore> store) {
    m_finder.Stop();
    m_growthPending = false;
    if (m_store)
        disconnect(m_store.get(), nullptr, this, nullptr);
    m_store = std::move(store);
    m_ownText = false;
    m_anchor = m_caret = {};
    m_hit = {};
    m_widestSeen = 0;
    m_shownValid = false;
    m_layoutsKept = false;
    connect(m_store.get(), &LineStore::Grown, this, &LineView::StoreGrown);
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    m_findResult->clear();
    m_lastHits = -1;
    UpdateScrollBars();
    viewport()->update();
    emit TextChanged();
}

void LineView::AppendLine(const QString& line) {
    if (!m_ownText)
        Clear();
    static_cast<TextLineStore&>(*m_store).AppendLine(line);
}

void LineView::AppendText(const QString& text) {
    if (!m_ownText)
        Clear();
    static_cast<TextLineStore&>(*m_store).AppendText(text);
}

void LineView::SetPlainText(const QString& text) {
    Clear();
    AppendText(text);
}

void LineView::Clear() {
    SetStore(std::make_shared<TextLineStore>());
    m_ownText = true;
}

QString LineView::PlainText() const {
    return m_store->Text();
}

bool LineView::IsEmpty() const {
    if (const auto* file = qobject_cast<const FileLineStore*>(m_store.get()))
        return file->FileBytes() == 0;
    return m_store->RowCount() == 0;
}

qsizetype LineView::RowCount() const {
    return m_store->RowCount();
}

void LineView::SetWordWrap(bool on) {
    if (m_wrap == on)
        return;
    m_wrap = on;
    m_shownValid = false;
    m_layoutsKept = false;
    UpdateScrollBars();
    viewport()->update();
}

void LineView::StoreGrown() {
    // Rows may come by the thousand between two turns of the event loop: the
    // view takes them in once, on the next turn.
    if (!m_growthPending) {
        m_growthPending = true;
        // A log on its newest row stays on it as rows come; a file being
        // read stays where the user reads.
        m_followGrowth = m_ownText && AtEnd();
        QMetaObject::invokeMethod(this, &LineView::TakeGrowth, Qt::QueuedConnection);
    }
    emit TextChanged();
}

void LineView::TakeGrowth() {
    if (!std::exchange(m_growthPending, false))
        return;
    m_shownValid = false;
    UpdateScrollBars();
    if (m_followGrowth)
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    viewport()->update();
}

bool LineView::AtEnd() const {
    const QScrollBar* rows = verticalScrollBar();
    return rows->value() == rows->maximum();
}

int LineView::VisibleRows() const {
    return qMax(1, int(viewport()->height() / qMax(1, fontMetrics().lineSpacing())));
}

void LineView::UpdateScrollBars() {
    const qsizetype rows = RowCount();
    const int visible = VisibleRows();
    // Wrapped rows may take more than one line each: the range is an estimate
    // that is right for rows of one line, and the end is always reachable
    // (the last position shows the last rows from the bottom up).
    const qsizetype maximum = m_wrap ? qMax<qsizetype>(0, rows - 1) : qMax<qsizetype>(0, rows - visible);
    verticalScrollBar()->setRange(0, int(qMin<qsizetype>(maximum, std::numeric_limits<int>::max())));
    verticalScrollBar()->setPageStep(visible);
    verticalScrollBar()->setSingleStep(1);
    if (m_wrap) {
        horizontalScrollBar()->setRange(0, 0);
        return;
    }
    const qreal widest = qMax(m_widestSeen, qreal(m_store->LongestRow()) * fontMetrics().averageCharWidth());
    horizontalScrollBar()->setRange(0, qMax(0, int(widest + 2 * Margin) - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
    horizontalScrollBar()->setSingleStep(fontMetrics().averageCharWidth() * 2);
}

void LineView::ScrollToEnd() {
    TakeGrowth();
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

qsizetype LineView::TopRow() const {
    return verticalScrollBar()->value();
}

std::unique_ptr<QTextLayout> LineView::LayOutRow(qsizetype row, qreal& height, bool whole) const {
    QString text = m_store->Row(row);
    if (!m_wrap && !whole) {
        // Unwrapped, only the start of a row up to the right edge of the view
        // can show: a row of a thousand characters is shaped no further
        // (no character is narrower than a third of the average).
        const qsizetype shown = (horizontalScrollBar()->value() + viewport()->width()) * 3 /
                                    qMax(1, fontMetrics().averageCharWidth()) +
                                64;
        if (text.size() > shown)
            text.truncate(shown);
    }
    auto layout = std::make_unique<QTextLayout>(text, font(), viewport());
    QTextOption option;
    option.setWrapMode(m_wrap ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
    option.setTabStopDistance(TabStopDistance());
    layout->setTextOption(option);
    layout->setCacheEnabled(true);
    const qreal width = m_wrap ? qMax<qreal>(10, viewport()->width() - 2 * Margin) : UnwrappedWidth;
    height = 0;
    layout->beginLayout();
    for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, height));
        height += line.height();
    }
    layout->endLayout();
    if (height <= 0)
        height = fontMetrics().lineSpacing();
    return layout;
}

qreal LineView::TabStopDistance() const {
    return TabColumns * QFontMetricsF(font()).horizontalAdvance(QLatin1Char(' '));
}

qreal LineView::ColumnX(qsizetype row, qsizetype column) const {
    if (row < 0 || row >= RowCount())
        return 0;
    qreal height = 0;
    const auto layout = LayOutRow(row, height, true);
    return layout->lineForTextPosition(int(column)).cursorToX(int(column));
}

void LineView::LayOut() {
    if (m_shownValid)
        return;
    m_shownValid = true;
    // Rows still on screen after a scroll keep their layout: a log that
    // follows its newest line lays out only the rows that came.
    std::vector<Shown> kept;
    if (m_layoutsKept && m_keptUtf8 == m_store->Utf8())
        kept = std::move(m_shown);
    m_shown.clear();
    m_layoutsKept = true;
    m_keptUtf8 = m_store->Utf8();
    const auto layOutRow = [&](qsizetype row, qreal& height) {
        const auto at =
            std::find_if(kept.begin(), kept.end(), [row](const Shown& shown) { return shown.Row == row; });
        if (at == kept.end() || !at->Layout)
            return LayOutRow(row, height);
        height = at->Height;
        return std::move(at->Layout);
    };
    const qsizetype rows = RowCount();
    const qreal bottom = viewport()->height();
    if (rows == 0)
        return;
    if (m_wrap && AtEnd() && verticalScrollBar()->maximum() > 0) {
        // The end of a wrapped text: the last rows from the bottom up.
        qreal top = bottom - Margin;
        for (qsizetype row = rows - 1; row >= 0 && top > 0; --row) {
            qreal height = 0;
            auto layout = layOutRow(row, height);
            top -= height;
            m_shown.insert(m_shown.begin(), Shown{row, top, height, std::move(layout)});
        }
        const qreal shift =
            m_shown.front().Top < Margin && m_shown.size() > 1 ? 0 : Margin - m_shown.front().Top;
        if (shift > 0)
            for (Shown& shown : m_shown)
                shown.Top += shift;
        return;
    }
    qreal top = Margin;
    for (qsizetype row = TopRow(); row < rows && top < bottom; ++row) {
        qreal height = 0;
        auto layout = layOutRow(row, height);
        m_widestSeen = qMax(m_widestSeen, layout->maximumWidth());
        m_shown.push_back(Shown{row, top, height, std::move(layout)});
        top += height;
    }
}

qsizetype LineView::FirstShownRow() {
    TakeGrowth();
    LayOut();
    return m_shown.empty() ? -1 : m_shown.front().Row;
}

qsizetype LineView::LastShownRow() {
    TakeGrowth();
    LayOut();
    return m_shown.empty() ? -1 : m_shown.back().Row;
}

void LineView::paintEvent(QPaintEvent*) {
    TakeGrowth();
    LayOut();
    QPainter painter(viewport());
    const qreal left = Margin - (m_wrap ? 0 : horizontalScrollBar()->value());
    const TextPos from = qMin(m_anchor, m_caret);
    const TextPos to = qMax(m_anchor, m_caret);
    QTextCharFormat selected;
    selected.setBackground(palette().brush(QPalette::Highlight));
    selected.setForeground(palette().brush(QPalette::HighlightedText));
    painter.setPen(palette().color(QPalette::Text));
    for (const Shown& shown : m_shown) {
        QList<QTextLayout::FormatRange> ranges;
        if (from != to && shown.Row >= from.Row && shown.Row <= to.Row) {
            const qsizetype length = shown.Layout->text().size();
            const qsizetype start = shown.Row == from.Row ? from.Column : 0;
            const qsizetype end = shown.Row == to.Row ? to.Column : length;
            if (end > start)
                ranges.append({int(start), int(end - start), selected});
        }
        if (m_hit.Row == shown.Row)
            ranges.append({int(m_hit.Column), int(m_hit.Length), selected});
        shown.Layout->draw(&painter, QPointF(left, shown.Top), ranges);
    }
}

void LineView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    m_shownValid = false;
    m_layoutsKept = false;
    UpdateScrollBars();
    PlaceFindBar();
}

void LineView::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    // The find bar speaks the language of the moment, open or not.
    if (event->type() == QEvent::LanguageChange)
        SetFindCaptions();
    if (event->type() == QEvent::FontChange) {
        m_widestSeen = 0;
        m_shownValid = false;
        m_layoutsKept = false;
        UpdateScrollBars();
        viewport()->update();
    }
}

void LineView::scrollContentsBy(int dx, int) {
    m_shownValid = false;
    // Rows laid out no further than the old right edge.
    if (dx != 0)
        m_layoutsKept = false;
    viewport()->update();
}

bool LineView::event(QEvent* event) {
    // Copy and Find belong to the view that has the focus; the window's other
    // shortcuts pass by.
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key == QKeySequence::Copy || key == QKeySequence::Find) {
            event->accept();
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

void LineView::keyPressEvent(QKeyEvent* event) {
    if (event == QKeySequence::Copy) {
        Copy();
        return;
    }
    if (event == QKeySequence::Find) {
        ShowFind();
        return;
    }
    QScrollBar* rows = verticalScrollBar();
    QScrollBar* columns = horizontalScrollBar();
    const bool control = event->modifiers().testFlag(Qt::ControlModifier);
    switch (event->key()) {
    case Qt::Key_Escape:
        if (m_findBar->isVisible())
            m_findClose->click();
        else
            event->ignore();
        break;
    case Qt::Key_Up:
        rows->triggerAction(QAbstractSlider::SliderSingleStepSub);
        break;
    case Qt::Key_Down:
        rows->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        break;
    case Qt::Key_PageUp:
        rows->triggerAction(QAbstractSlider::SliderPageStepSub);
        break;
    case Qt::Key_PageDown:
        rows->triggerAction(QAbstractSlider::SliderPageStepAdd);
        break;
    case Qt::Key_Left:
        columns->triggerAction(QAbstractSlider::SliderSingleStepSub);
        break;
    case Qt::Key_Right:
        columns->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        break;
    case Qt::Key_Home:
        (control ? rows : columns)->setValue(0);
        break;
    case Qt::Key_End:
        if (control)
            rows->setValue(rows->maximum());
        else
            columns->setValue(columns->maximum());
        break;
    default:
        QAbstractScrollArea::keyPressEvent(event);
    }
}

LineView::TextPos LineView::PosAt(const QPoint& point) {
    LayOut();
    if (m_shown.empty())
        return {};
    const Shown* at = &m_shown.back();
    for (const Shown& shown : m_shown) {
        if (point.y() < shown.Top + shown.Height) {
            at = &shown;
            break;
        }
    }
    if (point.y() < m_shown.front().Top)
        return {m_shown.front().Row, 0};
    const qreal x = point.x() - Margin + (m_wrap ? 0 : horizontalScrollBar()->value());
    const qreal y = point.y() - at->Top;
    const QTextLayout& layout = *at->Layout;
    for (int i = 0; i < layout.lineCount(); ++i) {
        const QTextLine line = layout.lineAt(i);
        if (y < line.y() + line.height() || i + 1 == layout.lineCount())
            return {at->Row, line.xToCursor(x)};
    }
    return {at->Row, 0};
}

void LineView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    m_caret = PosAt(event->position().toPoint());
    if (!event->modifiers().testFlag(Qt::ShiftModifier))
        m_anchor = m_caret;
    m_selecting = true;
    viewport()->update();
}

void LineView::mouseMoveEvent(QMouseEvent* event) {
    if (!m_selecting)
        return;
    const QPoint point = event->position().toPoint();
    // Dragging past an edge scrolls on.
    if (point.y() < 0)
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    else if (point.y() > viewport()->height())
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    m_caret = PosAt(point);
    viewport()->update();
}

void LineView::mouseReleaseEvent(QMouseEvent*) {
    m_selecting = false;
}

void LineView::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    QAction* copy = menu.addAction(FindMessages::Copy.Text(), this, &LineView::Copy);
    copy->setEnabled(m_anchor != m_caret);
    menu.addAction(FindMessages::SelectAll.Text(), this, &LineView::SelectAll);
    menu.addAction(FindMessages::FindMenu.Text(), this, &LineView::ShowFind);
    menu.exec(event->globalPos());
}

void LineView::SelectAll() {
    const qsizetype rows = RowCount();
    m_anchor = {};
    m_caret = rows == 0 ? TextPos{} : TextPos{rows - 1, m_store->Row(rows - 1).size()};
    viewport()->update();
}

QString LineView::SelectedText() const {
    const TextPos from = qMin(m_anchor, m_caret);
    const TextPos to = qMax(m_anchor, m_caret);
    if (from == to)
        return {};
    QString text;
    for (qsizetype row = from.Row; row <= to.Row && row < RowCount(); ++row) {
        const QString line = m_store->Row(row);
        if (row > from.Row && !m_store->Continues(row))
            text += QLatin1Char('\n');
        const qsizetype start = row == from.Row ? from.Column : 0;
        const qsizetype end = row == to.Row ? to.Column : line.size();
        text += QStringView(line).sliced(qMin(start, line.size()),
                                         qMax<qsizetype>(0, qMin(end, line.size()) - start));
    }
    return text;
}

void LineView::Copy() const {
    // The clipboard takes the selection as one text: a selection of a
    // mapped file of gigabytes is refused in words, not copied for minutes.
    const qsizetype rows = qAbs(m_caret.Row - m_anchor.Row) + 1;
    if (rows > MaxCopiedRows) {
        MessageBoxes::Plain(const_cast<LineView*>(this),
                            FindMessages::TooMuchToCopy.Text().arg(rows).arg(MaxCopiedRows));
        return;
    }
    const QString text = SelectedText();
    if (!text.isEmpty())
        QApplication::clipboard()->setText(text);
}

void LineView::PlaceFindBar() {
    if (!m_findBar->isVisible())
        return;
    const int height = m_findBar->sizeHint().height();
    setViewportMargins(0, 0, 0, height);
    const QRect area = viewport()->geometry();
    m_findBar->setGeometry(area.left(), area.bottom() + 1, area.width(), height);
}

void LineView::SetFindCaptions() {
    m_findBar->findChild<QLabel*>(QStringLiteral("FindLabel"))->setText(FindMessages::Find.Text());
    m_findCase->setText(FindMessages::MatchCase.Text());
    m_findNext->setText(FindMessages::Next.Text());
    m_findPrevious->setText(FindMessages::Previous.Text());
    m_findClose->setText(FindMessages::Close.Text());
    if (m_finder.Running())
        m_findResult->setText(FindMessages::Searching.Text());
    else if (m_lastHits >= 0)
        m_findResult->setText(m_lastHits > 0 ? FindMessages::Found.Text().arg(m_lastHits)
                                             : FindMessages::NotFound.Text());
    if (m_findBar->isVisible())
        PlaceFindBar();
}

void LineView::ShowFind() {
    SetFindCaptions();
    m_findBar->show();
    PlaceFindBar();
    m_findText->setFocus();
    m_findText->selectAll();
}

void LineView::ResetFind() {
    m_finder.Stop();
    m_hit = {};
    m_findResult->clear();
    m_lastHits = -1;
    viewport()->update();
}

void LineView::FindNext(bool backward) {
    const QString text = m_findText->text();
    if (text.isEmpty())
        return;
    FindRequest request{text, m_findCase->isChecked(), backward, TopRow(), backward ? 0 : -1};
    if (m_hit.Row >= 0) {
        request.FromRow = m_hit.Row;
        request.FromColumn = m_hit.Column;
    }
    m_lastHits = -1;
    m_findResult->setText(FindMessages::Searching.Text());
    m_finder.Start(m_store, std::move(request));
}

void LineView::FindFinished(qsizetype hits) {
    m_lastHits = hits;
    m_findResult->setText(hits > 0 ? FindMessages::Found.Text().arg(hits) : FindMessages::NotFound.Text());
    if (hits == 0) {
        m_hit = {};
        viewport()->update();
    }
    emit FindDone(hits);
}

void LineView::ScrollToHit() {
    if (m_hit.Row < 0)
        return;
    const qsizetype top = TopRow();
    const int visible = VisibleRows();
    if (m_hit.Row < top || m_hit.Row >= top + visible - 1)
        verticalScrollBar()->setValue(int(qMax<qsizetype>(0, m_hit.Row - visible / 3)));
    if (!m_wrap) {
        qreal height = 0;
        const auto layout = LayOutRow(m_hit.Row, height, true);
        const qreal x = layout->lineAt(0).cursorToX(int(m_hit.Column));
        m_widestSeen = qMax(m_widestSeen, layout->maximumWidth());
        UpdateScrollBars();
        QScrollBar* columns = horizontalScrollBar();
        if (x < columns->value() || x > columns->value() + viewport()->width() - 4 * Margin)
            columns->setValue(int(x - viewport()->width() / 3));
    }
    m_shownValid = false;
    viewport()->update();
}
