#pragma once

#include <QDialog>

// The operator statistics dialog, one instance for the whole run.
class TOperForm : public QDialog {
    Q_OBJECT
  public:
    explicit TOperForm(QWidget* parent = nullptr);
};
