#pragma once

#include <QDialog>

// The PLU database printing wizard, one instance for the whole run.
class TPLUPrintForm : public QDialog {
    Q_OBJECT
  public:
    explicit TPLUPrintForm(QWidget* parent = nullptr);
};
