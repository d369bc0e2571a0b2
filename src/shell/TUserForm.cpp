#include "shell/TUserForm.h"

#include "common/ShellSettings.h"
#include "common/SystemReasons.h"
#include "database/PluDatabaseFile.h"
#include "database/TDataForm.h"
#include "header/HeaderPage.h"
#include "header/HeaderSequence.h"
#include "header/TMessageForm.h"
#include "history/HistoryMessages.h"
#include "history/HistoryPage.h"
#include "monitor/JournalMonitor.h"
#include "monitor/MonitorPage.h"
#include "monitor/SalesJournalHooks.h"
#include "plu/PluPage.h"
#include "plu/PluTransfer.h"
#include "printing/TPLUPrintForm.h"
#include "printing/TRepStatusForm.h"
#include "protocol/RegisterCharset.h"
#include "protocol/RegisterFinder.h"
#include "protocol/ReplyDispatcher.h"
#include "reports/DailyReports.h"
#include "reports/PluStatSeries.h"
#include "reports/ReportsPage.h"
#include "reports/TOperForm.h"
#include "reports/TPLUStat.h"
#include "sales/SaleMessages.h"
#include "sales/SalesPage.h"
#include "sales/StatusReplies.h"
#include "session/RegisterSession.h"
#include "shell/CommanderHelp.h"
#include "shell/FailedSaveQuery.h"
#include "shell/HintsPanel.h"
#include "shell/LinkCaptions.h"
#include "shell/MainMenus.h"
#include "shell/MenuShortcutGuard.h"
#include "shell/RegisterSearch.h"
#include "shell/ShellDialogs.h"
#include "shell/StartPage.h"
#include "shell/TDLForm.h"
#include "shell/TIntroForm.h"
#include "spreadsheets/SpreadsheetExchange.h"
#include "toolkit/CharsetSwitch.h"
#include "toolkit/FileDialogs.h"
#include "toolkit/MessageBoxes.h"
#include "toolkit/QtSerbian.h"
#include "toolkit/TitleRoom.h"
#include "viewer/LineView.h"
#include "viewer/TextFileCommands.h"
#include "viewer/ViewerMessages.h"
#include "viewer/ViewerPage.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QStackedWidget>
#include <QStyle>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <functional>
#include <utility>

TUserForm::TUserForm(RegisterSession& session, QWidget* parent)
    : QMainWindow(parent), m_session(session), m_dispatcher(&session.Dispatcher()) {
    setObjectName(QStringLiteral("TUserForm"));
    setWindowTitle(QStringLiteral("Orvex  Commander"));
    setFont(QFont(QStringLiteral("Courier New")));
    TitleRoom::Install();

    ResetShellSettings();
    m_session.SetLanguage(Shell().UiLanguage);
    m_session.SetCharset(Shell().RegisterCharset);
    m_session.SetDecimalSeparator(QLocale::system().decimalPoint().front());
    m_menus = new MainMenus(this);
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("Central"));
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    layout->addWidget(BuildToolbar());
    BuildPages();
    // A page that asks for more room than the window has (a long notice, a
    // box opened on it) scrolls inside the window rather than growing it: the
    // window keeps the size the user gave it.
    auto* pageScroll = new QScrollArea(central);
    pageScroll->setObjectName(QStringLiteral("PageScroll"));
    pageScroll->setFrameShape(QFrame::NoFrame);
    pageScroll->setWidgetResizable(true);
    pageScroll->setWidget(m_pageControl);
    layout->addWidget(pageScroll, 1);
    setCentralWidget(central);
    FitToPages();
    m_captions.AddForm(QString(), this);
    ConnectMenus();
    new MenuShortcutGuard(this, m_menus->Shortcuts());

    m_hints->setText(Captions::StartHint.Text(Shell().UiLanguage));
    ShowPage(m_startPage);
}

TUserForm::~TUserForm() = default;

QSize TUserForm::DefaultSize() const {
    // Room for every page as it is laid out now, with the boxes a page opens
    // on request (the new price box of the fiscal printer page) open too, and
    // with its wrapped texts at the width the window will have.
    const auto measured = [](QWidget* page, const std::function<int(QWidget*)>& measure) {
        QList<QGroupBox*> closed;
        for (QGroupBox* box : page->findChildren<QGroupBox*>())
            if (box->isHidden() && box->parentWidget() && !box->parentWidget()->isHidden())
                closed << box;
        // The layouts between a box and the page measure it afresh.
        const auto remeasure = [page](const QList<QGroupBox*>& boxes) {
            for (QGroupBox* box : boxes)
                for (QWidget* up = box->parentWidget(); up; up = up == page ? nullptr : up->parentWidget())
                    if (up->layout())
                        up->layout()->invalidate();
        };
        for (QGroupBox* box : closed)
            box->setVisible(true);
        remeasure(closed);
        if (page->layout())
            page->layout()->invalidate();
        const int value = measure(page);
        for (QGroupBox* box : closed)
            box->setVisible(false);
        remeasure(closed);
        return value;
    };
    QSize pages = m_pageControl->minimumSizeHint();
    for (int i = 0; i < m_pageControl->count(); ++i)
        pages.setWidth(qMax(pages.width(), measured(m_pageControl->widget(i), [](QWidget* page) {
                                return page->minimumSizeHint().width();
                            })));
    for (int i = 0; i < m_pageControl->count(); ++i)
        pages.setHeight(qMax(pages.height(), measured(m_pageControl->widget(i), [&pages](QWidget* page) {
                                 const int height = page->minimumSizeHint().height();
                                 return page->hasHeightForWidth()
                                            ? qMax(height, page->heightForWidth(pages.width()))
                                            : height;
                             })));
    // The page stack asks its scroll area for its pages' usual heights at this width.
    if (m_pageControl->hasHeightForWidth())
        pages.setHeight(qMax(pages.height(), m_pageControl->heightForWidth(pages.width())));
    const QWidget* central = centralWidget();
    const QMargins margins = central->layout()->contentsMargins();
    const QSize bar = central->findChild<QWidget*>(QStringLiteral("ToolBarPanel"))->minimumSizeHint();
    QSize size(qMax(bar.width(), pages.width()) + margins.left() + margins.right(),
               bar.height() + central->layout()->spacing() + pages.height() + margins.top() +
                   margins.bottom() + menuBar()->sizeHint().height());
    size = size.expandedTo(QSize(560, 480));
    if (const QScreen* screen = this->screen())
        size = size.boundedTo(screen->availableGeometry().size());
    return size;
}

