#pragma once

#include <QLabel>

// The bold panel beside the toolbar that shows the page's hint; a right click
// asks for the modes popup, a double click for the about window. Under the
// hint it can carry notes that outlive page changes (the sales history's
// state, the service to other programs), one line each, shown only while there
// is one. A note too long for the panel is cut short on screen and shown whole
// in the panel's tooltip: a note never widens the window.
class HintsPanel : public QLabel {
    Q_OBJECT
  public:
    explicit HintsPanel(QWidget* parent = nullptr);

    // A note that says all is well reads as the hint does; a warning stands out.
    enum class NoteKind { Normal, Warning };

    // The hint itself, a message's lines run into one.
    void SetHint(const QString& text);
    // The note of one source (empty: it has nothing to say now).
    void SetNote(const QString& source, const QString& note, NoteKind kind = NoteKind::Warning);
    // Every note shown, one a line, whole.
    [[nodiscard]] QString Note() const;
    // The notes as drawn at the panel's present width.
    [[nodiscard]] QStringList ShownNoteLines() const;

  signals:
    void PopupRequested(const QPoint& globalPos);
    void DoubleClicked();

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

  private:
    void PlaceNote();

    struct SourceNote {
        QString Source;
        QString Text;
        NoteKind Kind;
    };
    [[nodiscard]] QList<const SourceNote*> ShownNotes() const;

    QLabel* m_note;
    QList<SourceNote> m_notes;
};
