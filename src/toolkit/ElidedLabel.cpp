#include "toolkit/ElidedLabel.h"

#include <QHelpEvent>
#include <QPainter>
#include <QStyle>
#include <QToolTip>

namespace {
// The most a notice asks for, in average characters; the layout may give more.
constexpr int PreferredChars = 40;
constexpr int MinimumChars = 8;
} // namespace

ElidedLabel::ElidedLabel(QWidget* parent) : QLabel(parent) {
    setWordWrap(false);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

QString ElidedLabel::ShownText() const {
    // One line: a notice's line breaks read as spaces.
    QString line = text();
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return fontMetrics().elidedText(line, Qt::ElideRight, qMax(0, contentsRect().width()));
}

QSize ElidedLabel::sizeHint() const {
    const QFontMetrics metrics = fontMetrics();
    const int whole = metrics.horizontalAdvance(text());
    const int width = qMin(whole, metrics.averageCharWidth() * PreferredChars);
    const QMargins margins = contentsMargins();
    return {width + margins.left() + margins.right(), metrics.height() + margins.top() + margins.bottom()};
}

QSize ElidedLabel::minimumSizeHint() const {
    const QFontMetrics metrics = fontMetrics();
    const QMargins margins = contentsMargins();
    return {metrics.averageCharWidth() * MinimumChars + margins.left() + margins.right(),
            metrics.height() + margins.top() + margins.bottom()};
}

bool ElidedLabel::event(QEvent* event) {
    // Without a tooltip of its own, a label cut short shows its whole text.
    if (event->type() == QEvent::ToolTip && toolTip().isEmpty()) {
        auto* help = static_cast<QHelpEvent*>(event);
        if (ShownText() != QString(text()).replace(QLatin1Char('\n'), QLatin1Char(' ')))
            QToolTip::showText(help->globalPos(), text(), this);
        else
            QToolTip::hideText();
        return true;
    }
    return QLabel::event(event);
}

void ElidedLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    drawFrame(&painter);
    style()->drawItemText(&painter, contentsRect(), int(alignment()) | Qt::TextSingleLine, palette(),
                          isEnabled(), ShownText(), foregroundRole());
}
