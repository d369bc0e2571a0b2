#pragma once

#include <QLabel>

// The bold panel beside the toolbar that shows the page's hint; a right click
// asks for the modes popup, a double click for the about window.
class HintsPanel : public QLabel {
    Q_OBJECT
  public:
    explicit HintsPanel(QWidget* parent = nullptr);

  signals:
    void PopupRequested(const QPoint& globalPos);
    void DoubleClicked();

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};
