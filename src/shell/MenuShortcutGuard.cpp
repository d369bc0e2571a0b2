#include "shell/MenuShortcutGuard.h"

#include <QApplication>
#include <QKeyEvent>
#include <QVariant>
#include <QWidget>

MenuShortcutGuard::MenuShortcutGuard(QWidget* window, QList<QKeySequence> shortcuts)
    : QObject(window), m_window(window), m_shortcuts(std::move(shortcuts)) {
    qApp->installEventFilter(this);
}

MenuShortcutGuard::~MenuShortcutGuard() {
    qApp->removeEventFilter(this);
}

bool MenuShortcutGuard::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::ShortcutOverride)
        return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != m_window)
        return false;
    const QKeySequence pressed(static_cast<QKeyEvent*>(event)->keyCombination());
    if (!m_shortcuts.contains(pressed))
        return false;
    // A widget that names the key among its own keeps it while the focus is
    // inside it (a text view's Find, say): the key goes to the focus widget
    // and, unused there, on up to the one that owns it.
    for (const QWidget* inside = widget; inside && inside != m_window; inside = inside->parentWidget()) {
        const QVariant owned = inside->property(OwnedKeysProperty);
        if (owned.isValid() && QKeySequence::listFromString(owned.toString()).contains(pressed)) {
            event->accept();
            return true;
        }
    }
    // Left unaccepted, the override lets the shortcut have the key.
    event->ignore();
    return true;
}
