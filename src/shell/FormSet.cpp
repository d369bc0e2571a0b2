#include "shell/FormSet.h"

#include "barcodes/BarcodeOptionsFile.h"
#include "barcodes/TBarcodeForm.h"
#include "common/ShellSettings.h"
#include "database/TDataForm.h"
#include "header/TMessageForm.h"
#include "printing/TPLUPrintForm.h"
#include "printing/TRepStatusForm.h"
#include "reports/TOperForm.h"
#include "reports/TPLUStat.h"
#include "shell/MainMenus.h"
#include "shell/TDLForm.h"
#include "shell/TIntroForm.h"
#include "shell/TUserForm.h"
#include "shell/WindowGateway.h"
#include "shell/WindowHistory.h"
#include "spreadsheets/TExpImpForm.h"
#include "toolkit/MessageBoxes.h"

#include <QAction>
#include <QDir>

template <typename T, typename... Args> std::unique_ptr<T> FormSet::Create(const char* name, Args&&... args) {
    auto form = std::make_unique<T>(std::forward<Args>(args)...);
    m_order << QString::fromLatin1(name);
    return form;
}

FormSet::FormSet() {
    m_session = Create<RegisterSession>("RegisterSession");
    m_userForm = Create<TUserForm>("TUserForm", *m_session);
    m_dataForm = Create<TDataForm>("TDataForm", m_session->Table());
    const DatabaseFileResult database = m_session->LoadTable(QDir::currentPath());
    if (!database.Ok) {
        MessageBoxes::Plain(nullptr, database.Message);
        m_exitStatus = database.ExitStatus;
    }
    m_dlForm = Create<TDLForm>("TDLForm");
    m_pluStat = Create<TPLUStat>("TPLUStat");
    m_operForm = Create<TOperForm>("TOperForm");
    m_messageForm = Create<TMessageForm>("TMessageForm");
    m_pluPrintForm = Create<TPLUPrintForm>("TPLUPrintForm");
    m_repStatusForm = Create<TRepStatusForm>("TRepStatusForm");
    m_introForm = Create<TIntroForm>("TIntroForm");
    m_expImpForm = Create<TExpImpForm>("TExpImpForm");
    // The barcode rules are read from their file as their dialog is created.
    const BarcodeOptionsLoad barcodes = LoadBarcodeTypes(QDir::currentPath());
    m_session->Barcodes().SetApplied(barcodes.Table);
    m_barcodeForm = Create<TBarcodeForm>("TBarcodeForm", m_session->Barcodes());
    m_barcodeForm->ShowAppliedRules();
    if (!barcodes.Message.isEmpty())
        MessageBoxes::Plain(nullptr, barcodes.Message);
    m_dialogs = std::make_unique<ShellDialogs>(ShellDialogs{*m_dataForm, *m_dlForm, *m_pluStat, *m_operForm,
                                                            *m_messageForm, *m_pluPrintForm, *m_repStatusForm,
                                                            *m_introForm, *m_expImpForm, Dialogs()});
    m_userForm->Attach(*m_dialogs);
    WireBarcodeForm();
    m_history = std::make_unique<WindowHistory>(*m_userForm, *m_session);
    m_gateway = std::make_unique<WindowGateway>(*m_userForm, *m_session);
    QObject::connect(m_gateway.get(), &WindowGateway::ReceiptOutcome, m_history.get(),
                     &WindowHistory::GatewayReceipt);
}

FormSet::~FormSet() {
    // Calls from outside end, and what was recorded is committed, while the
    // session is still there.
    m_gateway.reset();
    m_history.reset();
    // The windows go before the session they show.
    m_userForm.reset();
    m_dataForm.reset();
    m_pluStat.reset();
    m_operForm.reset();
    m_messageForm.reset();
    m_pluPrintForm.reset();
    m_barcodeForm.reset();
}

void FormSet::WireBarcodeForm() {
    TUserForm& window = *m_userForm;
    QObject::connect(window.Menus()->Action(QStringLiteral("MnBarcodeDecoding")), &QAction::triggered,
                     m_barcodeForm.get(), &TBarcodeForm::ShowDialog);
    QObject::connect(&window, &TUserForm::LanguageApplied, m_barcodeForm.get(), &TBarcodeForm::SetLanguage);
    QObject::connect(m_barcodeForm.get(), &TBarcodeForm::ApplyRequested, &window,
                     [&window](const BarcodeTypeTable& applied) {
                         const QString failure = SaveBarcodeTypes(applied, Shell().StartDirectory);
                         if (!failure.isEmpty())
                             MessageBoxes::Plain(&window, failure);
                     });
}

QList<QWidget*> FormSet::Dialogs() const {
    return {m_dataForm.get(),    m_dlForm.get(),       m_pluStat.get(),       m_operForm.get(),
            m_messageForm.get(), m_pluPrintForm.get(), m_repStatusForm.get(), m_introForm.get(),
            m_expImpForm.get(),  m_barcodeForm.get()};
}
