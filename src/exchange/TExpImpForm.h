#pragma once

#include <QDialog>

// The export/import progress dialog, one instance for the whole run.
class TExpImpForm : public QDialog {
    Q_OBJECT
  public:
    explicit TExpImpForm(QWidget* parent = nullptr);
};
