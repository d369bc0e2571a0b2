#include "shell/MenuShortcutGuard.h"

#include <QApplication>
#include <QKeyEvent>
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
    // Left unaccepted, the override lets the shortcut have the key.
    event->ignore();
    return true;
}
