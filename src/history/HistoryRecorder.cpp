#include "history/HistoryRecorder.h"

#include "history/HistoryStore.h"
#include "history/ReportJson.h"
#include "monitor/JournalMonitor.h"
#include "protocol/RegisterCharset.h"
#include "reports/DailyReports.h"
#include "reports/ReportDecoder.h"
#include "session/RegisterSession.h"

#include <QDateTime>
#include <QJsonDocument>

namespace {

std::span<const uint8_t> Bytes(const QByteArray& payload) {
    return {reinterpret_cast<const uint8_t*>(payload.constData()), size_t(payload.size())};
}

qint64 Now() {
    return QDateTime::currentMSecsSinceEpoch();
}

} // namespace

HistoryRecorder::HistoryRecorder(RegisterSession& session, HistoryStore& store, const QString& shop,
                                 QObject* parent)
    : QObject(parent), m_session(session), m_store(store) {
    m_register.Shop = shop;
    connect(&session.Journal(), &JournalMonitor::RecordDecoded, this, &HistoryRecorder::Record);
    connect(&session.Reports(), &DailyReports::ReportReceived, this,
            [this](const QByteArray& payload) { Report(payload, Now()); });
    connect(&session.Reports(), &DailyReports::ZReportFinished, this,
            [this](quint8 status, const QString& line) { ZReportOutcome(true, status, line, Now()); });
    connect(&session.Reports(), &DailyReports::ZReportUnanswered, this,
            [this] { ZReportOutcome(false, 0, QString(), Now()); });
}

void HistoryRecorder::JournalRecord(const QByteArray& payload, qint64 receivedMs) {
    std::optional<::JournalRecord> record = DecodeJournal(Bytes(payload));
    if (!record)
        return;
    record->ReceivedMs = receivedMs;
    Record(*record);
}

void HistoryRecorder::Record(const ::JournalRecord& record) {
    const int charset = m_session.Settings().Charset;
    const auto receipt = m_receipts.Add(record, charset);
    if (receipt && !m_identified)
        m_register.CrNumber = receipt->RegisterNumber;
    m_store.Add(HistoryTable::Journal, JournalValues(m_register, record.ReceivedMs, record, charset));
    if (receipt) {
        m_store.Add(HistoryTable::Receipts, ReceiptValues(m_register, record.ReceivedMs, *receipt));
        for (const ReceiptItem& item : receipt->Items)
            m_store.Add(HistoryTable::ReceiptItems,
                        ReceiptItemValues(m_register, record.ReceivedMs, *receipt, item));
    }
}

void HistoryRecorder::Report(const QByteArray& payload, qint64 receivedMs) {
    const auto figures = ReportFiguresJson(Bytes(payload));
    if (!figures)
        return;
    if (payload[0] == StatusReportCode) {
        if (const auto status = DecodeStatusReport(Bytes(payload))) {
            QByteArray windows;
            for (const char c : status->FiscalId)
                windows.append(char(FromRegisterChar(uint8_t(c), m_session.Settings().Charset)));
            m_register.CrNumber = status->CrNumber;
            m_register.FiscalId = FromCodePage(windows, m_session.Settings().Charset).trimmed();
            m_identified = true;
            m_store.Add(HistoryTable::Registers, RegisterValues(m_register,
                                                                FromCodePage(status->DepartmentAssociation,
                                                                             m_session.Settings().Charset),
                                                                receivedMs));
        }
    }
    m_store.Add(HistoryTable::Reports,
                ReportValues(m_register, receivedMs, uint8_t(payload[0]),
                             QString::fromUtf8(QJsonDocument(*figures).toJson(QJsonDocument::Compact))));
}

void HistoryRecorder::GatewayReceipt(const QString& key, int status, const QJsonObject& outcome,
                                     qint64 receivedMs) {
    const QJsonValue number = outcome.value(QStringLiteral("receiptNumber"));
    const std::optional<int64_t> receiptNumber =
        number.isDouble() ? std::optional<int64_t>(number.toInteger()) : std::nullopt;
    m_store.Add(
        HistoryTable::GatewayReceipts,
        GatewayReceiptValues(m_register, receivedMs, key, status, receiptNumber,
                             outcome.value(QStringLiteral("error")).toString(),
                             QString::fromUtf8(QJsonDocument(outcome).toJson(QJsonDocument::Compact))));
}

void HistoryRecorder::ZReportOutcome(bool answered, int status, const QString& line, qint64 receivedMs) {
    m_store.Add(HistoryTable::ZReports, ZReportValues(m_register, receivedMs, answered, status, line));
}
