#pragma once

#include <QDialog>

class HeaderSequence;
class QCheckBox;
class QKeyEvent;
class QLineEdit;
class QPushButton;

// The thanks message editor, one instance for the whole run. It stays open
// until the register has confirmed the line, so that a text the register
// never took is not lost.
class TMessageForm : public QDialog {
    Q_OBJECT
  public:
    explicit TMessageForm(QWidget* parent = nullptr);

    void Attach(HeaderSequence& sequence) { m_sequence = &sequence; }
    // Shows the editor over the disabled main window, the focus in the line.
    void Open();

    void WriteClick();
    void CloseClick();
    void CenterClick(bool checked);

    [[nodiscard]] QLineEdit* Line() const { return m_line; }
    [[nodiscard]] bool IsWriting() const { return m_writing; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

  private:
    // Escape, Enter and typing in the line (and Escape and Enter anywhere).
    bool LineKey(const QKeyEvent* key);

    HeaderSequence* m_sequence = nullptr;
    QLineEdit* m_line;
    QCheckBox* m_center;
    QPushButton* m_write;
    bool m_writing = false;
    bool m_closing = false;
};
