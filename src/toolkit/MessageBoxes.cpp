#include "toolkit/MessageBoxes.h"

#include <QAbstractButton>

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

std::unique_ptr<QMessageBox> Build(QWidget* parent, const MessageRequest& request) {
    auto box =
        std::make_unique<QMessageBox>(request.Icon, request.Title, request.Text, request.Buttons, parent);
    if (request.Default != QMessageBox::NoButton) {
        box->setDefaultButton(request.Default);
        box->setEscapeButton(request.Default);
    }
    for (const auto& [button, text] : request.ButtonTexts) {
        if (QAbstractButton* b = box->button(button))
            b->setText(text);
    }
    return box;
}

QMessageBox::StandardButton Show(QWidget* parent, const MessageRequest& request) {
    if (CurrentHook())
        return CurrentHook()(request);
    return static_cast<QMessageBox::StandardButton>(Build(parent, request)->exec());
}

void Plain(QWidget* parent, const QString& text) {
    Show(parent, {QString::fromLatin1(ProgramTitle), text, QMessageBox::NoIcon, QMessageBox::Ok});
}

} // namespace MessageBoxes