QToolButton* TUserForm::ToolButton(const char* name, const char* hint, int icon) {
    auto* button = new QToolButton(this);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoRaise(true);
    button->setFixedSize(32, 32);
    button->setIconSize(QSize(22, 22));
    button->setIcon(style()->standardIcon(static_cast<QStyle::StandardPixmap>(icon)));
    button->setToolTip(QString::fromUtf8(hint));
    return button;
}

QWidget* TUserForm::BuildToolbar() {
    auto* bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("ToolBarPanel"));
    auto* layout = new QHBoxLayout(bar);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    auto* view = ToolButton("View", "File View", QStyle::SP_DialogOpenButton);
    m_view = view;
    m_save = ToolButton("Save", "Save File", QStyle::SP_DialogSaveButton);
    m_print = ToolButton("Print", "Print File", QStyle::SP_FileDialogContentsView);
    m_connect = ToolButton("Connect", "Connect", QStyle::SP_MediaPlay);
    m_disconnect = ToolButton("Disconnect", "Disconnect", QStyle::SP_MediaStop);
    m_disconnect->hide();
    auto* getTime = ToolButton("GetTime", "Get CR Time\nProgram", QStyle::SP_BrowserReload);
    auto* showDb = ToolButton("ShowDB", "Show PLU DataBase", QStyle::SP_FileDialogDetailedView);
    auto* pluPrint = ToolButton("PLUPrint", "Print PLU DataBase", QStyle::SP_FileDialogListView);
    auto* history = ToolButton("HistoryTool", "Sales History", QStyle::SP_FileDialogInfoView);
    for (QToolButton* button :
         {view, m_save, m_print, m_connect, m_disconnect, getTime, showDb, pluPrint, history})
        layout->addWidget(button);
    m_hints = new HintsPanel(bar);
    layout->addWidget(m_hints, 1);
    SetFileCommands(false);
    SetViewCommands(false);

    connect(m_connect, &QToolButton::clicked, this, [this] {
        if (m_dispatcher && m_dispatcher->EnsurePortOpen())
            m_salesPage->ConnectedByUser();
    });
    connect(m_disconnect, &QToolButton::clicked, this, [this] {
        if (m_dispatcher)
            m_dispatcher->Disconnect();
    });
    connect(getTime, &QToolButton::clicked, this, &TUserForm::GetTimeClick);
    connect(showDb, &QToolButton::clicked, this, [this] { m_pluPage->ShowDBClick(); });
    connect(pluPrint, &QToolButton::clicked, m_menus->Action(QStringLiteral("PLUDBPrint1")),
            &QAction::trigger);
    connect(view, &QToolButton::clicked, m_menus->Action(QStringLiteral("ViewFile")), &QAction::trigger);
    connect(history, &QToolButton::clicked, m_menus->Action(QStringLiteral("History1")), &QAction::trigger);
    connect(m_save, &QToolButton::clicked, m_menus->Action(QStringLiteral("SaveFile")), &QAction::trigger);
    connect(m_print, &QToolButton::clicked, m_menus->Action(QStringLiteral("PrintFile")), &QAction::trigger);
    connect(m_hints, &HintsPanel::PopupRequested, this,
            [this](const QPoint& at) { m_menus->ModesPopup()->popup(at); });
    connect(m_hints, &HintsPanel::DoubleClicked, this, &TUserForm::ShowAbout);
    return bar;
}

