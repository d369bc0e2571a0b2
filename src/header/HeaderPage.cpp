#include "header/HeaderPage.h"

#include <QVBoxLayout>

HeaderPage::HeaderPage(QWidget* parent)
    : ModePage(QStringLiteral("CompanySheet"), QStringLiteral("CloseHdrSheet"), {"Header", "Zaglavlje"},
               parent) {
    Body()->addStretch(1);
}
