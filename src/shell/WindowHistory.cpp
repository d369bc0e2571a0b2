#include "shell/WindowHistory.h"

#include "common/ShellSettings.h"
#include "history/HistoryMessages.h"
#include "history/HistoryPage.h"
#include "history/HistoryRecorder.h"
#include "history/HistoryTarget.h"
#include "shell/HintsPanel.h"
#include "shell/HistorySettingsDialog.h"
#include "shell/MainMenus.h"
#include "shell/TUserForm.h"

#include <QAction>
#include <QDateTime>
#include <QDir>

namespace {
// The hint panel has room for a line or two: the database's own words are
// often several lines.
QString OneLine(QString text) {
    constexpr int Longest = 90;
    text = text.replace(QLatin1Char('\n'), QLatin1Char(' ')).simplified();
    return text.size() > Longest ? text.left(Longest - 3) + QStringLiteral("...") : text;
}
} // namespace

WindowHistory::WindowHistory(TUserForm& window, RegisterSession& session)
    : m_window(window), m_session(session) {
    setObjectName(QStringLiteral("WindowHistory"));
    // Queued: the store says it on its writer thread, the panel hears it on this one.
    connect(&m_store, &HistoryStore::StatusChanged, this, [this](const HistoryStatus& status) {
        m_status = status;
        ShowNote();
    });
    if (QAction* item = window.Menus()->Action(QStringLiteral("MnHistorySettings"))) {
        item->setText(HistoryMessages::HistorySettingsItem.Text());
        connect(item, &QAction::triggered, this, &WindowHistory::ShowSettingsDialog);
        connect(&window, &TUserForm::LanguageApplied, item,
                [item](int lang) { item->setText(HistoryMessages::HistorySettingsItem.Text(lang)); });
    }
    connect(&window, &TUserForm::LanguageApplied, this, &WindowHistory::ShowNote);
}

WindowHistory::~WindowHistory() {
    Close();
}

bool WindowHistory::Open(const QString& url, const QString& dataDir) {
    Close();
    m_url = url.trimmed();
    m_dataDir = dataDir;
    m_openError.clear();
    m_status = {};
    HistoryTarget target;
    QString error;
    if (!ParseHistoryTarget(url, dataDir, target, error) || !m_store.Open(target, error)) {
        m_openError = error;
        m_window.HistorySheet()->SetUnavailable(error);
        ShowNote();
        return false;
    }
    m_window.HistorySheet()->SetTarget(target);
    m_status = m_store.Status();
    m_recorder = std::make_unique<HistoryRecorder>(m_session, m_store, m_shop);
    ShowNote();
    return true;
}

void WindowHistory::Close() {
    // The recorder first: nothing is handed to a store that has stopped.
    m_recorder.reset();
    m_store.Close();
}

void WindowHistory::GatewayReceipt(const QString& key, int status, const QJsonObject& outcome) {
    if (m_recorder)
        m_recorder->GatewayReceipt(key, status, outcome, QDateTime::currentMSecsSinceEpoch());
}

void WindowHistory::SetShop(const QString& shop) {
    if (shop == m_shop)
        return;
    m_shop = shop;
    if (m_recorder)
        m_recorder->SetShop(shop);
    emit ShopChanged(shop);
}

void WindowHistory::ShowSettingsDialog() {
    auto* dialog = new HistorySettingsDialog(m_shop, m_url, m_dataDir, Shell().UiLanguage, &m_window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    connect(dialog, &QDialog::accepted, this, [this, dialog] {
        SetShop(dialog->Shop());
        // The same place again while the history is off tries it anew.
        if (dialog->Url() == m_url && IsOpen())
            return;
        m_urlChosen = m_urlChosen || dialog->Url() != m_url;
        Open(dialog->Url(), m_dataDir.isEmpty() ? QDir::currentPath() : m_dataDir);
    });
    dialog->open();
}

QString WindowHistory::NoteText(int lang) const {
    using namespace HistoryMessages;
    if (!m_openError.isEmpty())
        return Off.Text(lang).arg(OneLine(m_openError));
    if (!m_store.IsOpen())
        return {};
    const QString where = m_store.Target().Display();
    const HistoryStatus& status = m_status;
    const QString why = OneLine(status.ServerError);
    if (status.Held > 0)
        return Held.Text(lang).arg(status.Held).arg(where, why);
    if (status.Spooled > 0 && !status.ServerReachable())
        return Waiting.Text(lang).arg(status.Spooled).arg(where, why);
    if (status.Spooled > 0)
        return Sending.Text(lang).arg(status.Spooled).arg(where);
    if (status.Refused > 0)
        return Refused.Text(lang).arg(status.Refused).arg(where, why);
    if (!status.ServerReachable()) {
        const bool file = m_store.Target().Kind == HistoryTarget::Backend::Sqlite;
        return (file ? Unwritable : Unreachable).Text(lang).arg(where, why);
    }
    return {};
}

void WindowHistory::ShowNote() {
    m_window.Hints()->SetNote(QStringLiteral("history"), NoteText(Shell().UiLanguage));
}