void TUserForm::BuildPages() {
    m_pageControl = new QStackedWidget(this);
    m_pageControl->setObjectName(QStringLiteral("PageControl"));
    m_startPage = new StartPage(m_pageControl);
    m_monitorPage = new MonitorPage(m_pageControl);
    m_salesPage = new SalesPage(m_pageControl);
    m_reportsPage = new ReportsPage(m_pageControl);
    m_pluPage = new PluPage(m_pageControl);
    m_headerPage = new HeaderPage(m_pageControl);
    m_viewerPage = new ViewerPage(m_pageControl);
    m_historyPage = new HistoryPage(m_pageControl);
    for (ModePage* page :
         std::initializer_list<ModePage*>{m_startPage, m_monitorPage, m_salesPage, m_reportsPage, m_pluPage,
                                          m_headerPage, m_viewerPage, m_historyPage}) {
        m_pageControl->addWidget(page);
        connect(page, &ModePage::CloseRequested, this, &TUserForm::CloseSheetsClick);
        connect(page, &ModePage::FileCommandsRequested, this, [this, page](bool on) {
            if (page == m_shownPage)
                SetFileCommands(on);
        });
    }
    m_fileCommands = new TextFileCommands(*this, *m_viewerPage, [this](int target) -> QWidget* {
        const ModePage* pages[] = {m_monitorPage, m_reportsPage, m_viewerPage};
        if (target < 0 || target > 2)
            return nullptr;
        return pages[target]->TextViews().value(0);
    });
    connect(m_fileCommands, &TextFileCommands::JobFinished, this, [this] {
        if (std::exchange(m_closeAfterJob, false))
            QTimer::singleShot(0, this, &QWidget::close);
    });
    connect(m_startPage, &StartPage::ExitCommanderClicked, this, &QWidget::close);
    connect(m_startPage, &StartPage::TerminateClicked, this, &TUserForm::TerminateClick);
}

void TUserForm::OnAction(const char* name, std::function<void()> handler) {
    QAction* action = m_menus->Action(QString::fromLatin1(name));
    Q_ASSERT(action);
    connect(action, &QAction::triggered, this, [handler = std::move(handler)] { handler(); });
}

void TUserForm::ConnectMenus() {
    OnAction("FileExit", [this] { close(); });
    OnAction("ViewFile", [this] { m_fileCommands->ViewClick(); });
    OnAction("SaveFile", [this] { m_fileCommands->SaveClick(); });
    OnAction("PrintFile", [this] { m_fileCommands->PrintClick(); });
    OnAction("Connect1", [this] {
        if (!m_dispatcher)
            return;
        const bool wasOpen = m_dispatcher->IsOpen();
        m_dispatcher->ToggleConnection();
        if (!wasOpen)
            m_salesPage->ConnectedByUser();
    });
    const std::pair<const char*, ModePage*> pageItems[] = {
        {"Monitor1", m_monitorPage},        {"Sales1", m_salesPage},
        {"Reports1", m_reportsPage},        {"PLUsProg", m_pluPage},
        {"Header1", m_headerPage},          {"Viewer1", m_viewerPage},
        {"PopSalesMonitor", m_monitorPage}, {"PopFiscalPrinter", m_salesPage},
        {"PopReports", m_reportsPage},      {"PopPLUs", m_pluPage},
        {"PopHeader", m_headerPage},        {"PopFileViewer", m_viewerPage},
        {"History1", m_historyPage}};
    for (const auto& [name, page] : pageItems)
        OnAction(name, [this, page] { ShowPage(page); });
    OnAction("MnFindRegister", [this] {
        if (m_registerSearch)
            m_registerSearch->Start(m_session.Transfer().IsRunning());
    });
    OnAction("MnGetTime", [this] { GetTimeClick(); });

    const std::pair<const char*, TComPortNumber> ports[] = {
        {"Com1", pnCOM1}, {"Com2", pnCOM2}, {"Com3", pnCOM3}, {"Com4", pnCOM4}};
    for (const auto& [name, port] : ports) {
        OnAction(name, [this, port] {
            if (m_dispatcher)
                m_dispatcher->ChangePort(port);
        });
    }
    connect(m_menus, &MainMenus::PortMenuOpening, this, &TUserForm::RefreshPortDevices);
    connect(m_menus, &MainMenus::DeviceChosen, this, [this](const QString& device) {
        if (m_dispatcher)
            m_dispatcher->ChangeDevice(device);
    });
    const std::pair<const char*, TComPortBaudRate> speeds[] = {
        {"mbr9600", br9600}, {"mbr19200", br19200}, {"mbr38400", br38400}};
    for (const auto& [name, speed] : speeds) {
        OnAction(name, [this, speed] {
            if (m_dispatcher)
                m_dispatcher->ChangeSpeed(speed);
        });
    }

    const QString plainFont = QString::fromLatin1(PlainFontName);
    OnAction("DefCSet", [this, plainFont] { ApplyCharset(RegisterCharsets::Default, plainFont); });
    OnAction("CyrCSet", [this, plainFont] { ApplyCharset(RegisterCharsets::Cyrillic, plainFont); });
    OnAction("LatCSet", [this, plainFont] { ApplyCharset(RegisterCharsets::Latin, plainFont); });
    OnAction("MnCRAsciiletters",
             [this] { ApplyCharset(RegisterCharsets::Cyrillic, QString::fromLatin1(RegisterFontName)); });

    OnAction("MnEnglish", [this] {
        Shell().UiLanguage = ShellSettings::English;
        ApplyLanguage(ShellSettings::English);
    });
    OnAction("MnSerbian", [this] {
        Shell().UiLanguage = ShellSettings::Serbian;
        ApplyLanguage(ShellSettings::Serbian);
    });

    OnAction("MnTraceFile", [this] {
        FrameTrace& trace = m_dispatcher->RS232().Trace();
        if (trace.IsOn()) {
            trace.Stop();
            m_menus->Action(QStringLiteral("MnTraceFile"))->setChecked(false);
            return;
        }
        FileDialogs::FileRequest request;
        request.Save = true;
        request.Filter = QStringLiteral("Text File  (*.txt);;All Files  (*)");
        request.DefaultSuffix = QStringLiteral("txt");
        const QString path = FileDialogs::SaveFileName(this, request);
        if (path.isEmpty())
            m_menus->Action(QStringLiteral("MnTraceFile"))->setChecked(false);
        else
            StartTrace(path);
    });
    OnAction("FS8", [this] { SetTextFontSize(8); });
    OnAction("FS10", [this] { SetTextFontSize(10); });
    OnAction("FS12", [this] { SetTextFontSize(12); });
    OnAction("WRNo", [this] { SetWordWrap(false); });
    OnAction("WRYes", [this] { SetWordWrap(true); });
    OnAction("Mnv240", [this] { SetSoftwareVersion(240); });
    OnAction("Mnv250", [this] { SetSoftwareVersion(250); });
    OnAction("Filewithmacros", [] { Shell().DescriptionColumn = 10; });
    OnAction("Standardfile", [] { Shell().DescriptionColumn = 2; });
    OnAction("MnSaleafter", [] { Shell().SaleAfterScan = true; });
    OnAction("MnUsersale", [] { Shell().SaleAfterScan = false; });

    OnAction("MnCmdHelp", [this] { CommanderHelp::Show(this); });
    OnAction("MnAbout", [this] { ShowAbout(); });
}

