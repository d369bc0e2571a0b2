#include "exchange/TRepStatusForm.h"

TRepStatusForm::TRepStatusForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TRepStatusForm"));
    setWindowTitle(QStringLiteral("Report Creation Status"));
}
