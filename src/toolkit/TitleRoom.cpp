#include "toolkit/TitleRoom.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QMessageBox>

namespace {
// The title bar's icon and buttons, as window managers draw them.
constexpr int TitleBarButtons = 120;
} // namespace

void TitleRoom::Install() {
    static TitleRoom* installed = [] {
        auto* room = new TitleRoom(qApp);
        qApp->installEventFilter(room);
        return room;
    }();
    Q_UNUSED(installed);
}

int TitleRoom::NeededWidth(const QWidget& window) {
    QFont titleFont = QApplication::font();
    titleFont.setBold(true);
    return QFontMetrics(titleFont).horizontalAdvance(window.windowTitle()) + TitleBarButtons;
}

void TitleRoom::Widen(QWidget& window) {
    if (window.windowTitle().isEmpty())
        return;
    const int needed = NeededWidth(window);
    if (auto* box = qobject_cast<QMessageBox*>(&window)) {
        // A message box sets its own size from its text when shown: its text
        // takes the room, with the box's margins and icon around it.
        if (auto* text = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label")))
            text->setMinimumWidth(qMax(text->minimumWidth(), needed - TitleBarButtons / 3));
        return;
    }
    if (window.width() >= needed && window.minimumWidth() >= needed)
        return;
    if (window.maximumWidth() < needed)
        window.setMaximumWidth(needed);
    window.setMinimumWidth(qMax(window.minimumWidth(), needed));
    if (window.width() < needed)
        window.resize(needed, window.height());
}

bool TitleRoom::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show || event->type() == QEvent::WindowTitleChange) {
        if (auto* dialog = qobject_cast<QDialog*>(watched); dialog && dialog->isWindow())
            Widen(*dialog);
    }
    return QObject::eventFilter(watched, event);
}
