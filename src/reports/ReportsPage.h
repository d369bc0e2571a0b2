#pragma once

#include "shell/ModePage.h"

class QTextEdit;

// The daily reports page and its text view.
class ReportsPage : public ModePage {
    Q_OBJECT
  public:
    explicit ReportsPage(QWidget* parent = nullptr);

    [[nodiscard]] QTextEdit* DailyRich() const { return m_view; }

    [[nodiscard]] QList<QWidget*> TextViews() const override;
    [[nodiscard]] int SaveTargetIndex() const override { return 1; }
    [[nodiscard]] bool HasText() const override;

  private:
    QTextEdit* m_view;
};