void TUserForm::Attach(const ShellDialogs& forms) {
    m_forms = &forms;
    m_registerSearch = new RegisterSearch(*m_dispatcher, *m_menus, this);
    connect(m_registerSearch, &RegisterSearch::Chosen, this,
            [this](const QString& text) { m_hints->setText(text); });
    for (QWidget* dialog : forms.All)
        m_captions.AddForm(dialog->objectName(), dialog);
    ConnectDispatcher();
    ConnectPluPage();
    ConnectDatabase();
    ConnectJournal();
    ConnectReports();
    ConnectSales();
}

void TUserForm::ConnectSales() {
    m_salesPage->Attach(m_session.Table(), *m_dispatcher, m_session.Barcodes(), m_session.Transfer(),
                        m_session.Status());
    m_headerPage->Attach(m_session.Header());
    TMessageForm& thanks = m_forms->MessageForm;
    thanks.Attach(m_session.Header());
    // Like F7 to F9 on the PLU page: the keys sell only where the sale can be seen.
    const std::pair<const char*, void (SalesPage::*)()> keys[] = {
        {"ShortSale", &SalesPage::NormalSaleClick},
        {"ShortCorrection", &SalesPage::CorrectionClick},
        {"ShortSubtotal", &SalesPage::SubTotalClick},
        {"ShortCash", &SalesPage::CashClick}};
    for (const auto& [name, handler] : keys) {
        OnAction(name, [this, handler] {
            if (m_shownPage == m_salesPage && m_salesPage->SalesGroup()->isEnabled())
                (m_salesPage->*handler)();
        });
    }
    OnAction("MnThanksMsg", [&thanks] { thanks.Open(); });
    connect(m_salesPage, &SalesPage::ThanksRequested, &thanks, &TMessageForm::Open);
    connect(m_salesPage, &SalesPage::HintRequested, m_hints, &QLabel::setText);
}

void TUserForm::ConnectReports() {
    m_reportsPage->Attach(m_session.Reports());
    TPLUStat& pluStat = m_forms->PLUStat;
    TOperForm& operForm = m_forms->OperForm;
    pluStat.SetOwner(this);
    pluStat.Attach(m_session.Reports(), m_session.PluSeries(), *m_reportsPage);
    operForm.SetOwner(this);
    operForm.Attach(m_session.Reports());
    connect(m_reportsPage, &ReportsPage::PluStatRequested, &pluStat, &QWidget::show);
    connect(m_reportsPage, &ReportsPage::OperStatRequested, &operForm, &QWidget::show);
    connect(&pluStat, &TPLUStat::ShowReportsRequested, this, [this] { ShowPage(m_reportsPage); });
    connect(&operForm, &TOperForm::ShowReportsRequested, this, [this] { ShowPage(m_reportsPage); });
    connect(this, &TUserForm::Closing, &m_session, &RegisterSession::Abandon);
}

