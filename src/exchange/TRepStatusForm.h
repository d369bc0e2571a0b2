#pragma once

#include <QDialog>

// The report creation status dialog, one instance for the whole run.
class TRepStatusForm : public QDialog {
    Q_OBJECT
  public:
    explicit TRepStatusForm(QWidget* parent = nullptr);
};
