#include "reports/TPLUStat.h"

TPLUStat::TPLUStat(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TPLUStat"));
    setWindowTitle(QStringLiteral("PLU Statistics"));
}
