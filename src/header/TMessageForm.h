#pragma once

#include <QDialog>

// The thanks message editor, one instance for the whole run.
class TMessageForm : public QDialog {
    Q_OBJECT
  public:
    explicit TMessageForm(QWidget* parent = nullptr);
};
