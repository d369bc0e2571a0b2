#include "toolkit/FieldBuilders.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace FieldBuilders {

QLabel* Label(QWidget* parent, const char* name, const char* text) {
    return Named(new QLabel(QString::fromUtf8(text), parent), name);
}

QLabel* Label(QWidget* parent, const QString& name, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

QPushButton* Button(QWidget* parent, const char* name, const char* text, AutoDefault autoDefault) {
    auto* button = Named(new QPushButton(QString::fromUtf8(text), parent), name);
    if (autoDefault == AutoDefault::Off)
        button->setAutoDefault(false);
    return button;
}

QRadioButton* Radio(QWidget* parent, const char* name, const char* text) {
    return Named(new QRadioButton(QString::fromUtf8(text), parent), name);
}

QCheckBox* Check(QWidget* parent, const char* name, const char* text) {
    return Named(new QCheckBox(QString::fromUtf8(text), parent), name);
}

QLineEdit* Edit(QWidget* parent, const char* name, int maxLength, int width) {
    auto* edit = Named(new QLineEdit(parent), name);
    if (maxLength > 0)
        edit->setMaxLength(maxLength);
    if (width > 0)
        edit->setFixedWidth(width);
    return edit;
}

UpDownArrows UpDown(QWidget* parent, const char* name, std::function<void(int)> step) {
    auto* holder = Named(new QWidget(parent), name);
    auto* arrows = new QVBoxLayout(holder);
    arrows->setContentsMargins(0, 0, 0, 0);
    arrows->setSpacing(0);
    const auto arrow = [&](const char* suffix, Qt::ArrowType type, int direction) {
        auto* button = new QToolButton(holder);
        button->setObjectName(QString::fromLatin1(name) + QLatin1String(suffix));
        button->setArrowType(type);
        button->setFixedSize(18, 12);
        button->setAutoRepeat(true);
        arrows->addWidget(button);
        if (step)
            QObject::connect(button, &QToolButton::clicked, holder, [step, direction] { step(direction); });
        return button;
    };
    QToolButton* up = arrow("Up", Qt::UpArrow, 1);
    QToolButton* down = arrow("Down", Qt::DownArrow, -1);
    return {holder, up, down};
}

} // namespace FieldBuilders
