#include "database/TDataForm.h"

TDataForm::TDataForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TDataForm"));
    setWindowTitle(QStringLiteral("PLU Data Form"));
}
