#pragma once

#include <QLabel>

// The bold panel beside the toolbar that shows the page's hint; a right click
// asks for the modes popup, a double click for the about window. Under the
// hint it can carry notes that outlive page changes (the sales history's
// state, the service to other programs), one line each, shown only while there
// is one.
class HintsPanel : public QLabel {
    Q_OBJECT
  public:
    explicit HintsPanel(QWidget* parent = nullptr);

    // The note of one source (empty: it has nothing to say now).
    void SetNote(const QString& source, const QString& note);
    // Every note shown, one a line.
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
    QList<QPair<QString, QString>> m_notes;
};
