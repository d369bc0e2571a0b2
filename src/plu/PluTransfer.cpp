#include "plu/PluTransfer.h"

#include "common/Captions.h"
#include "database/PluTable.h"
#include "plu/PluMessages.h"
#include "protocol/Converts.h"
#include "protocol/ReplyDispatcher.h"

#include <QCoreApplication>
#include <algorithm>

PluTransfer::PluTransfer(ReplyDispatcher& dispatcher, PluTable& table, QObject* parent)
    : QObject(parent), m_dispatcher(dispatcher), m_table(table) {
    m_replyTimeoutMs = ReplyDispatcher::TransferTimeout;
    m_dispatcher.SetHandler(PluReadCode,
                            [this](std::span<const uint8_t> payload) { OnPluRecordReply(payload); });
    connect(&m_dispatcher, &ReplyDispatcher::PortLost, this, &PluTransfer::OnPortLost);
    connect(&m_dispatcher, &ReplyDispatcher::ClosedByUser, this, &PluTransfer::OnClosedByUser);
}

PluTransfer::~PluTransfer() {
    m_dispatcher.SetHandler(PluReadCode, {});
}

void PluTransfer::ReadOne(int n, bool activeOnly) {
    if (m_running || !m_dispatcher.EnsurePortOpen())
        return;
    m_kind = TransferKind::ReadOne;
    m_activeOnly = activeOnly;
    m_currentPlu = m_lastPlu = n;
    if (PluTable::Contains(n))
        RunTransfer();
}

void PluTransfer::WriteOne(std::optional<int> n, int scope, bool activeOnly) {
    if (m_running || !m_dispatcher.EnsurePortOpen() || !n)
        return;
    m_scope = scope;
    m_activeOnly = activeOnly;
    m_currentPlu = m_lastPlu = *n;
    m_kind = TransferKind::WriteOne;
    View().PutPageToTable(*n);
    if (PluTable::Contains(*n))
        RunTransfer();
}

bool PluTransfer::StartRange(TransferKind kind, int from, int to) {
    if (m_running || !m_dispatcher.EnsurePortOpen())
        return false;
    m_kind = kind;
    m_currentPlu = from;
    m_lastPlu = to;
    return true;
}

void PluTransfer::ReadRange(int from, int to, bool activeOnly) {
    if (!StartRange(TransferKind::ReadRange, from, to))
        return;
    m_activeOnly = activeOnly;
    RunRange();
}

void PluTransfer::WriteRange(int from, int to, int scope, bool activeOnly) {
    if (!StartRange(TransferKind::WriteRange, from, to))
        return;
    m_scope = scope;
    m_activeOnly = activeOnly;
    RunRange();
}

void PluTransfer::RunRange() {
    ShowRangeRunning(true);
    RunTransfer();
    ShowRangeRunning(false);
}

void PluTransfer::ShowRangeRunning(bool running) {
    View().SetRangeRunning(running, m_kind);
    emit RangeRunning(running, m_kind);
}

void PluTransfer::Cancel() {
    m_dispatcher.CancelWait();
}

void PluTransfer::Abandon() {
    m_step = nullptr;
    m_dispatcher.CancelWait();
}

void PluTransfer::OnPortLost() {
    if (!m_running || !m_step)
        return;
    m_stop = Stop::PortLost;
    m_dispatcher.CancelWait();
}

void PluTransfer::OnClosedByUser() {
    // A transfer abandoned by the closing program says nothing more.
    if (!m_running || !m_step)
        return;
    m_stop = Stop::ClosedByUser;
    m_dispatcher.CancelWait();
}

QString PluTransfer::StoppedText() const {
    return Captions::Transfer::StoppedAt.Text(m_settings.Language).arg(m_currentPlu).arg(m_transferred);
}

void PluTransfer::RunTransfer() {
    m_failureCount = 0;
    m_requestIndicator = 0;
    m_replyIndicator = IndicatorWidth;
    View().ShowStatusPanel(true);
    m_pairHalf = m_scope == 0;
    m_typedStock.reset();
    m_stop = Stop::None;
    m_transferred = 0;
    m_running = true;
    m_firstPlu = m_currentPlu;
    m_clock.start();
    ReportProgress();
    m_step = &PluTransfer::TransferStep;
    while (m_step)
        (this->*m_step)();
    m_running = false;
    View().ShowStatusPanel(false);
    const bool range = m_kind == TransferKind::ReadRange || m_kind == TransferKind::WriteRange;
    if (range && m_stop != Stop::None)
        View().ShowStopped(StoppedText());
    if (m_stop == Stop::PortLost)
        View().ShowMessage(Captions::Transfer::ConnectionLost.Text(m_settings.Language).arg(m_currentPlu));
    else if (m_stop == Stop::ClosedByUser)
        View().ShowMessage(
            Captions::Transfer::StoppedByDisconnect.Text(m_settings.Language).arg(m_currentPlu));
    m_stop = Stop::None;
}

