#include "printing/UnlaidTextLayout.h"

UnlaidTextLayout::UnlaidTextLayout(QTextDocument* document) : QAbstractTextDocumentLayout(document) {}

void UnlaidTextLayout::draw(QPainter*, const PaintContext&) {}

int UnlaidTextLayout::hitTest(const QPointF&, Qt::HitTestAccuracy) const {
    return -1;
}

QRectF UnlaidTextLayout::frameBoundingRect(QTextFrame*) const {
    return {};
}

QRectF UnlaidTextLayout::blockBoundingRect(const QTextBlock&) const {
    return {};
}

void UnlaidTextLayout::documentChanged(int, int, int) {}
