#pragma once

#include <QMessageBox>
#include <QString>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

class QWidget;

// The program's title: the caption of its plain message boxes.
inline constexpr const char* ProgramTitle = "Orvex Commander";

struct MessageRequest {
    QString Title;
    QString Text;
    QMessageBox::Icon Icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons Buttons = QMessageBox::Ok;
    // The button Enter presses (none: the box's own choice); Escape gives it
    // too when it is among the buttons.
    QMessageBox::StandardButton Default = QMessageBox::NoButton;
    // Texts of the program's own for some of the buttons.
    std::vector<std::pair<QMessageBox::StandardButton, QString>> ButtonTexts = {};
};

// Every message box of the program goes through here, so that a test can
// answer it instead of a user (a box must never block a test).
namespace MessageBoxes {
using Hook = std::function<QMessageBox::StandardButton(const MessageRequest&)>;
// An empty hook brings back the real boxes.
void SetHook(Hook hook);
QMessageBox::StandardButton Show(QWidget* parent, const MessageRequest& request);
// The box Show would run, not yet shown (for a picture of it, say).
[[nodiscard]] std::unique_ptr<QMessageBox> Build(QWidget* parent, const MessageRequest& request);
// A plain box with the program title and an OK button.
void Plain(QWidget* parent, const QString& text);
} // namespace MessageBoxes