void TUserForm::ConnectPluPage() {
    m_pluPage->Attach(m_session.Table(), *m_dispatcher, m_session.Barcodes(), m_session.Transfer(),
                      &m_forms->DataForm);
    // The page's keys act while the page is up.
    const std::pair<const char*, void (PluPage::*)()> keys[] = {{"ShortWritePC", &PluPage::PutPLUClick},
                                                                {"ShortWriteECR", &PluPage::WriteOnECRClick},
                                                                {"ShortReadECR", &PluPage::ReadOneBtnClick}};
    for (const auto& [name, handler] : keys) {
        OnAction(name, [this, handler] {
            if (m_shownPage == m_pluPage)
                (m_pluPage->*handler)();
        });
    }
    OnAction("BarcMnOn", [this] { m_pluPage->SetUniquenessCheck(true); });
    OnAction("BarcMnOff", [this] { m_pluPage->SetUniquenessCheck(false); });
    // A range read shows its count in the status form, whose Cancel stops it.
    PluTransfer& transfer = m_session.Transfer();
    TDLForm& status = m_forms->DLForm;
    connect(&transfer, &PluTransfer::RangeRunning, &status, [&status](bool running, TransferKind kind) {
        if (running && kind == TransferKind::ReadRange) {
            status.ShowCount(0, 0);
            status.show();
        } else if (!running) {
            status.hide();
        }
    });
    connect(&transfer, &PluTransfer::Progress, &status, [&status, &transfer](int done, int total, qint64) {
        if (transfer.Kind() == TransferKind::ReadRange)
            status.ShowCount(done, total);
    });
    connect(&status, &TDLForm::CancelRequested, &transfer, [&transfer] {
        // Other exchanges wait on the same line: only a running read is stopped.
        if (transfer.IsRunning() && transfer.Kind() == TransferKind::ReadRange)
            transfer.Cancel();
    });
}

void TUserForm::ConnectDatabase() {
    TDataForm& data = m_forms->DataForm;
    TPLUPrintForm& printing = m_forms->PLUPrintForm;
    printing.Attach(m_session.Table(), m_forms->RepStatusForm);
    OnAction("PLUDBShow", [&data] {
        data.show();
        data.raise();
        data.activateWindow();
    });
    OnAction("PLUDBPrint1", [&printing] {
        printing.show();
        printing.raise();
        printing.activateWindow();
    });
    const QLineEdit* from = m_pluPage->findChild<QLineEdit*>(QStringLiteral("FromNPlu"));
    const QLineEdit* to = m_pluPage->findChild<QLineEdit*>(QStringLiteral("ToNPlu"));
    auto* exchange = new SpreadsheetExchange(this, m_session.Table(), m_forms->ExpImpForm,
                                             {[this, &data] {
                                                  // Files hold real text in the program's register
                                                  // charset, whatever the grid draws with.
                                                  PluCells::Style style = data.CurrentStyle();
                                                  style.Charset = m_session.Settings().Charset;
                                                  style.RegisterFont = false;
                                                  return style;
                                              },
                                              [from] { return from->text(); }, [to] { return to->text(); }});
    OnAction("MnExport", [exchange] { exchange->MnExportClick(); });
    OnAction("MnImport", [exchange] { exchange->MnImportClick(); });
    connect(m_pluPage, &PluPage::GridRowChanged, &m_session, [this](int n) { m_session.PlusChanged(n, n); });
    connect(&m_session, &RegisterSession::TableChanged, &data, &TDataForm::RefreshRows);
    connect(&m_session, &RegisterSession::TableStale, &data, &TDataForm::SetGridStale);
    connect(&m_session, &RegisterSession::PlusRead, this, [] { Shell().PlusReadFromRegister = true; });
    connect(this, &TUserForm::LanguageApplied, &data, &TDataForm::SetLanguage);
    // The page shows an entry the database window or an import just changed:
    // it shows it anew, so that a later write on the PC cannot put the old
    // values back.
    const auto changedElsewhere = [this](int from, int to) {
        m_session.PlusChanged(from, to);
        bool ok = false;
        const int n = m_pluPage->PLUNum()->text().toInt(&ok);
        if (ok && n >= from && n <= to)
            m_pluPage->ShowTableRecord(n);
    };
    connect(&data, &TDataForm::TableChanged, this, changedElsewhere);
    connect(exchange, &SpreadsheetExchange::PlusImported, this, changedElsewhere);
}

void TUserForm::ConnectJournal() {
    JournalMonitor& journal = m_session.Journal();
    m_monitorPage->Attach(journal);
    connect(&journal, &JournalMonitor::SubtotalRecorded, this, [this](const QString& amount) {
        if (SalesJournalHooks* hooks = ActiveSalesHooks())
            hooks->SubtotalRecorded(amount);
    });
    connect(&journal, &JournalMonitor::ReceiptClosed, this, [this] {
        if (SalesJournalHooks* hooks = ActiveSalesHooks())
            hooks->ReceiptClosed();
    });
}

SalesJournalHooks* TUserForm::ActiveSalesHooks() const {
    if (CurrentPage() != m_salesPage)
        return nullptr;
    return dynamic_cast<SalesJournalHooks*>(m_salesPage);
}

