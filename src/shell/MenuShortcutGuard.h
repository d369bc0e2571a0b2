#pragma once

#include <QKeySequence>
#include <QList>
#include <QObject>

class QWidget;

// Lets the menu shortcuts of a window act whichever field has the focus: an
// edit field claims keys such as Ctrl+Z (its undo) before the shortcuts get
// them; for the menus' own keys that claim is refused.
class MenuShortcutGuard : public QObject {
    Q_OBJECT
  public:
    MenuShortcutGuard(QWidget* window, QList<QKeySequence> shortcuts);
    ~MenuShortcutGuard() override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget* m_window;
    QList<QKeySequence> m_shortcuts;
};