void PluTransfer::TransferStep() {
    emit StepStarting();
    if (m_failureCount >= GiveUpCount) {
        m_stop = Stop::NoResponse;
        View().ShowNoResponse();
        StopTransfer();
        return;
    }
    if (m_currentPlu > m_lastPlu) {
        m_step = nullptr;
        return;
    }
    if (m_requestIndicator == IndicatorWidth)
        m_requestIndicator = 0;
    View().ShowRequest(QStringLiteral(">").rightJustified(m_requestIndicator, QLatin1Char(' ')),
                       m_currentPlu);
    ++m_requestIndicator;

    const int sent = SendCurrent();
    if (sent == Skipped) {
        ++m_currentPlu;
        ReportProgress();
        return;
    }
    if (sent == Refused) {
        StopTransfer();
        return;
    }
    ++m_failureCount;
    int32_t w = m_dispatcher.WaitReply(PluReadCode, m_replyTimeoutMs);
    // A Cancel pressed just as the reply came still counts.
    QCoreApplication::processEvents();
    if (!m_dispatcher.KeepWaiting() || m_stop != Stop::None || !m_step)
        w = ReplyDispatcher::WaitCancelled;
    switch (w) {
    case ReplyDispatcher::WaitReplied:
        m_failureCount = 0;
        if (m_replyIndicator == 0)
            m_replyIndicator = IndicatorWidth;
        View().ShowReply(QStringLiteral("<").rightJustified(m_replyIndicator, QLatin1Char(' ')),
                         m_currentPlu);
        --m_replyIndicator;
        Advance();
        PurgeBuffers();
        break;
    case ReplyDispatcher::WaitTimedOut:
        ++m_failureCount;
        break;
    default:
        StopTransfer();
        break;
    }
}

void PluTransfer::Advance() {
    if (Writing() && m_scope == 2 && !m_pairHalf) {
        m_pairHalf = true;
        return;
    }
    if (Writing() && m_scope == 2)
        m_pairHalf = false;
    ++m_transferred;
    ++m_currentPlu;
    ReportProgress();
}

void PluTransfer::ReportProgress() {
    if (m_kind != TransferKind::ReadRange && m_kind != TransferKind::WriteRange)
        return;
    const int total = std::max(0, m_lastPlu - m_firstPlu + 1);
    const int done = std::clamp(m_currentPlu - m_firstPlu, 0, total);
    const qint64 elapsed = m_clock.elapsed();
    const qint64 left = done > 0 ? elapsed * (total - done) / done : -1;
    View().ShowProgress(done, total, left);
    emit Progress(done, total, left);
}

int PluTransfer::SendCurrent() {
    const int n = m_currentPlu;
    if (!PluTable::Contains(n))
        return Refused;
    PluRecord& entry = (*m_work)[n];
    if (m_activeOnly && !(entry.Flags & FlagActive))
        return Skipped;
    TRS232Form& rs232 = m_dispatcher.RS232();
    // A device that vanished between two steps leaves nothing to send to.
    if (!rs232.Serial().IsOpen()) {
        if (m_stop == Stop::None)
            m_stop = Stop::PortLost;
        return Refused;
    }
    PurgeBuffers();
    if (!Writing()) {
        rs232.SendFrame(EncodePluRead(n));
        return Sent;
    }
    const int scope = m_scope;
    if (scope == 1 || (scope == 2 && !m_pairHalf)) {
        if (m_kind == TransferKind::WriteOne && scope == 2)
            m_typedStock = entry.Stock;
        const PluWriteResult command = EncodePluWrite(entry, n, m_settings.Charset);
        if (!command.Payload) {
            View().ShowMessage(command.Refusal);
            return Refused;
        }
        PurgeBuffers();
        rs232.SendFrame(*command.Payload);
        return Sent;
    }
    const std::optional<uint32_t> stock =
        m_kind == TransferKind::WriteOne && scope == 2 ? m_typedStock : std::nullopt;
    const StockWriteCommand command = EncodeStockWrite(entry, n, stock);
    PurgeBuffers();
    rs232.SendFrame(command);
    return Sent;
}

