#include "shell/WindowGateway.h"

#include "common/ShellSettings.h"
#include "gateway/GatewayConfig.h"
#include "gateway/GatewayServer.h"
#include "monitor/MonitorPage.h"
#include "protocol/ReplyDispatcher.h"
#include "serial/TCommPortDriver.h"
#include "serial/TRS232Form.h"
#include "session/RegisterSession.h"
#include "shell/GatewayHostMessages.h"
#include "shell/HintsPanel.h"
#include "shell/MainMenus.h"
#include "shell/TUserForm.h"
#include "viewer/ViewerPage.h"

#include <QAction>
#include <QDir>
#include <QMenuBar>
#include <QStackedWidget>
#include <QToolBar>

namespace {
const QString NoteSource = QStringLiteral("gateway");
const QString RegisterId = QStringLiteral("1");
} // namespace

WindowGateway::WindowGateway(TUserForm& window, RegisterSession& session)
    : m_window(window), m_session(session) {
    setObjectName(QStringLiteral("WindowGateway"));
    if (QAction* item = window.Menus()->Action(QStringLiteral("MnServeRegister"))) {
        item->setText(GatewayHostMessages::Item.Text());
        connect(item, &QAction::triggered, this, &WindowGateway::ShowDialog);
        connect(&window, &TUserForm::LanguageApplied, item,
                [item](int lang) { item->setText(GatewayHostMessages::Item.Text(lang)); });
    }
    connect(&window, &TUserForm::LanguageApplied, this, &WindowGateway::ShowNote);
    connect(&session, &RegisterSession::LineHolderChanged, this, &WindowGateway::LineHolderChanged);
}

WindowGateway::~WindowGateway() {
    Stop();
}

bool WindowGateway::Serving() const {
    return m_server != nullptr;
}

bool WindowGateway::Apply(const GatewayHostSettings& settings, const QString& dataDir) {
    Stop();
    m_settings = settings;
    m_dataDir = dataDir;
    m_error.clear();
    if (!settings.On) {
        ShowNote();
        return true;
    }
    QString error;
    QByteArray token;
    bool made = false;
    auto server = std::make_unique<GatewayServer>();
    const TCommPortDriver& serial = m_session.Dispatcher().RS232().Serial();
    const bool started =
        ObtainToken(QDir(dataDir).filePath(QStringLiteral("gateway.token")), token, made, error) &&
        server->OpenRequestLog(QDir(dataDir).filePath(QStringLiteral("gateway-requests.sqlite")), error);
    if (started) {
        m_settings.Token = QString::fromLatin1(token);
        connect(server.get(), &GatewayServer::ReceiptOutcome, this,
                [this](const QString&, const QString& key, int status, const QJsonObject& outcome) {
                    emit ReceiptOutcome(key, status, outcome);
                });
        server->AddRegister(RegisterId, m_session, serial.CurrentDeviceName(),
                            int(BaudRateOf(serial.ComPortSpeed())));
    }
    // Other programs of this PC only: the window never serves the network.
    if (!started || !server->Listen(QStringLiteral("127.0.0.1"), quint16(settings.Port), token, error)) {
        m_error = error;
        ShowNote();
        return false;
    }
    m_server = std::move(server);
    ShowNote();
    return true;
}

void WindowGateway::Stop() {
    if (!m_server)
        return;
    m_server->Close();
    m_server.reset();
    m_session.ReleaseLine();
}

QString WindowGateway::NoteText(int lang) const {
    using namespace GatewayHostMessages;
    if (!m_session.LineHolder().isEmpty())
        return Busy.Text(lang);
    if (!m_error.isEmpty())
        return CannotServe.Text(lang).arg(m_error);
    if (!m_server)
        return {};
    const QString where = QStringLiteral("http://127.0.0.1:%1/v1").arg(m_server->Port());
    return GatewayHostMessages::Serving.Text(lang).arg(where);
}

void WindowGateway::ShowNote() {
    // Serving is the normal state and reads like the hint; a refusal stands out.
    const auto kind = m_error.isEmpty() ? HintsPanel::NoteKind::Normal : HintsPanel::NoteKind::Warning;
    m_window.Hints()->SetNote(NoteSource, NoteText(Shell().UiLanguage), kind);
}

void WindowGateway::ShowDialog() {
    GatewayHostSettings shown = m_settings;
    // The token is there to be copied before the service is first started.
    if (shown.Token.isEmpty()) {
        QByteArray token;
        bool made = false;
        QString error;
        const QString dir = m_dataDir.isEmpty() ? QDir::currentPath() : m_dataDir;
        if (ObtainToken(QDir(dir).filePath(QStringLiteral("gateway.token")), token, made, error))
            shown.Token = QString::fromLatin1(token);
    }
    auto* dialog = new GatewayHostDialog(shown, Shell().UiLanguage, &m_window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    connect(dialog, &QDialog::accepted, this, [this, dialog] {
        const GatewayHostSettings chosen = dialog->Settings();
        if (chosen.On == Serving() && chosen.Port == m_settings.Port && m_error.isEmpty())
            return;
        Apply(chosen, m_dataDir.isEmpty() ? QDir::currentPath() : m_dataDir);
    });
    dialog->open();
}

void WindowGateway::LineHolderChanged(const QString& holder) {
    // While a call from outside works on the line the window starts nothing
    // of its own; what it had on, it gets back. The monitor and the viewer
    // only show, and stay.
    if (!holder.isEmpty() && m_held.isEmpty()) {
        for (QAction* action : m_window.findChildren<QAction*>())
            if (action->isEnabled() && !action->menu())
                m_held.push_back(action);
        QStackedWidget* pages = m_window.PageControl();
        for (int i = 0; i < pages->count(); ++i) {
            QWidget* page = pages->widget(i);
            if (page->isEnabled() && !qobject_cast<MonitorPage*>(page) && !qobject_cast<ViewerPage*>(page))
                m_held.push_back(page);
        }
        for (const QPointer<QObject>& held : m_held) {
            if (auto* action = qobject_cast<QAction*>(held.data()))
                action->setEnabled(false);
            else if (auto* widget = qobject_cast<QWidget*>(held.data()))
                widget->setEnabled(false);
        }
    } else if (holder.isEmpty()) {
        for (const QPointer<QObject>& held : m_held) {
            if (auto* action = qobject_cast<QAction*>(held.data()))
                action->setEnabled(true);
            else if (auto* widget = qobject_cast<QWidget*>(held.data()))
                widget->setEnabled(true);
        }
        m_held.clear();
    }
    ShowNote();
}
