#pragma once

#include "database/PluTable.h"

#include <QDialog>

// The PC PLU database window, one instance for the whole run. It owns the PC's
// PLU table, which the program loads from pludb.dat as the window is created.
class TDataForm : public QDialog {
    Q_OBJECT
  public:
    explicit TDataForm(QWidget* parent = nullptr);

    [[nodiscard]] PluTable& Table() { return m_table; }
    [[nodiscard]] const PluTable& Table() const { return m_table; }

  private:
    PluTable m_table;
};
