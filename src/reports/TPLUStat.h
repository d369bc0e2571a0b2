#pragma once

#include <QDialog>

// The PLU statistics dialog, one instance for the whole run.
class TPLUStat : public QDialog {
    Q_OBJECT
  public:
    explicit TPLUStat(QWidget* parent = nullptr);
};
