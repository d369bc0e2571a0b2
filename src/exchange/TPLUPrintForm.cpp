#include "exchange/TPLUPrintForm.h"

TPLUPrintForm::TPLUPrintForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TPLUPrintForm"));
    setWindowTitle(QStringLiteral("PLUs Printing Form"));
}
