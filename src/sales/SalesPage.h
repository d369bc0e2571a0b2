#pragma once

#include "shell/ModePage.h"

// The fiscal printer page. Its group Sales holds the whole page, so that the
// register software version can switch the page off at once.
class SalesPage : public ModePage {
    Q_OBJECT
  public:
    explicit SalesPage(QWidget* parent = nullptr);

    [[nodiscard]] QWidget* SalesGroup() const { return m_sales; }

  private:
    QWidget* m_sales;
};
