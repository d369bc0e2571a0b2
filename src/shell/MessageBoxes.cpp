#include "shell/MessageBoxes.h"

namespace {
MessageBoxes::Hook& CurrentHook() {
    static MessageBoxes::Hook hook;
    return hook;
}
} // namespace

namespace MessageBoxes {

void SetHook(Hook hook) {
    CurrentHook() = std::move(hook);
}

QMessageBox::StandardButton Show(QWidget* parent, const MessageRequest& request) {
    if (CurrentHook())
        return CurrentHook()(request);
    QMessageBox box(request.Icon, request.Title, request.Text, request.Buttons, parent);
    if (request.Default != QMessageBox::NoButton)
        box.setDefaultButton(request.Default);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

void Plain(QWidget* parent, const QString& text) {
    Show(parent, {QString::fromLatin1(ProgramTitle), text, QMessageBox::NoIcon, QMessageBox::Ok});
}

} // namespace MessageBoxes
