#include "header/TMessageForm.h"

TMessageForm::TMessageForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TMessageForm"));
    setWindowTitle(QStringLiteral("Thanks Message"));
}
