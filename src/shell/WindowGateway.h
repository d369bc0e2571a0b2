#pragma once

#include "shell/GatewayHostDialog.h"

#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>

class GatewayServer;
class RegisterSession;
class TUserForm;

// The window serving its register to other programs on this PC (loopback
// only): the gateway over the window's own session, its token in
// gateway.token and its request log in gateway-requests.sqlite in the data
// folder, Settings > Communication > Serve the register to other programs...
// While a call from outside holds the line, the window starts nothing of its
// own (its menus, toolbar and sending pages wait); the monitor shows the
// call's steps as it shows the cashier's. Its state is a note in the hint panel.
class WindowGateway : public QObject {
    Q_OBJECT
  public:
    WindowGateway(TUserForm& window, RegisterSession& session);
    ~WindowGateway() override;

    // Starts or stops the service as settings say; false, said in the hint
    // panel, when it cannot start. dataDir holds the token and the request log.
    bool Apply(const GatewayHostSettings& settings, const QString& dataDir);
    void Stop();
    // Settings kept from an earlier run, taken without starting anything.
    void SetSettings(const GatewayHostSettings& settings) { m_settings = settings; }
    [[nodiscard]] bool Serving() const;
    [[nodiscard]] const GatewayHostSettings& Settings() const { return m_settings; }
    [[nodiscard]] GatewayServer* Server() const { return m_server.get(); }
    [[nodiscard]] QString NoteText(int lang) const;

    void ShowDialog();

  signals:
    // A receipt request from outside ended with this outcome (key: its
    // Idempotency-Key), as the request log keeps it.
    void ReceiptOutcome(const QString& key, int status, const QJsonObject& outcome);

  private:
    void ShowNote();
    void LineHolderChanged(const QString& holder);

    TUserForm& m_window;
    RegisterSession& m_session;
    std::unique_ptr<GatewayServer> m_server;
    GatewayHostSettings m_settings;
    QString m_dataDir;
    QString m_error;
    // What the window had on when a call from outside took the line.
    QList<QPointer<QObject>> m_held;
};
