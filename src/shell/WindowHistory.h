#pragma once

#include "history/HistoryStore.h"

#include <QJsonObject>
#include <QObject>
#include <QString>
#include <memory>

class HistoryRecorder;
class RegisterSession;
class TUserForm;

// The window's part in the sales history: the store on the data folder (or
// the server --history names) and a recorder on the window's register
// session, the store's state in the hint panel, and Settings > Sales history...
// A store that cannot be opened leaves the program running without history
// and says why there. Its owner (FormSet) ends it before the window and the
// session.
class WindowHistory : public QObject {
    Q_OBJECT
  public:
    WindowHistory(TUserForm& window, RegisterSession& session);
    ~WindowHistory() override;

    // url: a libpq URI, sqlite:FILE, or empty for history.sqlite in dataDir.
    // False, and said in the hint panel, when the history cannot be kept.
    bool Open(const QString& url, const QString& dataDir);
    // Commits what was recorded and stops recording.
    void Close();
    [[nodiscard]] bool IsOpen() const { return m_store.IsOpen(); }
    [[nodiscard]] HistoryStore& Store() { return m_store; }
    // Why the history could not be opened; empty when it is or was never asked.
    [[nodiscard]] QString OpenError() const { return m_openError; }

    // A receipt request the window's gateway ended, into the history with
    // the register's other rows (nothing while no history is kept).
    void GatewayReceipt(const QString& key, int status, const QJsonObject& outcome);

    void SetShop(const QString& shop);
    [[nodiscard]] QString Shop() const { return m_shop; }
    // Where the history is kept as last opened (empty: the data folder's file).
    [[nodiscard]] QString Url() const { return m_url; }
    // Whether the user chose the place in Settings this run (then it is kept
    // for the next; a --history of the command line is not).
    [[nodiscard]] bool UrlChosen() const { return m_urlChosen; }
    // Settings > Sales history...: the dialog, window-modal; the shop name is
    // taken on OK, and a new place opens the history there.
    void ShowSettingsDialog();

    // What the hint panel says about the history in a language; empty while all is well.
    [[nodiscard]] QString NoteText(int lang) const;

  signals:
    void ShopChanged(const QString& shop);

  private:
    void ShowNote();

    TUserForm& m_window;
    RegisterSession& m_session;
    HistoryStore m_store;
    std::unique_ptr<HistoryRecorder> m_recorder;
    HistoryStatus m_status;
    QString m_openError;
    QString m_shop;
    QString m_url;
    QString m_dataDir;
    bool m_urlChosen = false;
};
