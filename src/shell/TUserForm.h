#pragma once

#include "shell/CaptionApplier.h"

#include <QMainWindow>
#include <functional>
#include <memory>

class DailyReports;
class HeaderPage;
class HistoryPage;
class HeaderSequence;
class HintsPanel;
class JournalMonitor;
class MainMenus;
class ModePage;
class MonitorPage;
class PluPage;
class PluStatSeries;
class PluTable;
class RegisterSession;
struct ShellDialogs;
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
    explicit TUserForm(RegisterSession& session, QWidget* parent = nullptr);
    ~TUserForm() override;

    // The dialogs, created after this window.
    void Attach(const ShellDialogs& dialogs);

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
    [[nodiscard]] HistoryPage* HistorySheet() const { return m_historyPage; }
    [[nodiscard]] ModePage* CurrentPage() const;
    [[nodiscard]] QString HintText() const;
    [[nodiscard]] HintsPanel* Hints() const { return m_hints; }

    // Runs once, at the first activation of the window.
    void FormActivate();
    // Start-up sets COM1 at 19200 as the window first shows; the port and
    // speed the user kept or named on the command line are applied right
    // after, through apply (at once when start-up is over already).
    void SetStartLine(std::function<void()> apply);
    // Checks the port and speed items the line really uses.
    void ShowLineInMenus();
    // Get CR Day Time: the register's clock, or why it cannot come.
    void GetTimeClick();
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
    // The size the window opens at: room for every page as laid out at the start.
    [[nodiscard]] QSize DefaultSize() const;
    void FitToPages(QSize atLeast = {});
    QWidget* BuildToolbar();
    void BuildPages();
    void ConnectMenus();
    void ConnectDispatcher();
    void ConnectPluPage();
    void ConnectDatabase();
    void ConnectJournal();
    void ConnectReports();
    void ConnectSales();
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
    // The size the window was given before it was first activated.
    QSize m_openingSize;
    StartPage* m_startPage = nullptr;
    MonitorPage* m_monitorPage = nullptr;
    SalesPage* m_salesPage = nullptr;
    ReportsPage* m_reportsPage = nullptr;
    PluPage* m_pluPage = nullptr;
    HeaderPage* m_headerPage = nullptr;
    ViewerPage* m_viewerPage = nullptr;
    HistoryPage* m_historyPage = nullptr;
    ModePage* m_shownPage = nullptr;
    QToolButton* m_connect = nullptr;
    QToolButton* m_disconnect = nullptr;
    QToolButton* m_view = nullptr;
    QToolButton* m_save = nullptr;
    QToolButton* m_print = nullptr;
    RegisterSession& m_session;
    const ShellDialogs* m_forms = nullptr;
    ReplyDispatcher* m_dispatcher = nullptr;
    RegisterSearch* m_registerSearch = nullptr;
    TextFileCommands* m_fileCommands = nullptr;
    CaptionApplier m_captions;
    std::function<void()> m_startLine;
    bool m_activated = false;
    bool m_closeAfterJob = false;
    int m_exitStatus = 0;
};
