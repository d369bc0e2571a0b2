#pragma once

#include <QDialog>

// The PC PLU database window, one instance for the whole run.
class TDataForm : public QDialog {
    Q_OBJECT
  public:
    explicit TDataForm(QWidget* parent = nullptr);
};
