#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The status of a range read from the register: shown beside the window
// while the PLUs come in, with how many have been read; Cancel (or Escape)
// stops the read.
class TDLForm : public QDialog {
    Q_OBJECT
  public:
    explicit TDLForm(QWidget* parent = nullptr);

    [[nodiscard]] QLabel* DLStatusLabel() const { return m_status; }
    [[nodiscard]] QPushButton* CancelOK() const { return m_cancel; }
    [[nodiscard]] QString CountText() const;
    void ShowCount(int done, int total);

  signals:
    void CancelRequested();

  public slots:
    void reject() override;

  private:
    QLabel* m_status;
    QLabel* m_read;
    QLabel* m_count;
    QPushButton* m_cancel;
};
