#pragma once

#include "barcodes/BarcodeTypeTable.h"

#include <QStringList>
#include <memory>

class TBarcodeForm;
class TDataForm;
class TDLForm;
class TExpImpForm;
class TIntroForm;
class TMessageForm;
class TOperForm;
class TPLUPrintForm;
class TPLUStat;
class TRepStatusForm;
class TRS232Form;
class TUserForm;
class QWidget;

// The program's windows: each a single instance, created once in a fixed
// order (the main window first) and kept until the end.
class FormSet {
  public:
    FormSet();
    ~FormSet();
    FormSet(const FormSet&) = delete;
    FormSet& operator=(const FormSet&) = delete;

    [[nodiscard]] TUserForm& UserForm() const { return *m_userForm; }
    [[nodiscard]] TDataForm& DataForm() const { return *m_dataForm; }
    [[nodiscard]] TRS232Form& RS232Form() const { return *m_rs232Form; }
    [[nodiscard]] TDLForm& DLForm() const { return *m_dlForm; }
    [[nodiscard]] TPLUStat& PLUStat() const { return *m_pluStat; }
    [[nodiscard]] TOperForm& OperForm() const { return *m_operForm; }
    [[nodiscard]] TMessageForm& MessageForm() const { return *m_messageForm; }
    [[nodiscard]] TPLUPrintForm& PLUPrintForm() const { return *m_pluPrintForm; }
    [[nodiscard]] TRepStatusForm& RepStatusForm() const { return *m_repStatusForm; }
    [[nodiscard]] TIntroForm& IntroForm() const { return *m_introForm; }
    [[nodiscard]] TExpImpForm& ExpImpForm() const { return *m_expImpForm; }
    [[nodiscard]] TBarcodeForm& BarcodeForm() const { return *m_barcodeForm; }
    [[nodiscard]] BarcodeRules& Barcodes() { return m_barcodeRules; }

    // Non-zero when start-up failed (the database could not be loaded) and the
    // program is to end with this status; the user has been told why.
    [[nodiscard]] int StartupExitStatus() const { return m_exitStatus; }
    // The class names in the order the windows were created.
    [[nodiscard]] QStringList CreationOrder() const { return m_order; }
    // The dialogs by object name, for the captions of the language switch.
    [[nodiscard]] QList<QWidget*> Dialogs() const;

  private:
    template <typename T, typename... Args> std::unique_ptr<T> Create(const char* name, Args&&... args);
    void WireBarcodeForm();

    QStringList m_order;
    int m_exitStatus = 0;
    BarcodeRules m_barcodeRules;
    std::unique_ptr<TUserForm> m_userForm;
    std::unique_ptr<TDataForm> m_dataForm;
    std::unique_ptr<TRS232Form> m_rs232Form;
    std::unique_ptr<TDLForm> m_dlForm;
    std::unique_ptr<TPLUStat> m_pluStat;
    std::unique_ptr<TOperForm> m_operForm;
    std::unique_ptr<TMessageForm> m_messageForm;
    std::unique_ptr<TPLUPrintForm> m_pluPrintForm;
    std::unique_ptr<TRepStatusForm> m_repStatusForm;
    std::unique_ptr<TIntroForm> m_introForm;
    std::unique_ptr<TExpImpForm> m_expImpForm;
    std::unique_ptr<TBarcodeForm> m_barcodeForm;
};
