#pragma once

#include "toolkit/ModePage.h"

class QPushButton;

// The page shown at start-up and after every Close: the product's title, its
// pictures and the Exit Commander button.
class StartPage : public ModePage {
    Q_OBJECT
  public:
    explicit StartPage(QWidget* parent = nullptr);

    [[nodiscard]] QPushButton* ExitButton() const { return m_exit; }
    // Outside the visible area of the page: ends the program at once.
    [[nodiscard]] QPushButton* TerminateButton() const { return m_terminate; }

  signals:
    void ExitCommanderClicked();
    void TerminateClicked();

  private:
    QPushButton* m_exit;
    QPushButton* m_terminate;
};