// A late reply to an earlier request must not count for the next one, so the
// input is cleared of PLU replies before each request and after each success.
// The cashier's journal records and PLU requests may be among what has come:
// thrown away with it, they would be missing from the monitor for good. So what
// has arrived is handed on with its PLU replies dropped. The output is purged
// first, so that an answer to a PLU request handed on here still leaves.
void PluTransfer::PurgeBuffers() {
    TCommPortDriver& serial = m_dispatcher.RS232().Serial();
    serial.PurgeBuffers(false, true);
    m_droppingReplies = true;
    serial.ReadReceived();
    m_droppingReplies = false;
}

void PluTransfer::StopTransfer() {
    m_dispatcher.ClearExpectedReply();
    if (m_kind == TransferKind::ReadRange || m_kind == TransferKind::WriteRange)
        ShowRangeRunning(false);
    m_failureCount = 0;
    m_step = nullptr;
}

void PluTransfer::OnPluRecordReply(std::span<const uint8_t> payload) {
    if (m_droppingReplies)
        return;
    // Too short to name its PLU: it cannot be the awaited one.
    if (payload.size() < 3)
        return;
    const int n = payload[1] + 256 * payload[2];
    if (n != m_currentPlu)
        return;
    if (m_kind == TransferKind::PriceChange) {
        // A reply that carries another price is no confirmation of the one written.
        const uint32_t price = payload.size() >= 19 ? BcdToInt(payload.subspan(15, 4)) : ~0u;
        if (price != m_writtenPrice) {
            m_priceMismatch = true;
            m_replyPrice = price;
            return;
        }
        m_dispatcher.CompleteWait();
        return;
    }
    if (m_kind == TransferKind::WriteRange) {
        m_dispatcher.CompleteWait();
        return;
    }
    const PluRecord record = DecodePluReply(payload, *m_work, m_settings.Charset);
    m_work->StoreRecord(record, n);
    m_work->Tidy(n, n);
    if (m_kind != TransferKind::ReadRange)
        View().ShowReceivedRecord(record);
    if (OnPcTable()) {
        if (m_kind == TransferKind::ReadRange)
            emit TableStale();
        else
            emit RowChanged(n);
        emit PlusRead();
    }
    m_dispatcher.CompleteWait();
}

PluTransfer::PriceChangeResult PluTransfer::ChangePrice(int plu, std::span<const uint8_t> command,
                                                        uint32_t priceHundredths) {
    if (m_running || m_dispatcher.IsWaiting() || !m_dispatcher.EnsurePortOpen())
        return PriceChangeResult::NotStarted;
    m_kind = TransferKind::PriceChange;
    m_activeOnly = false;
    m_currentPlu = m_lastPlu = plu;
    m_writtenPrice = priceHundredths;
    m_running = true;
    m_stop = Stop::None;
    PriceChangeResult result = PriceChangeResult::NoResponse;
    m_priceMismatch = false;
    for (int attempt = 0;; ++attempt) {
        if (attempt >= PriceAttempts) {
            result = m_priceMismatch ? PriceChangeResult::WrongPrice : PriceChangeResult::NoResponse;
            break;
        }
        TRS232Form& rs232 = m_dispatcher.RS232();
        if (!rs232.Serial().IsOpen()) {
            result = PriceChangeResult::Cancelled;
            break;
        }
        rs232.Serial().PurgeBuffers(true, true);
        m_priceMismatch = false;
        rs232.SendFrame(command);
        int32_t w = m_dispatcher.WaitReply(PluReadCode, ReplyDispatcher::TransferTimeout);
        QCoreApplication::processEvents();
        // Close ends the exchange: the price may already be in the register,
        // so the command is not sent again.
        if (!m_dispatcher.KeepWaiting() || m_stop != Stop::None)
            w = ReplyDispatcher::WaitCancelled;
        if (w == ReplyDispatcher::WaitReplied) {
            result = PriceChangeResult::Written;
            break;
        }
        if (w == ReplyDispatcher::WaitCancelled) {
            result = PriceChangeResult::Cancelled;
            break;
        }
    }
    StopTransfer();
    m_running = false;
    m_stop = Stop::None;
    return result;
}
