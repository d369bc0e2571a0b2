#pragma once

#include "history/HistoryRows.h"
#include "history/ReceiptAssembler.h"
#include "monitor/JournalRecord.h"

#include <QByteArray>
#include <QJsonObject>
#include <QObject>
#include <QString>

class HistoryStore;
class RegisterSession;

// What a register session hears, into the history: every journal record with
// its fields, the receipts they make up, every report fetched (as figures)
// and every Z report's outcome. The register is known by the CR number and
// fiscal ID of its last daily status report, and the shop it stands in.
class HistoryRecorder : public QObject {
    Q_OBJECT
  public:
    HistoryRecorder(RegisterSession& session, HistoryStore& store, const QString& shop,
                    QObject* parent = nullptr);

    void SetShop(const QString& shop) { m_register.Shop = shop; }
    [[nodiscard]] const RegisterKey& Register() const { return m_register; }

    // The handlers of the session's signals, open for callers that have the
    // payloads from elsewhere (a replayed journal, say).
    void JournalRecord(const QByteArray& payload, qint64 receivedMs);
    // A record the session decoded, dated by its ReceivedMs.
    void Record(const ::JournalRecord& record);
    void Report(const QByteArray& payload, qint64 receivedMs);
    void ZReportOutcome(bool answered, int status, const QString& line, qint64 receivedMs);
    // A receipt request the gateway ended on this register, with the outcome
    // it answered (its Idempotency-Key is key).
    void GatewayReceipt(const QString& key, int status, const QJsonObject& outcome, qint64 receivedMs);

  private:
    RegisterSession& m_session;
    HistoryStore& m_store;
    RegisterKey m_register;
    // Until a status report names the register, the number its receipts carry.
    bool m_identified = false;
    ReceiptAssembler m_receipts;
};
