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
#include "session/SessionSetup.h"
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
    // The data folder is the working directory; the window keeps pludb.dat
    // locked for its whole run and saves it at the end. Its port and speed
    // come from its menus and kept settings.
    SessionPlace place;
    place.DataDir = QDir::currentPath();
    place.LockTable = true;
    place.OpenLine = false;
    const SessionSetupResult setup = SetUpSession(*m_session, place);
    if (!setup.Table.Ok) {
        MessageBoxes::Plain(nullptr, setup.Table.Message);
        m_exitStatus = setup.Table.ExitStatus;
    }
    m_dlForm = Create<TDLForm>("TDLForm");
    m_pluStat = Create<TPLUStat>("TPLUStat");
    m_operForm = Create<TOperForm>("TOperForm");
    m_messageForm = Create<TMessageForm>("TMessageForm");
    m_pluPrintForm = Create<TPLUPrintForm>("TPLUPrintForm");
    m_repStatusForm = Create<TRepStatusForm>("TRepStatusForm");
    m_introForm = Create<TIntroForm>("TIntroForm");
    m_expImpForm = Create<TExpImpForm>("TExpImpForm");
    m_barcodeForm = Create<TBarcodeForm>("TBarcodeForm", m_session->Barcodes());
    m_barcodeForm->ShowAppliedRules();
    if (!setup.BarcodeMessage.isEmpty())
        MessageBoxes::Plain(nullptr, setup.BarcodeMessage);
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
