#include "reports/TOperForm.h"

TOperForm::TOperForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TOperForm"));
    setWindowTitle(QStringLiteral("Operator Statistics"));
}
