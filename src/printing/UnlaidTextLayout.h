#pragma once

#include <QAbstractTextDocumentLayout>

// The layout of a document that is never shown: it places nothing. The print
// buffer holds a whole day of journal lines; a real layout would lay them out
// behind the scenes in steps long enough to keep the serial port waiting, for
// a view no one sees (printing lays the text out for the printer itself).
class UnlaidTextLayout : public QAbstractTextDocumentLayout {
    Q_OBJECT
  public:
    explicit UnlaidTextLayout(QTextDocument* document);

    void draw(QPainter* painter, const PaintContext& context) override;
    [[nodiscard]] int hitTest(const QPointF& point, Qt::HitTestAccuracy accuracy) const override;
    [[nodiscard]] int pageCount() const override { return 1; }
    [[nodiscard]] QSizeF documentSize() const override { return {}; }
    [[nodiscard]] QRectF frameBoundingRect(QTextFrame* frame) const override;
    [[nodiscard]] QRectF blockBoundingRect(const QTextBlock& block) const override;

  protected:
    void documentChanged(int from, int charsRemoved, int charsAdded) override;
};