void TUserForm::ConnectDispatcher() {
    connect(m_dispatcher, &ReplyDispatcher::ConnectionChanged, this, &TUserForm::SetConnectionControls);
    // The hint panel says the port's state as it is now, whatever it said before.
    connect(m_dispatcher, &ReplyDispatcher::PortOpenFailed, this, [this](const QString& device) {
        const QString text = QStringLiteral("Cannot open this COMM port!!\n%1").arg(device);
        m_hints->SetHint(text);
        MessageBoxes::Plain(this, text);
    });
    connect(m_dispatcher, &ReplyDispatcher::PortLost, this,
            [this](const QString& device, const QString& reason) {
                const QString text =
                    LinkCaptions::ConnectionLost.Text().arg(device, SystemReasons::Translate(reason));
                m_hints->SetHint(text);
                // A running PLU transfer says itself where it stopped.
                if (m_session.Transfer().IsRunning())
                    return;
                MessageBoxes::Plain(this, text);
            });
    // Told from inside a frame's handling: the box waits for the event loop.
    m_dispatcher->RS232().Trace().OnFailed = [this](const QString& file, const QString& reason) {
        QTimer::singleShot(0, this, [this, file, reason] {
            m_menus->Action(QStringLiteral("MnTraceFile"))->setChecked(false);
            MessageBoxes::Plain(this, LinkCaptions::TraceWriteFailed.Text().arg(
                                          QDir::toNativeSeparators(file), SystemReasons::Translate(reason)));
        });
    };
    connect(m_dispatcher, &ReplyDispatcher::ClockUnanswered, this, [this] {
        const TCommPortDriver& serial = m_dispatcher->RS232().Serial();
        m_hints->setText(LinkCaptions::ClockUnanswered.Text().arg(
            serial.CurrentDeviceName(), QString::number(BaudRateOf(serial.ComPortSpeed()))));
    });
    connect(m_dispatcher, &ReplyDispatcher::Reconnected, this, [this](const QString& device) {
        m_hints->setText(LinkCaptions::Reconnected.Text().arg(
            device, QString::number(BaudRateOf(m_dispatcher->RS232().Serial().ComPortSpeed()))));
    });
    // The box waits in an event loop of its own; shown from inside the frame
    // handler, a frame that began arriving meanwhile would be cut off when the
    // handler returns.
    connect(
        m_dispatcher, &ReplyDispatcher::ClockReceived, this,
        [this](const QString& text) { MessageBoxes::Plain(this, text); }, Qt::QueuedConnection);
}

bool TUserForm::event(QEvent* event) {
    // Without a window manager (a bare X server, a kiosk) the window may never be
    // activated: being shown counts as the first activation too.
    const bool firstActivation = event->type() == QEvent::WindowActivate || event->type() == QEvent::Show;
    if (firstActivation && !m_activated)
        QTimer::singleShot(0, this, &TUserForm::FormActivate);
    return QMainWindow::event(event);
}

void TUserForm::FormActivate() {
    if (m_activated)
        return;
    // The window opens with room for every page in either language (unless a
    // size kept from the last run was put back), so a switch never crowds it.
    const bool fit = size() == m_openingSize;
    QSize otherRoom;
    if (fit) {
        ApplyLanguage(Shell().UiLanguage == ShellSettings::Serbian ? ShellSettings::English
                                                                   : ShellSettings::Serbian);
        otherRoom = DefaultSize();
    }
    ApplyLanguage(Shell().UiLanguage);
    if (m_forms) {
        m_forms->DLForm.DLStatusLabel()->setText(Captions::Transfer::Reading.Text());
        m_forms->DLForm.CancelOK()->setText(Captions::Transfer::Cancel.Text());
    }
    m_session.Journal().ResetByteCount();
    if (m_dispatcher) {
        m_dispatcher->ChangePort(pnCOM1);
        m_dispatcher->ChangeSpeed(br19200);
        if (m_startLine)
            m_startLine();
        ShowLineInMenus();
    }
    m_pluPage->PLUNum()->setText(QStringLiteral("0"));
    for (const char* item : {"DefCSet", "CyrCSet", "LatCSet", "MnCRAsciiletters"}) {
        QAction* action = m_menus->Action(QString::fromLatin1(item));
        if (action->isChecked()) {
            action->trigger();
            break;
        }
    }
    m_pluPage->ShowTableRecord(0);
    if (fit)
        FitToPages(otherRoom);
    m_activated = true;
}

void TUserForm::FitToPages(QSize atLeast) {
    QSize fit = DefaultSize().expandedTo(atLeast);
    if (const QScreen* screen = this->screen())
        fit = fit.boundedTo(screen->availableGeometry().size());
    if (fit != size() || m_openingSize.isEmpty()) {
        resize(fit);
        if (const QScreen* screen = this->screen())
            move(screen->availableGeometry().center() - rect().center());
    }
    m_openingSize = size();
}

ModePage* TUserForm::CurrentPage() const {
    return qobject_cast<ModePage*>(m_pageControl->currentWidget());
}

bool TUserForm::StartTrace(const QString& path) {
    QString error;
    const bool on = m_dispatcher->RS232().Trace().Start(path, &error);
    m_menus->Action(QStringLiteral("MnTraceFile"))->setChecked(on);
    if (!on)
        MessageBoxes::Plain(this, LinkCaptions::TraceOpenFailed.Text().arg(QDir::toNativeSeparators(path),
                                                                           SystemReasons::Translate(error)));
    return on;
}

QString TUserForm::HintText() const {
    return m_hints->text();
}

void TUserForm::ShowPage(ModePage* page) {
    if (page == m_shownPage)
        return;
    if (m_shownPage)
        PageHidden(m_shownPage);
    m_shownPage = page;
    m_pageControl->setCurrentWidget(page);
    PageShown(page);
}

void TUserForm::PageShown(ModePage* page) {
    if (page == m_startPage)
        m_monitorPage->SetCloseVisible(false);
    if (page->SaveTargetIndex() >= 0)
        Shell().SaveTarget = page->SaveTargetIndex();
    SetFileCommands(page->HasText());
    SetViewCommands(page == m_viewerPage);
    SetPageHint(Shell().UiLanguage);
    page->PageShow();
}

