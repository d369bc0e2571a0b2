#pragma once

#include "shell/ModePage.h"

class QPlainTextEdit;

// The sales monitor: the live journal of the register.
class MonitorPage : public ModePage {
    Q_OBJECT
  public:
    explicit MonitorPage(QWidget* parent = nullptr);

    [[nodiscard]] QPlainTextEdit* MonListBox() const { return m_monListBox; }
    // The Close button is hidden while the start page is up.
    void SetCloseVisible(bool visible);

    [[nodiscard]] QList<QWidget*> TextViews() const override;
    [[nodiscard]] int SaveTargetIndex() const override { return 0; }
    [[nodiscard]] bool HasText() const override;

  private:
    QPlainTextEdit* m_monListBox;
};
