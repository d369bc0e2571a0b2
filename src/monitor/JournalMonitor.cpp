#include "monitor/JournalMonitor.h"

#include "monitor/ExternalPluRequest.h"
#include "protocol/ReplyDispatcher.h"

#include <QDateTime>

JournalMonitor::JournalMonitor(ReplyDispatcher& dispatcher, const PluTable& table, QObject* parent)
    : QObject(parent), m_dispatcher(dispatcher), m_table(table) {
    setObjectName(QStringLiteral("JournalMonitor"));
    const auto journal = [this](std::span<const uint8_t> payload) { JournalRecord(payload); };
    for (int code = 0; code < 256; ++code) {
        if (IsJournalCode(uint8_t(code)))
            m_dispatcher.SetHandler(uint8_t(code), journal);
    }
    m_dispatcher.SetHandler(ExternalPluCode,
                            [this](std::span<const uint8_t> payload) { ExternalPluRequest(payload); });
}

JournalMonitor::~JournalMonitor() {
    // The dispatcher may outlive the monitor; its codes then select nothing.
    for (int code = 0; code < 256; ++code) {
        if (IsJournalCode(uint8_t(code)))
            m_dispatcher.SetHandler(uint8_t(code), {});
    }
    m_dispatcher.SetHandler(ExternalPluCode, {});
}

JournalStyle JournalMonitor::Style() const {
    JournalStyle style;
    style.Language = m_settings.Language;
    style.Charset = m_settings.Charset;
    style.RegisterFont = m_registerFont && m_registerFont();
    style.DecimalSeparator = m_settings.DecimalSeparator;
    return style;
}

void JournalMonitor::Count(size_t bytes) {
    m_byteCount += qint64(bytes);
    emit ByteCountChanged(m_byteCount);
}

void JournalMonitor::ResetByteCount() {
    m_byteCount = 0;
    emit ByteCountChanged(m_byteCount);
}

void JournalMonitor::JournalRecord(std::span<const uint8_t> payload) {
    std::optional<::JournalRecord> record = DecodeJournal(payload);
    if (!record)
        return;
    record->ReceivedMs = QDateTime::currentMSecsSinceEpoch();
    const JournalStyle style = Style();
    Count(payload.size());
    emit RecordDecoded(*record);
    emit LineDecoded(JournalLine(*record, style));
    if (record->Code == 'L')
        emit SubtotalRecorded(FormatHundredths(uint64_t(record->Amount.value_or(0)), style.DecimalSeparator));
    else if (record->Code == 'O')
        emit ReceiptClosed();
}

void JournalMonitor::ExternalPluRequest(std::span<const uint8_t> payload) {
    const ExternalPluOutcome outcome = AnswerExternalPluRequest(payload, m_table, Style());
    if (outcome.Line)
        emit LineDecoded(*outcome.Line);
    if (outcome.CountedBytes > 0)
        Count(size_t(outcome.CountedBytes));
    if (outcome.Answer)
        m_dispatcher.RS232().SendFrame(*outcome.Answer);
}
