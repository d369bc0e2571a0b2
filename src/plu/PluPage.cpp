#include "plu/PluPage.h"

#include "shell/Captions.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

PluPage::PluPage(QWidget* parent)
    : ModePage(QStringLiteral("ProgSheet"), QStringLiteral("ClosePLUSheet"), {"PLUs", "PLU"}, parent) {
    auto* fields = new QGridLayout;
    auto* codeLabel = new QLabel(QStringLiteral("PLU Code"), this);
    codeLabel->setObjectName(QStringLiteral("PPLUCode"));
    m_pluNum = new QLineEdit(this);
    m_pluNum->setObjectName(QStringLiteral("PLUNum"));
    m_pluNum->setMaximumWidth(80);
    auto* unitLabel = new QLabel(QStringLiteral("Unit"), this);
    unitLabel->setObjectName(QStringLiteral("Flags2"));
    m_unitCombo = new QComboBox(this);
    m_unitCombo->setObjectName(QStringLiteral("Flags2Combo"));
    m_unitCombo->setEditable(true);
    m_unitCombo->setMinimumWidth(160);
    fields->addWidget(codeLabel, 0, 0);
    fields->addWidget(m_pluNum, 0, 1);
    fields->addWidget(unitLabel, 1, 0);
    fields->addWidget(m_unitCombo, 1, 1);
    fields->setColumnStretch(2, 1);

    auto* scope = new QGroupBox(QStringLiteral("Write"), this);
    scope->setObjectName(QStringLiteral("PLUWriteGBox"));
    auto* scopeLayout = new QVBoxLayout(scope);
    m_stockOnly = new QRadioButton(QStringLiteral("Stock only"), scope);
    m_stockOnly->setObjectName(QStringLiteral("StockOnly"));
    m_constantFields = new QRadioButton(QStringLiteral("Constant fields only"), scope);
    m_constantFields->setObjectName(QStringLiteral("ConstantFields"));
    m_allPluData = new QRadioButton(QStringLiteral("Both constant fields and stock"), scope);
    m_allPluData->setObjectName(QStringLiteral("AllPLUData"));
    scopeLayout->addWidget(m_stockOnly);
    scopeLayout->addWidget(m_constantFields);
    scopeLayout->addWidget(m_allPluData);

    Body()->addLayout(fields);
    Body()->addWidget(scope);
    Body()->addStretch(1);
    SetConstantFieldsOnly(false);
}

void PluPage::FillUnitList(int lang) {
    m_unitCombo->clear();
    m_unitCombo->addItems(Captions::UnitNames(lang));
    m_unitCombo->setCurrentIndex(-1);
    m_unitCombo->setEditText(QString());
}

void PluPage::SetConstantFieldsOnly(bool othersOffered) {
    m_constantFields->setChecked(true);
    SetOtherScopesOffered(othersOffered);
}

void PluPage::SetOtherScopesOffered(bool offered) {
    m_stockOnly->setEnabled(offered);
    m_allPluData->setEnabled(offered);
}
