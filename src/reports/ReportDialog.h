#pragma once

#include <QDialog>
#include <QPointer>

// A statistics dialog: centred on the screen, and while it is shown the main
// window takes no input.
class ReportDialog : public QDialog {
    Q_OBJECT
  public:
    using QDialog::QDialog;

    void SetOwner(QWidget* owner) { m_owner = owner; }

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    QPointer<QWidget> m_owner;
};
