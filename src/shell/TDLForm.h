#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The download status dialog: created with its captions, shown by no operation.
class TDLForm : public QDialog {
    Q_OBJECT
  public:
    explicit TDLForm(QWidget* parent = nullptr);

    [[nodiscard]] QLabel* DLStatusLabel() const { return m_status; }
    [[nodiscard]] QPushButton* CancelOK() const { return m_cancel; }

  private:
    QLabel* m_status;
    QLabel* m_read;
    QPushButton* m_cancel;
};
