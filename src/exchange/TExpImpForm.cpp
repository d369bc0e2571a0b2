#include "exchange/TExpImpForm.h"

TExpImpForm::TExpImpForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TExpImpForm"));
    setWindowTitle(QStringLiteral("Export/Import"));
}
