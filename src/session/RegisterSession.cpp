#include "session/RegisterSession.h"

#include "database/DatabaseMessages.h"
#include "header/HeaderSequence.h"
#include "monitor/JournalMonitor.h"
#include "plu/PluTransfer.h"
#include "protocol/ReplyDispatcher.h"
#include "reports/DailyReports.h"
#include "reports/PluStatSeries.h"
#include "sales/StatusReplies.h"
#include "serial/TRS232Form.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <algorithm>

RegisterSession::RegisterSession(const SessionSettings& settings, QObject* parent)
    : QObject(parent), m_settings(settings) {
    m_rs232 = std::make_unique<TRS232Form>();
    m_dispatcher = std::make_unique<ReplyDispatcher>(*m_rs232);
    m_journal = std::make_unique<JournalMonitor>(*m_dispatcher, m_table);
    m_status = std::make_unique<StatusReplies>(*m_dispatcher);
    m_reports = std::make_unique<DailyReports>(*m_dispatcher, *m_status, m_table);
    m_pluSeries = std::make_unique<PluStatSeries>(*m_reports, m_table);
    m_header = std::make_unique<HeaderSequence>(*m_dispatcher);
    m_transfer = std::make_unique<PluTransfer>(*m_dispatcher, m_table);
    ApplySettings();

    // A PLU step takes the line: a header exchange waiting on it gives way.
    connect(m_transfer.get(), &PluTransfer::StepStarting, m_header.get(), &HeaderSequence::ResetMode);
    connect(m_transfer.get(), &PluTransfer::RowChanged, this, [this](int n) { PlusChanged(n, n); });
    connect(m_transfer.get(), &PluTransfer::TableStale, this, &RegisterSession::TableStale);
    connect(m_transfer.get(), &PluTransfer::PlusRead, this, &RegisterSession::PlusRead);
}

RegisterSession::~RegisterSession() {
    // Everything that talks through the link goes before the link itself.
    m_transfer.reset();
    m_header.reset();
    m_pluSeries.reset();
    m_reports.reset();
    m_status.reset();
    m_journal.reset();
    m_dispatcher.reset();
    m_rs232.reset();
}

void RegisterSession::Abandon() {
    m_transfer->Abandon();
    m_pluSeries->Stop();
}

QString RegisterSession::LockTable(const QString& path, const QString& holder) {
    m_tableLock.reset();
    QString refusal;
    m_tableLock = TableLock::Take(path, holder, refusal);
    return refusal;
}

DatabaseFileResult RegisterSession::LoadTable(const QString& directory) {
    if (m_lockOnLoad && !m_tableLock) {
        // The window keeps pludb.dat for its whole run and saves it at the end.
        const QString path = QDir(directory).filePath(QString::fromLatin1(DatabaseFileName));
        const QString refusal = LockTable(path, QCoreApplication::applicationName());
        if (!refusal.isEmpty())
            return {false, DatabaseMessages::TableInUse.Text().arg(QDir::toNativeSeparators(path), refusal),
                    1, refusal};
    }
    const DatabaseFileResult result = LoadDatabase(m_table, directory);
    m_table.TidyAll();
    return result;
}

DatabaseFileResult RegisterSession::LoadTableFile(const QString& path, bool newFileAllowed) {
    const QFileInfo info(path);
    if (info.fileName() == QLatin1String(DatabaseFileName))
        return LoadTable(info.absolutePath());
    const DatabaseFileResult result = LoadDatabaseFrom(m_table, path, newFileAllowed);
    m_table.TidyAll();
    return result;
}

DatabaseFileResult RegisterSession::SaveTable(const QString& directory) const {
    return SaveDatabase(m_table, directory);
}

DatabaseFileResult RegisterSession::SaveTableFile(const QString& path) const {
    const QFileInfo info(path);
    if (info.fileName() == QLatin1String(DatabaseFileName))
        return SaveDatabase(m_table, info.absolutePath());
    return SaveDatabaseTo(m_table, path);
}

void RegisterSession::PlusChanged(int from, int to) {
    from = std::max(from, 0);
    to = std::min(to, PluTable::Size - 1);
    if (from > to)
        return;
    m_table.Tidy(from, to);
    emit TableChanged(from, to);
}

void RegisterSession::SetLanguage(int lang) {
    m_settings.Language = lang;
    ApplySettings();
}

void RegisterSession::SetCharset(int charset) {
    m_settings.Charset = charset;
    ApplySettings();
}

void RegisterSession::SetDecimalSeparator(QChar separator) {
    m_settings.DecimalSeparator = separator;
    ApplySettings();
}

void RegisterSession::ApplySettings() {
    m_dispatcher->SetSettings(m_settings);
    m_journal->SetSettings(m_settings);
    m_status->SetSettings(m_settings);
    m_reports->SetSettings(m_settings);
    m_header->SetSettings(m_settings);
    m_transfer->SetSettings(m_settings);
}

bool RegisterSession::LineIdle() const {
    return m_dispatcher->ExpectedReply() == 0 && !m_dispatcher->IsWaiting() && !m_transfer->IsRunning() &&
           !m_pluSeries->IsRunning() && !m_header->IsBusy() && !m_reports->Awaiting();
}

void RegisterSession::TakeLine(const QString& holder) {
    if (holder == m_lineHolder)
        return;
    m_lineHolder = holder;
    emit LineHolderChanged(m_lineHolder);
}

void RegisterSession::ReleaseLine() {
    TakeLine(QString());
}
