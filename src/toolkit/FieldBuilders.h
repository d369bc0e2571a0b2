#pragma once

#include <QString>
#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QToolButton;
class QWidget;

// The controls the pages are made of, each under its object name: tests and
// the caption tables find a control by that name, so no control is built
// without one. Names are ASCII; texts are UTF-8.
namespace FieldBuilders {

template <typename T> T* Named(T* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

[[nodiscard]] QLabel* Label(QWidget* parent, const char* name, const char* text);
// For names and texts made up at run time (one per line of a list).
[[nodiscard]] QLabel* Label(QWidget* parent, const QString& name, const QString& text);

// Whether Enter anywhere in the window presses the button. Buttons of a
// dialog do by default, which a wizard's fields must not trigger.
enum class AutoDefault { AsParent, Off };
[[nodiscard]] QPushButton* Button(QWidget* parent, const char* name, const char* text,
                                  AutoDefault autoDefault = AutoDefault::AsParent);

[[nodiscard]] QRadioButton* Radio(QWidget* parent, const char* name, const char* text);
[[nodiscard]] QCheckBox* Check(QWidget* parent, const char* name, const char* text);

// maxLength and width 0 leave the edit's own (32767 characters, as wide as
// its layout makes it).
[[nodiscard]] QLineEdit* Edit(QWidget* parent, const char* name, int maxLength = 0, int width = 0);

// A pair of small arrows stacked beside a number field, as a spin box has,
// named name, name + "Up" and name + "Down"; they repeat while held. A step,
// if given, hears +1 from the up arrow and -1 from the down arrow.
struct UpDownArrows {
    QWidget* Holder;
    QToolButton* Up;
    QToolButton* Down;
};
[[nodiscard]] UpDownArrows UpDown(QWidget* parent, const char* name, std::function<void(int)> step = {});

} // namespace FieldBuilders
