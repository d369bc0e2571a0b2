#include "sales/SalesPage.h"

#include <QGroupBox>
#include <QVBoxLayout>

SalesPage::SalesPage(QWidget* parent)
    : ModePage(QStringLiteral("SalesSheet"), QStringLiteral("SlsCloseBtn"),
               {"Fiscal Printer", "Fiskalni printer"}, parent) {
    m_sales = new QGroupBox(this);
    m_sales->setObjectName(QStringLiteral("Sales"));
    new QVBoxLayout(m_sales);
    Body()->addWidget(m_sales, 1);
}
