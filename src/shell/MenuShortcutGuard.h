#pragma once

#include <QKeySequence>
#include <QList>
#include <QObject>

class QWidget;

// Lets the menu shortcuts of a window act whichever field has the focus: an
// edit field claims keys such as Ctrl+Z (its undo) before the shortcuts get
// them; for the menus' own keys that claim is refused, except where a widget
// around the focus names the key in its OwnedKeysProperty.
class MenuShortcutGuard : public QObject {
    Q_OBJECT
  public:
    MenuShortcutGuard(QWidget* window, QList<QKeySequence> shortcuts);
    ~MenuShortcutGuard() override;

    // A widget's keys (a string of key sequences, "; " between them) that
    // stay its own while the focus is inside it, a menu's shortcut or not.
    static constexpr const char* OwnedKeysProperty = "ownedKeys";

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget* m_window;
    QList<QKeySequence> m_shortcuts;
};
