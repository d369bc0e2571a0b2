#pragma once

#include "shell/ModePage.h"

class QComboBox;
class QGroupBox;
class QLineEdit;
class QRadioButton;

// The PLU programming page: the PLU number, the unit box and the write scope.
class PluPage : public ModePage {
    Q_OBJECT
  public:
    explicit PluPage(QWidget* parent = nullptr);

    [[nodiscard]] QLineEdit* PLUNum() const { return m_pluNum; }
    [[nodiscard]] QComboBox* Flags2Combo() const { return m_unitCombo; }
    // The unit names of a language; the box's current text is not kept.
    void FillUnitList(int lang);
    // Constant fields only, with the other two write scopes offered or not
    // (the register software version decides).
    void SetConstantFieldsOnly(bool othersOffered);
    void SetOtherScopesOffered(bool offered);

  private:
    QLineEdit* m_pluNum;
    QComboBox* m_unitCombo;
    QRadioButton* m_stockOnly;
    QRadioButton* m_constantFields;
    QRadioButton* m_allPluData;
};
