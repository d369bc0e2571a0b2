#include "shell/HintsPanel.h"

#include <QMouseEvent>
#include <algorithm>

namespace {
constexpr int HintHeight = 32;
} // namespace

HintsPanel::HintsPanel(QWidget* parent) : QLabel(parent) {
    setObjectName(QStringLiteral("HintsPanel"));
    QFont bold = font();
    bold.setBold(true);
    setFont(bold);
    setAlignment(Qt::AlignCenter);
    // A warning can be longer than a page's hint: it takes a second line
    // rather than losing its ends.
    setWordWrap(true);
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Sunken);
    setAutoFillBackground(true);
    QPalette pale = palette();
    pale.setColor(QPalette::Window, QColor(0xFF, 0xFF, 0xE1));
    pale.setColor(QPalette::WindowText, Qt::black);
    setPalette(pale);
    setMinimumWidth(120);
    setFixedHeight(HintHeight);
    setToolTip(QStringLiteral("Right click for tool selection"));

    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("HintsNote"));
    QFont plain = font();
    plain.setBold(false);
    m_note->setFont(plain);
    // A note longer than its three lines loses its end, not its beginning.
    m_note->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_note->setWordWrap(true);
    QPalette warn = pale;
    warn.setColor(QPalette::WindowText, QColor(0x80, 0x00, 0x00));
    m_note->setPalette(warn);
    // Clicks reach the panel: its popup and about window work over the note too.
    m_note->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_note->hide();
}

void HintsPanel::SetNote(const QString& source, const QString& text) {
    auto at = std::find_if(m_notes.begin(), m_notes.end(), [&](const auto& n) { return n.first == source; });
    if (at == m_notes.end())
        at = m_notes.insert(m_notes.end(), {source, QString()});
    at->second = text;
    QStringList lines;
    for (const auto& [from, line] : m_notes)
        if (!line.isEmpty())
            lines << line;
    const QString note = lines.join(QLatin1Char('\n'));
    if (note == m_note->text() && m_note->isVisible() == !note.isEmpty())
        return;
    m_note->setText(note);
    m_note->setVisible(!note.isEmpty());
    PlaceNote();
}

QString HintsPanel::Note() const {
    return m_note->isHidden() ? QString() : m_note->text();
}

void HintsPanel::PlaceNote() {
    // The hint keeps its own height; the note takes room of its own below it,
    // as many lines as it needs at this width, up to three.
    const int width = qMax(0, contentsRect().width() - 4);
    int noteHeight = 0;
    if (!m_note->isHidden()) {
        const int lines = m_note->fontMetrics().lineSpacing();
        noteHeight = qBound(lines, m_note->heightForWidth(width), 3 * lines) + 2;
    }
    if (contentsMargins().bottom() != noteHeight) {
        setContentsMargins(0, 0, 0, noteHeight);
        setFixedHeight(HintHeight + noteHeight);
    }
    const QRect inside = contentsRect();
    m_note->setGeometry(inside.left() + 2, inside.bottom() + 1, width, noteHeight);
}

void HintsPanel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    PlaceNote();
}

void HintsPanel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton)
        emit PopupRequested(event->globalPosition().toPoint());
    QLabel::mousePressEvent(event);
}

void HintsPanel::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        emit DoubleClicked();
    QLabel::mouseDoubleClickEvent(event);
}
