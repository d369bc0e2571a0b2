#include "shell/HintsPanel.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QToolTip>
#include <algorithm>

namespace {
constexpr int HintHeight = 32;
const QColor HintColour(Qt::black);
const QColor WarningColour(0x80, 0x00, 0x00);

QString OneLine(QString text) {
    return text.replace(QLatin1Char('\n'), QLatin1Char(' '));
}
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
    pale.setColor(QPalette::WindowText, HintColour);
    setPalette(pale);
    setMinimumWidth(120);
    setFixedHeight(HintHeight);
    setToolTip(QStringLiteral("Right click for tool selection"));

    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("HintsNote"));
    QFont plain = font();
    plain.setBold(false);
    m_note->setFont(plain);
    m_note->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_note->setTextFormat(Qt::RichText);
    m_note->setWordWrap(false);
    m_note->setPalette(pale);
    // Clicks reach the panel: its popup and about window work over the note too.
    m_note->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_note->hide();
}

void HintsPanel::SetHint(const QString& text) {
    setText(OneLine(text));
}

void HintsPanel::SetNote(const QString& source, const QString& text, NoteKind kind) {
    auto at = std::find_if(m_notes.begin(), m_notes.end(), [&](const auto& n) { return n.Source == source; });
    if (at == m_notes.end())
        at = m_notes.insert(m_notes.end(), {source, QString(), kind});
    if (at->Text == text && at->Kind == kind)
        return;
    at->Text = text;
    at->Kind = kind;
    PlaceNote();
}

QList<const HintsPanel::SourceNote*> HintsPanel::ShownNotes() const {
    QList<const SourceNote*> shown;
    for (const SourceNote& note : m_notes)
        if (!note.Text.isEmpty())
            shown << &note;
    return shown;
}

QString HintsPanel::Note() const {
    QStringList lines;
    for (const SourceNote* note : ShownNotes())
        lines << note->Text;
    return lines.join(QLatin1Char('\n'));
}

QStringList HintsPanel::ShownNoteLines() const {
    const int width = qMax(0, contentsRect().width() - 8);
    QStringList lines;
    for (const SourceNote* note : ShownNotes())
        lines << m_note->fontMetrics().elidedText(OneLine(note->Text), Qt::ElideRight, width);
    return lines;
}

void HintsPanel::PlaceNote() {
    // The hint keeps its own height; the notes take room of their own below
    // it, one line each, cut short at this width rather than wrapped.
    const QList<const SourceNote*> notes = ShownNotes();
    const int width = qMax(0, contentsRect().width() - 4);
    const int noteHeight = notes.isEmpty() ? 0 : int(notes.size()) * m_note->fontMetrics().lineSpacing() + 2;
    if (contentsMargins().bottom() != noteHeight) {
        setContentsMargins(0, 0, 0, noteHeight);
        setFixedHeight(HintHeight + noteHeight);
    }
    const QStringList lines = ShownNoteLines();
    QStringList html;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QColor colour = notes[i]->Kind == NoteKind::Warning ? WarningColour : HintColour;
        html << QStringLiteral("<span style=\"color:%1\">%2</span>")
                    .arg(colour.name(), lines[i].toHtmlEscaped());
    }
    m_note->setText(html.join(QStringLiteral("<br>")));
    m_note->setVisible(!notes.isEmpty());
    const QRect inside = contentsRect();
    m_note->setGeometry(inside.left() + 2, inside.bottom() + 1, width, noteHeight);
}

bool HintsPanel::event(QEvent* event) {
    // Over a note cut short, the tooltip gives the notes whole.
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        if (m_note->isVisible() && m_note->geometry().contains(help->pos())) {
            QStringList whole;
            for (const SourceNote* note : ShownNotes())
                whole << OneLine(note->Text);
            if (ShownNoteLines() != whole) {
                QToolTip::showText(help->globalPos(), Note(), this);
                return true;
            }
        }
    }
    return QLabel::event(event);
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
