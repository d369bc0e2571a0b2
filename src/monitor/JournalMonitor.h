#pragma once

#include "common/SessionSettings.h"

#include "monitor/JournalDecoder.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <span>

class PluTable;
class ReplyDispatcher;

// The sales journal as it arrives: it takes the journal records and the
// register's PLU requests from the dispatcher, decodes each record once and
// hands the record and its monitor line on,
// keeps the count of journal bytes and answers the requests from the PC table.
// Lines are built in the language and charset of the moment.
class JournalMonitor : public QObject {
    Q_OBJECT
  public:
    // Language, charset and separator of what it says and decodes.
    void SetSettings(const SessionSettings& settings) { m_settings = settings; }
    [[nodiscard]] const SessionSettings& Settings() const { return m_settings; }
    // Whether the monitor view draws register codes (its font is OrvexChars
    // at the Cyrillic charset); asked for every line.
    using RegisterFontQuery = std::function<bool()>;

    JournalMonitor(ReplyDispatcher& dispatcher, const PluTable& table, QObject* parent = nullptr);
    ~JournalMonitor() override;

    void SetRegisterFontQuery(RegisterFontQuery query) { m_registerFont = std::move(query); }

    [[nodiscard]] qint64 ByteCount() const { return m_byteCount; }
    void ResetByteCount();

    // The journal handler of one record, as the dispatcher calls it.
    void JournalRecord(std::span<const uint8_t> payload);
    void ExternalPluRequest(std::span<const uint8_t> payload);

  signals:
    // A journal record, decoded once for every reader (history, gateway,
    // orvexctl), stamped with the time it came.
    void RecordDecoded(const ::JournalRecord& record);
    // The monitor line of a record or a PLU request, in the language of the moment.
    void LineDecoded(const QString& line);
    void ByteCountChanged(qint64 count);
    // A subtotal record, with its amount as the line shows it.
    void SubtotalRecorded(const QString& amountText);
    // A payment that closed the receipt.
    void ReceiptClosed();

  private:
    [[nodiscard]] JournalStyle Style() const;
    void Count(size_t bytes);

    ReplyDispatcher& m_dispatcher;
    const PluTable& m_table;
    RegisterFontQuery m_registerFont;
    // Wider than the register's own counter: a port left open for weeks must
    // not run it over.
    qint64 m_byteCount = 0;
    SessionSettings m_settings;
};
