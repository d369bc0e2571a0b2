#pragma once

#include "shell/ModePage.h"

class QTextEdit;

// The file viewer page and its text view.
class ViewerPage : public ModePage {
    Q_OBJECT
  public:
    explicit ViewerPage(QWidget* parent = nullptr);

    [[nodiscard]] QTextEdit* ViewRich() const { return m_view; }

    [[nodiscard]] QList<QWidget*> TextViews() const override;
    [[nodiscard]] int SaveTargetIndex() const override { return 2; }
    [[nodiscard]] bool HasText() const override;

  private:
    QTextEdit* m_view;
};
