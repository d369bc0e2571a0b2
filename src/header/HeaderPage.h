#pragma once

#include "shell/ModePage.h"

// The receipt header page.
class HeaderPage : public ModePage {
    Q_OBJECT
  public:
    explicit HeaderPage(QWidget* parent = nullptr);
};
