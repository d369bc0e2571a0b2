#include "viewer/ViewerPage.h"

#include "printing/PagedTextPrint.h"
#include "protocol/RegisterCharset.h"
#include "toolkit/CharsetSwitch.h"
#include "toolkit/FieldBuilders.h"
#include "viewer/ViewerMessages.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTextCursor>
#include <QVBoxLayout>

using FieldBuilders::Button;

ViewerPage::ViewerPage(QWidget* parent)
    : ModePage(QStringLiteral("ViewerSheet"), QStringLiteral("CloseViewerSheet"), ViewerMessages::PageTitle,
               parent) {
    m_view = new QPlainTextEdit(this);
    m_view->setObjectName(QStringLiteral("ViewRich"));
    m_view->setReadOnly(true);
    m_view->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_view->setUndoRedoEnabled(false);
    m_view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont font(QString::fromLatin1(PlainFontName));
    font.setStyleHint(QFont::TypeWriter);
    m_view->setFont(font);
    m_view->setProperty(CharsetSwitch::CharsetProperty, RegisterCharsets::Cyrillic);
    Body()->addWidget(m_view, 1);

    m_clear = Button(this, "ClearViewer", "Clear");
    m_clear->setEnabled(false);
    // Beside the page's Close button.
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(m_clear);
    Body()->addLayout(row);

    connect(m_view, &QPlainTextEdit::textChanged, this, &ViewerPage::ViewRichChange);
    connect(m_clear, &QPushButton::clicked, this, &ViewerPage::ClearViewerClick);
}

QList<QWidget*> ViewerPage::TextViews() const {
    return {m_view};
}

bool ViewerPage::HasText() const {
    return !m_view->document()->isEmpty();
}

namespace {

// Characters given to the view at a time.
constexpr qsizetype PieceChars = 8 * 1024;

// The piece [from, to) of text as display lines: a line that has reached
// DisplayLineChars goes on in a new display line. column carries the length
// of the display line so far from piece to piece.
QString DisplayPiece(const QString& text, qsizetype from, qsizetype to, qsizetype& column) {
    QString piece;
    piece.reserve(to - from + (to - from) / ViewerPage::DisplayLineChars + 1);
    qsizetype i = from;
    while (i < to) {
        qsizetype lineEnd = text.indexOf(QLatin1Char('\n'), i);
        if (lineEnd < 0 || lineEnd > to)
            lineEnd = to;
        while (i < lineEnd) {
            if (column == ViewerPage::DisplayLineChars) {
                piece += QLatin1Char('\n');
                column = 0;
            }
            const qsizetype take = qMin(lineEnd - i, ViewerPage::DisplayLineChars - column);
            piece += QStringView(text).sliced(i, take);
            i += take;
            column += take;
        }
        if (lineEnd < to) {
            piece += QLatin1Char('\n');
            column = 0;
            i = lineEnd + 1;
        }
    }
    return piece;
}

} // namespace

bool ViewerPage::ShowText(const QString& text, const PieceStep& step) {
    m_text = text;
    // Painting the view after every piece would take longer than the pieces.
    m_view->setUpdatesEnabled(false);
    const auto updates = qScopeGuard([this] { m_view->setUpdatesEnabled(true); });
    PagedTextPrint::RemoveInPieces(*m_view->document(), [&] {
        if (step)
            step(0, text.size());
    });
    // The text comes in unwrapped; wrapping it once it is in costs one pass.
    m_view->setLineWrapMode(QPlainTextEdit::NoWrap);
    QTextCursor cursor(m_view->document());
    qsizetype column = 0;
    for (qsizetype from = 0; from < text.size(); from += PieceChars) {
        const qsizetype to = qMin(from + PieceChars, text.size());
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(DisplayPiece(text, from, to, column));
        if (step && !step(to, text.size())) {
            m_text.clear();
            PagedTextPrint::RemoveInPieces(*m_view->document(), [&] { step(0, text.size()); });
            return false;
        }
    }
    m_view->moveCursor(QTextCursor::Start);
    ApplyWordWrap();
    return true;
}

bool ViewerPage::SetWordWrap(bool on) {
    m_wrapWanted = on;
    ApplyWordWrap();
    return !on || m_view->lineWrapMode() == QPlainTextEdit::WidgetWidth;
}

void ViewerPage::ApplyWordWrap() {
    const bool wrap = m_wrapWanted && m_view->blockCount() <= MaxWrappedLines;
    m_view->setLineWrapMode(wrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
}

void ViewerPage::ViewRichChange() {
    const bool on = HasText();
    m_clear->setEnabled(on);
    emit FileCommandsRequested(on);
}

void ViewerPage::ClearViewerClick() {
    ShowText(QString(), [](qint64, qint64) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        return true;
    });
}