void TUserForm::PageHidden(ModePage* page) {
    page->PageHide();
    SetFileCommands(false);
    if (page == m_startPage)
        m_monitorPage->SetCloseVisible(true);
}

void TUserForm::CloseSheetsClick() {
    if (m_dispatcher)
        m_dispatcher->CancelWait();
    ShowPage(m_startPage);
}

void TUserForm::SetFileCommands(bool on) {
    m_save->setEnabled(on);
    m_print->setEnabled(on);
    m_menus->Action(QStringLiteral("SaveFile"))->setEnabled(on);
    m_menus->Action(QStringLiteral("PrintFile"))->setEnabled(on);
}

void TUserForm::SetViewCommands(bool on) {
    m_view->setEnabled(on);
    m_menus->Action(QStringLiteral("ViewFile"))->setEnabled(on);
}

void TUserForm::SetPageHint(int lang) {
    ModePage* page = CurrentPage();
    if (!page || page == m_startPage) {
        m_hints->setText(Captions::StartHint.Text(lang));
        return;
    }
    if (page == m_historyPage) {
        m_hints->setText(HistoryMessages::PageHint.Text(lang));
        return;
    }
    for (const ControlCaption& row : Captions::PageHints()) {
        if (page->objectName() == QLatin1String(row.Control))
            m_hints->setText(row.Text.Text(lang));
    }
}

void TUserForm::SetConnectionControls(bool open) {
    m_disconnect->setVisible(open);
    m_connect->setVisible(!open);
    m_menus->Action(QStringLiteral("Connect1"))
        ->setText((open ? Captions::Disconnect : Captions::Connect).Text(Shell().UiLanguage));
}

void TUserForm::ApplyLanguage(int lang) {
    // Qt's own dialogs and buttons speak the window's language too.
    QtSerbian::Follow(lang);
    m_session.SetLanguage(lang);
    m_menus
        ->Action(lang == ShellSettings::Serbian ? QStringLiteral("MnSerbian") : QStringLiteral("MnEnglish"))
        ->setChecked(true);
    m_captions.Apply(Captions::MenuCaptions(), lang);
    const bool open = m_dispatcher && m_dispatcher->IsOpen();
    m_menus->Action(QStringLiteral("Connect1"))
        ->setText((open ? Captions::Disconnect : Captions::Connect).Text(lang));
    for (const auto table :
         {Captions::MonitorCaptions(), Captions::ViewerCaptions(), Captions::SalesCaptions(),
          Captions::DailyCaptions(), Captions::PluCaptions(), Captions::HeaderCaptions(),
          Captions::PluStatCaptions(), Captions::OperCaptions(), Captions::DataFormCaptions(),
          Captions::DLFormCaptions(), Captions::ThanksCaptions(), Captions::ToolbarHints()})
        m_captions.Apply(table, lang);
    if (m_forms) {
        if (auto* fields = m_forms->DataForm.findChild<QComboBox*>(QStringLiteral("FieldComboBox"))) {
            fields->clear();
            fields->addItems(Captions::PluSettingsFields(lang));
        }
    }
    SetPageHint(lang);
    m_captions.Apply(Captions::PrintFormCaptions(), lang);
    m_captions.Apply(Captions::PopupCaptions(), lang);
    m_pluPage->FillUnitList(lang);
    m_historyPage->ApplyLanguage(lang);
    // The text views' find bars take their captions afresh, open or not.
    for (LineView* view : findChildren<LineView*>()) {
        QEvent change(QEvent::LanguageChange);
        QCoreApplication::sendEvent(view, &change);
    }
    emit LanguageApplied(lang);
}

void TUserForm::ApplyCharset(int charset, const QString& fontName) {
    QList<QWidget*> forms{this};
    if (m_forms)
        forms << m_forms->All;
    CharsetSwitch::Apply(forms, charset, fontName);
    m_session.SetCharset(Shell().RegisterCharset);
}

void TUserForm::SetTextFontSize(int points) {
    Shell().TextFontSize = points;
    for (ModePage* page : std::initializer_list<ModePage*>{m_monitorPage, m_reportsPage, m_viewerPage}) {
        for (QWidget* view : page->TextViews()) {
            QFont font = view->font();
            font.setPointSize(points);
            view->setFont(font);
        }
    }
}

void TUserForm::SetWordWrap(bool on) {
    Shell().WordWrap = on;
    for (ModePage* page : std::initializer_list<ModePage*>{m_monitorPage, m_reportsPage, m_viewerPage}) {
        for (QWidget* view : page->TextViews()) {
            if (auto* lines = qobject_cast<LineView*>(view))
                lines->SetWordWrap(on);
        }
    }
}

void TUserForm::SetSoftwareVersion(int version) {
    Shell().SoftwareVersion = version;
    if (version == 240) {
        m_pluPage->SetConstantFieldsOnly(false);
        m_salesPage->SalesGroup()->setEnabled(false);
    } else {
        m_pluPage->SetOtherScopesOffered(true);
        m_salesPage->SalesGroup()->setEnabled(true);
    }
}

