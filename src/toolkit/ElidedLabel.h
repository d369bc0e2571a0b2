#pragma once

#include <QLabel>

// A one-line label for notices whose length the program does not choose (a
// file name, a system's reason): however long its text, it asks its layout
// for no more room than a few words, so a notice never widens the window. A
// text that does not fit is cut short with an ellipsis and shown whole in the
// label's tooltip. text() is always the whole text.
class ElidedLabel : public QLabel {
    Q_OBJECT
  public:
    explicit ElidedLabel(QWidget* parent = nullptr);

    // The text as drawn at the label's present width.
    [[nodiscard]] QString ShownText() const;

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};
