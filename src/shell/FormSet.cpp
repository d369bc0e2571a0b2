#include "shell/FormSet.h"

#include "barcodes/BarcodeOptionsFile.h"
#include "barcodes/TBarcodeForm.h"
#include "common/ShellSettings.h"
#include "database/PluDatabaseFile.h"
#include "database/TDataForm.h"
#include "spreadsheets/TExpImpForm.h"
#include "printing/TPLUPrintForm.h"
#include "printing/TRepStatusForm.h"
#include "header/TMessageForm.h"
#include "reports/TOperForm.h"
#include "reports/TPLUStat.h"
#include "serial/TRS232Form.h"
#include "shell/MainMenus.h"
#include "toolkit/MessageBoxes.h"
#include "shell/TDLForm.h"
#include "shell/TIntroForm.h"
#include "shell/TUserForm.h"

#include <QAction>
#include <QDir>

template <typename T, typename... Args> std::unique_ptr<T> FormSet::Create(const char* name, Args&&... args) {
    auto form = std::make_unique<T>(std::forward<Args>(args)...);
    m_order << QString::fromLatin1(name);
    return form;
}

FormSet::FormSet() {
    m_userForm = Create<TUserForm>("TUserForm");
    m_dataForm = Create<TDataForm>("TDataForm");
    const DatabaseFileResult database = LoadDatabase(m_dataForm->Table(), QDir::currentPath());
    if (!database.Ok) {
        MessageBoxes::Plain(nullptr, database.Message);
        m_exitStatus = database.ExitStatus;
    }
    m_rs232Form = Create<TRS232Form>("TRS232Form");
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
    m_barcodeRules.SetApplied(barcodes.Table);
    m_barcodeForm = Create<TBarcodeForm>("TBarcodeForm", m_barcodeRules);
    m_barcodeForm->ShowAppliedRules();
    if (!barcodes.Message.isEmpty())
        MessageBoxes::Plain(nullptr, barcodes.Message);
    m_userForm->Attach(*this);
    m_userForm->SetDatabase(&m_dataForm->Table());
    WireBarcodeForm();
}

FormSet::~FormSet() {
    // The main window's link goes before the port it talks through.
    m_userForm.reset();
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
