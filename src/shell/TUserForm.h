#pragma once

#include "shell/CaptionApplier.h"

#include <QMainWindow>
#include <functional>
#include <memory>

class DailyReports;
class FormSet;
class HeaderPage;
class HeaderSequence;
class HintsPanel;
class JournalMonitor;
class MainMenus;
class ModePage;
class MonitorPage;
class PluPage;
class PluStatSeries;
class PluTable;
class QStackedWidget;
class QToolButton;
class RegisterSearch;
class ReplyDispatcher;
class ReportsPage;
class SalesPage;
class SalesJournalHooks;
class StartPage;
class StatusReplies;
class TextFileCommands;
class TRS232Form;
class ViewerPage;

// The main window: toolbar, hint panel, the seven mode pages, the menus and
// the shell settings. It wires the pages, the dispatcher and the dialogs
// together; each page's work lives in its own class.
class TUserForm : public QMainWindow {
    Q_OBJECT
  public:
    explicit TUserForm(QWidget* parent = nullptr);
    ~TUserForm() override;

    // The windows created after this one: the link and the dialogs.
    void Attach(FormSet& forms);

    [[nodiscard]] ReplyDispatcher* Dispatcher() const { return m_dispatcher.get(); }
    [[nodiscard]] JournalMonitor* Journal() const { return m_journal.get(); }
    [[nodiscard]] StatusReplies* ErrorStatusReplies() const { return m_statusReplies.get(); }
    [[nodiscard]] DailyReports* Reports() const { return m_reports.get(); }
    [[nodiscard]] PluStatSeries* PluSeries() const { return m_pluSeries.get(); }
    [[nodiscard]] HeaderSequence* HeaderLines() const { return m_headerSequence.get(); }
    [[nodiscard]] TextFileCommands* FileCommands() const { return m_fileCommands; }
    [[nodiscard]] MainMenus* Menus() const { return m_menus; }
    [[nodiscard]] QStackedWidget* PageControl() const { return m_pageControl; }
    [[nodiscard]] StartPage* StartSheet() const { return m_startPage; }
    [[nodiscard]] MonitorPage* MonitorSheet() const { return m_monitorPage; }
    [[nodiscard]] SalesPage* SalesSheet() const { return m_salesPage; }
    [[nodiscard]] ReportsPage* DailySheet() const { return m_reportsPage; }
    [[nodiscard]] PluPage* ProgSheet() const { return m_pluPage; }
    [[nodiscard]] HeaderPage* CompanySheet() const { return m_headerPage; }
    [[nodiscard]] ViewerPage* ViewerSheet() const { return m_viewerPage; }
    [[nodiscard]] ModePage* CurrentPage() const;
    [[nodiscard]] QString HintText() const;

    // Runs once, at the first activation of the window.
    void FormActivate();
    [[nodiscard]] bool Activated() const { return m_activated; }

    void ShowPage(ModePage* page);
    void CloseSheetsClick();
    void ApplyLanguage(int lang);
    void ApplyCharset(int charset, const QString& fontName);
    void SetFileCommands(bool on);
    // View and ViewFile: on only while the file viewer is up.
    void SetViewCommands(bool on);
    // The fiscal printer page's part in the journal, while that page is on show.
    [[nodiscard]] SalesJournalHooks* ActiveSalesHooks() const;
    void ShowNoResponse();
    // The close query: false keeps the window open.
    bool FormCloseQuery();
    // Starts the protocol trace into path; a file that cannot be written is
    // said in a message and leaves the trace off.
    bool StartTrace(const QString& path);
    // What the program ends with: non-zero when the user quit although the
    // database could not be saved.
    [[nodiscard]] int ExitStatus() const { return m_exitStatus; }
    void TerminateClick();
    // The PC PLU table that the close query saves to pludb.dat.
    void SetDatabase(const PluTable* table) { m_database = table; }

  signals:
    // After the captions of a language were applied; the windows with lists
    // that follow the language refill them.
    void LanguageApplied(int lang);
    // The window is closing: pending work (a bulk transfer's next step) ends.
    void Closing();
    // The hidden Terminate button: end at once, nothing saved.
    void TerminateRequested();

  protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    QWidget* BuildToolbar();
    void BuildPages();
    void ConnectMenus();
    void ConnectDispatcher();
    void ConnectPluPage(FormSet& forms);
    void ConnectDatabase(FormSet& forms);
    void ConnectJournal();
    void ConnectReports(FormSet& forms);
    void ConnectSales(FormSet& forms);
    void SetConnectionControls(bool open);
    void SetPageHint(int lang);
    void PageShown(ModePage* page);
    void PageHidden(ModePage* page);
    void SetTextFontSize(int points);
    void SetWordWrap(bool on);
    void SetSoftwareVersion(int version);
    void RefreshPortDevices();
    void ShowAbout();
    void OnAction(const char* name, std::function<void()> handler);
    QToolButton* ToolButton(const char* name, const char* hint, int icon);

    MainMenus* m_menus = nullptr;
    HintsPanel* m_hints = nullptr;
    QStackedWidget* m_pageControl = nullptr;
    StartPage* m_startPage = nullptr;
    MonitorPage* m_monitorPage = nullptr;
    SalesPage* m_salesPage = nullptr;
    ReportsPage* m_reportsPage = nullptr;
    PluPage* m_pluPage = nullptr;
    HeaderPage* m_headerPage = nullptr;
    ViewerPage* m_viewerPage = nullptr;
    ModePage* m_shownPage = nullptr;
    QToolButton* m_connect = nullptr;
    QToolButton* m_disconnect = nullptr;
    QToolButton* m_view = nullptr;
    QToolButton* m_save = nullptr;
    QToolButton* m_print = nullptr;
    FormSet* m_forms = nullptr;
    std::unique_ptr<ReplyDispatcher> m_dispatcher;
    // Goes before the dispatcher that calls it.
    std::unique_ptr<JournalMonitor> m_journal;
    RegisterSearch* m_registerSearch = nullptr;
    std::unique_ptr<StatusReplies> m_statusReplies;
    std::unique_ptr<DailyReports> m_reports;
    std::unique_ptr<PluStatSeries> m_pluSeries;
    std::unique_ptr<HeaderSequence> m_headerSequence;
    TextFileCommands* m_fileCommands = nullptr;
    CaptionApplier m_captions;
    const PluTable* m_database = nullptr;
    bool m_activated = false;
    bool m_closeAfterJob = false;
    int m_exitStatus = 0;
};