void TUserForm::GetTimeClick() {
    if (!m_dispatcher)
        return;
    // What an earlier request said goes: this one tells its own outcome.
    SetPageHint(Shell().UiLanguage);
    m_dispatcher->RequestClock();
    // The request went nowhere: the register is not the one to blame.
    if (!m_dispatcher->IsOpen())
        m_hints->setText(
            LinkCaptions::ClockPortClosed.Text().arg(m_dispatcher->RS232().Serial().CurrentDeviceName()));
}

void TUserForm::SetStartLine(std::function<void()> apply) {
    m_startLine = std::move(apply);
    if (m_activated && m_startLine && m_dispatcher) {
        m_startLine();
        ShowLineInMenus();
    }
}

void TUserForm::ShowLineInMenus() {
    if (!m_dispatcher)
        return;
    const TCommPortDriver& serial = m_dispatcher->RS232().Serial();
    const int port = int(serial.ComPort()) - int(pnCOM1) + 1;
    if (port >= 1 && port <= 4)
        m_menus->Action(QStringLiteral("Com%1").arg(port))->setChecked(true);
    else
        RefreshPortDevices();
    if (QAction* speed = m_menus->Action(QStringLiteral("mbr%1").arg(BaudRateOf(serial.ComPortSpeed()))))
        speed->setChecked(true);
}

void TUserForm::RefreshPortDevices() {
    if (!m_dispatcher)
        return;
    // Com1 ... Com4 already stand for their own devices.
    QStringList devices;
    for (const QString& device : RegisterFinder::MachineDevices()) {
        if (!RegisterFinder::ComPortOf(device))
            devices << device;
    }
    const TCommPortDriver& serial = m_dispatcher->RS232().Serial();
    const QString current =
        serial.ComPort() == ReplyDispatcher::DevicePortNumber ? serial.CurrentDeviceName() : QString();
    if (!current.isEmpty() && !devices.contains(current))
        devices << current;
    m_menus->ListDevices(devices, current);
}

void TUserForm::ShowAbout() {
    if (m_forms)
        m_forms->IntroForm.ShowAbout(this);
}

void TUserForm::ShowNoResponse() {
    MessageBoxes::Show(this, {Captions::Link::Warning.Text(), Captions::Link::NoResponse.Text(),
                              QMessageBox::Critical, QMessageBox::Ok});
}

bool TUserForm::FormCloseQuery() {
    // File dialogs may have moved the working directory; pludb.dat lives in the start one.
    QDir::setCurrent(Shell().StartDirectory);
    // Sold from the PC and left inside a receipt, the register would go on
    // with it in the next run: asked before anything else is settled.
    if (const QString receipt = m_salesPage->OpenReceiptWarning(); !receipt.isEmpty()) {
        const auto answer = MessageBoxes::Show(this, {Captions::Link::Warning.Text(),
                                                      receipt,
                                                      QMessageBox::Warning,
                                                      QMessageBox::Yes | QMessageBox::No,
                                                      QMessageBox::No,
                                                      {{QMessageBox::Yes, SaleMessages::Yes.Text()},
                                                       {QMessageBox::No, SaleMessages::No.Text()}}});
        if (answer != QMessageBox::Yes)
            return false;
    }
    const QString unfinished = m_pluPage->UnfinishedTransfer();
    if (!unfinished.isEmpty())
        MessageBoxes::Plain(this, unfinished);
    const auto ask = [this] {
        const auto answer =
            MessageBoxes::Show(this, {Captions::Closing::PluProgramWarning.Text(),
                                      Captions::Closing::UpdateDatabaseQuestion.Text(), QMessageBox::Question,
                                      QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel});
        return answer == QMessageBox::Yes  ? UpdateAnswer::Yes
               : answer == QMessageBox::No ? UpdateAnswer::No
                                           : UpdateAnswer::Cancel;
    };
    const DatabaseCloseResult result =
        CloseQuerySave(m_session.Table(), Shell().StartDirectory, Shell().PlusReadFromRegister,
                       Shell().DatabaseChanged, ask);
    if (!result.CloseAllowed)
        return false;
    // A failed save must not end the program with the run's work in it.
    if (!result.Message.isEmpty()) {
        switch (AskAfterFailedSave(this, m_session.Table(), Shell().StartDirectory, result.Message)) {
        case FailedSaveOutcome::Back:
            return false;
        case FailedSaveOutcome::QuitWithoutSaving:
            m_exitStatus = 1;
            break;
        case FailedSaveOutcome::Saved:
            break;
        }
    }
    // A transfer ends quietly before the port closes under it.
    emit Closing();
    if (m_dispatcher) {
        m_dispatcher->Disconnect();
        m_dispatcher->CancelWait();
    }
    return true;
}

void TUserForm::closeEvent(QCloseEvent* event) {
    // A print job or a file coming into the viewer lets pending events run, a
    // close among them: the window closes once the job has ended, not under it.
    if (m_fileCommands->IsBusy()) {
        m_closeAfterJob = true;
        event->ignore();
        return;
    }
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    // The program ends with its main window: a database window left open would
    // keep it running with no port and no close query to save what it changes.
    if (m_forms) {
        for (QWidget* window : m_forms->All)
            window->hide();
    }
    event->accept();
}

void TUserForm::TerminateClick() {
    if (m_dispatcher) {
        m_dispatcher->Disconnect();
        m_dispatcher->CancelWait();
    }
    emit TerminateRequested();
}
