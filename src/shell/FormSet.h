#pragma once

#include "barcodes/BarcodeTypeTable.h"
#include "session/RegisterSession.h"
#include "shell/ShellDialogs.h"

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
class TUserForm;
class WindowGateway;
class WindowHistory;
class QWidget;

// The program's register session and its windows: the session first, then
// each window a single instance, created once in a fixed order (the main
// window first) and kept until the end.
class FormSet {
  public:
    FormSet();
    ~FormSet();
    FormSet(const FormSet&) = delete;
    FormSet& operator=(const FormSet&) = delete;

    [[nodiscard]] RegisterSession& Session() const { return *m_session; }
    [[nodiscard]] TUserForm& UserForm() const { return *m_userForm; }
    [[nodiscard]] TDataForm& DataForm() const { return *m_dataForm; }
    [[nodiscard]] TDLForm& DLForm() const { return *m_dlForm; }
    [[nodiscard]] TPLUStat& PLUStat() const { return *m_pluStat; }
    [[nodiscard]] TOperForm& OperForm() const { return *m_operForm; }
    [[nodiscard]] TMessageForm& MessageForm() const { return *m_messageForm; }
    [[nodiscard]] TPLUPrintForm& PLUPrintForm() const { return *m_pluPrintForm; }
    [[nodiscard]] TRepStatusForm& RepStatusForm() const { return *m_repStatusForm; }
    [[nodiscard]] TIntroForm& IntroForm() const { return *m_introForm; }
    [[nodiscard]] TExpImpForm& ExpImpForm() const { return *m_expImpForm; }
    [[nodiscard]] TBarcodeForm& BarcodeForm() const { return *m_barcodeForm; }
    // The sales history of the window's session; recording once it is opened.
    [[nodiscard]] WindowHistory& History() const { return *m_history; }
    // The window's register served to other programs of this PC, when turned on.
    [[nodiscard]] WindowGateway& Gateway() const { return *m_gateway; }

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
    std::unique_ptr<RegisterSession> m_session;
    std::unique_ptr<TUserForm> m_userForm;
    std::unique_ptr<TDataForm> m_dataForm;
    std::unique_ptr<TDLForm> m_dlForm;
    std::unique_ptr<TPLUStat> m_pluStat;
    std::unique_ptr<TOperForm> m_operForm;
    std::unique_ptr<TMessageForm> m_messageForm;
    std::unique_ptr<TPLUPrintForm> m_pluPrintForm;
    std::unique_ptr<TRepStatusForm> m_repStatusForm;
    std::unique_ptr<TIntroForm> m_introForm;
    std::unique_ptr<TExpImpForm> m_expImpForm;
    std::unique_ptr<TBarcodeForm> m_barcodeForm;
    std::unique_ptr<ShellDialogs> m_dialogs;
    std::unique_ptr<WindowHistory> m_history;
    std::unique_ptr<WindowGateway> m_gateway;
};
