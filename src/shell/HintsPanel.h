#pragma once

#include <QLabel>

// The bold panel beside the toolbar that shows the page's hint; a right click
// asks for the modes popup, a double click for the about window. Under the
// hint it can carry a note that outlives page changes (the sales history's
// state), shown only while there is one.
class HintsPanel : public QLabel {
    Q_OBJECT
  public:
    explicit HintsPanel(QWidget* parent = nullptr);

    void SetNote(const QString& note);
    [[nodiscard]] QString Note() const;

  signals:
    void PopupRequested(const QPoint& globalPos);
    void DoubleClicked();

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void PlaceNote();

    QLabel* m_note;
};
