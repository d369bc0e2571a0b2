#pragma once

#include "shell/ModePage.h"

class QPlainTextEdit;
class QPushButton;

// The file viewer page: a text file shown as lines, which Save and Print take
// while the page is up.
class ViewerPage : public ModePage {
    Q_OBJECT
  public:
    explicit ViewerPage(QWidget* parent = nullptr);

    [[nodiscard]] QPlainTextEdit* ViewRich() const { return m_view; }
    [[nodiscard]] QPushButton* ClearViewer() const { return m_clear; }

    [[nodiscard]] QList<QWidget*> TextViews() const override;
    [[nodiscard]] int SaveTargetIndex() const override { return 2; }
    [[nodiscard]] bool HasText() const override;

    // Replaces the text; lines end at '\n'.
    void ShowText(const QString& text);
    void ClearViewerClick();

  private:
    void ViewRichChange();

    QPlainTextEdit* m_view;
    QPushButton* m_clear;
};
