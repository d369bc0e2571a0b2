#include "shell/HintsPanel.h"

#include <QMouseEvent>

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
    setToolTip(QStringLiteral("Right click for tool selection"));
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
