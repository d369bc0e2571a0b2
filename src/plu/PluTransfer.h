#pragma once

#include "common/SessionSettings.h"

#include "plu/PluRecord.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <cstdint>
#include <optional>
#include <span>

class PluTable;
class ReplyDispatcher;

enum class TransferKind { ReadOne, ReadRange, WriteOne, WriteRange, PriceChange };

// What a PLU transfer shows on the page it runs for. Every part is optional:
// a transfer with no view (orvexctl, a test) shows nothing and listens to the
// signals it wants.
class PluTransferView {
  public:
    virtual ~PluTransferView() = default;

    // A single write takes the page's fields into the table first.
    virtual void PutPageToTable(int n) { (void)n; }
    virtual void ShowReceivedRecord(const PluRecord& record) { (void)record; }
    // Hiding the panel also empties its indicators.
    virtual void ShowStatusPanel(bool visible) { (void)visible; }
    virtual void ShowRequest(const QString& indicator, int plu) { (void)indicator, (void)plu; }
    virtual void ShowReply(const QString& indicator, int plu) { (void)indicator, (void)plu; }
    // Range transfers only: PLUs done of the range, and the time left at the
    // rate so far (-1 while there is no rate yet).
    virtual void ShowProgress(int done, int total, qint64 msLeft) { (void)done, (void)total, (void)msLeft; }
    // A range transfer starts (the start buttons go, its Cancel comes) or ends.
    virtual void SetRangeRunning(bool running, TransferKind kind) { (void)running, (void)kind; }
    virtual void ShowMessage(const QString& text) { (void)text; }
    virtual void ShowNoResponse() {}
    // A range transfer ended before its end: where it stopped and how many
    // PLUs went across, for a view that keeps it in sight.
    virtual void ShowStopped(const QString& text) { (void)text; }
};

// Moves PLU records between the PC table and the register, one request and
// one awaited reply at a time. Each step sends one frame and waits for its
// reply in the dispatcher's WaitReply, whose event loop keeps the program
// alive; the next frame leaves as soon as the reply has been handled. A PLU
// that stays unanswered is asked five times before the transfer gives up.
class PluTransfer : public QObject {
    Q_OBJECT
  public:
    // Language, charset and separator of what it says and decodes.
    void SetSettings(const SessionSettings& settings) { m_settings = settings; }
    [[nodiscard]] const SessionSettings& Settings() const { return m_settings; }
    static constexpr int Attempts = 5;
    // Each attempt counts twice: once when sent, once when it failed.
    static constexpr int GiveUpCount = 2 * Attempts;
    static constexpr int IndicatorWidth = 12;
    // Results of SendCurrent.
    static constexpr int Refused = 0;
    static constexpr int Sent = 1;
    static constexpr int Skipped = 2;

    PluTransfer(ReplyDispatcher& dispatcher, PluTable& table, QObject* parent = nullptr);

    // The page that shows the transfers; nullptr shows nothing.
    void SetView(PluTransferView* view) { m_view = view; }
    // The view set, for a user that shows its own for a while and then puts it back.
    [[nodiscard]] PluTransferView* CurrentView() const { return m_view; }
    // A transfer for another program works on a table of its own: the PC's
    // table stays as it is, and nothing says it changed (no RowChanged,
    // TableStale or PlusRead). nullptr goes back to the PC's table.
    void SetWorkTable(PluTable* table) { m_work = table ? table : &m_table; }
    ~PluTransfer() override;

    // The start handlers; each returns when its transfer has ended. A start
    // while a transfer runs is ignored.
    // activeOnly: only the PLUs active in the table take part, a single one too.
    void ReadOne(int n, bool activeOnly = false);
    // scope: 0 stock only, 1 constant fields only, 2 both. Nothing when the
    // PLU number field is empty.
    void WriteOne(std::optional<int> n, int scope, bool activeOnly = false);
    void ReadRange(int from, int to, bool activeOnly = false);
    void WriteRange(int from, int to, int scope, bool activeOnly);
    // The Cancel buttons: the running wait ends, and the transfer with it.
    void Cancel();
    // The program is closing: no further step runs.
    void Abandon();

    // The new-price exchange of the fiscal printer page: the command is sent
    // at most twice; it succeeds only on a reply for the same PLU carrying the
    // price written. The PC table is left as it is.
    enum class PriceChangeResult { Written, NoResponse, WrongPrice, Cancelled, NotStarted };
    PriceChangeResult ChangePrice(int plu, std::span<const uint8_t> command, uint32_t priceHundredths);
    static constexpr int PriceAttempts = 2;
    // The price in hundredths of the last reply that named the PLU but another price.
    [[nodiscard]] uint32_t ReplyPrice() const { return m_replyPrice; }

    void RunTransfer();
    void TransferStep();
    [[nodiscard]] int SendCurrent();
    void StopTransfer();
    void OnPluRecordReply(std::span<const uint8_t> payload);

    [[nodiscard]] bool IsRunning() const { return m_running; }
    [[nodiscard]] TransferKind Kind() const { return m_kind; }
    [[nodiscard]] int32_t CurrentPlu() const { return m_currentPlu; }
    [[nodiscard]] int32_t LastPlu() const { return m_lastPlu; }
    [[nodiscard]] int32_t FailureCount() const { return m_failureCount; }
    [[nodiscard]] bool PairHalf() const { return m_pairHalf; }
    // PLUs sent or read whole in the running (or last) transfer.
    [[nodiscard]] int Transferred() const { return m_transferred; }
    // Where a running or cut-short range stands, in words.
    [[nodiscard]] QString StoppedText() const;
    // How long each attempt waits for its reply: the register's 3000 ms unless
    // a soak of thousands of lost frames needs it shorter.
    void SetReplyTimeout(int ms) { m_replyTimeoutMs = ms; }

  signals:
    // A step is about to run: other exchanges (the header lines) give way.
    void StepStarting();
    // Entry n of the table was read from the register.
    void RowChanged(int n);
    // A range read changed entries behind the views of the whole table.
    void TableStale();
    // An entry came from the register.
    void PlusRead();
    // A range transfer starts or ends, and how far it has come.
    void RangeRunning(bool running, TransferKind kind);
    void Progress(int done, int total, qint64 msLeft);

  private:
    [[nodiscard]] bool Writing() const {
        return m_kind == TransferKind::WriteOne || m_kind == TransferKind::WriteRange;
    }
    [[nodiscard]] bool StartRange(TransferKind kind, int from, int to);
    void RunRange();
    // The view and the signal both hear a range start or end.
    void ShowRangeRunning(bool running);
    void Advance();
    void ReportProgress();
    void OnPortLost();
    void OnClosedByUser();
    void PurgeBuffers();

    ReplyDispatcher& m_dispatcher;
    PluTable& m_table;
    PluTable* m_work = &m_table;
    [[nodiscard]] bool OnPcTable() const { return m_work == &m_table; }
    [[nodiscard]] PluTransferView& View() { return m_view ? *m_view : m_quiet; }

    PluTransferView* m_view = nullptr;
    PluTransferView m_quiet;
    int m_scope = 1;
    bool m_activeOnly = false;

    TransferKind m_kind = TransferKind::ReadOne;
    // No PLU is awaited before the first transfer: a stray reply changes nothing.
    int32_t m_currentPlu = -1;
    int32_t m_lastPlu = -1;
    int32_t m_failureCount = 0;
    bool m_pairHalf = false;
    void (PluTransfer::*m_step)() = nullptr;
    int m_requestIndicator = 0;
    int m_replyIndicator = IndicatorWidth;
    bool m_running = false;
    // Why the transfer ended before its last PLU.
    enum class Stop { None, PortLost, ClosedByUser, NoResponse };
    Stop m_stop = Stop::None;
    int m_transferred = 0;
    // While set, PLU replies are stale ones being cleared away.
    bool m_droppingReplies = false;
    // The stock typed for a single write of both parts, taken before the
    // constant half's reply brings the register's old stock into the entry.
    std::optional<uint32_t> m_typedStock;

    int32_t m_firstPlu = 0;
    uint32_t m_writtenPrice = 0;
    uint32_t m_replyPrice = 0;
    bool m_priceMismatch = false;
    QElapsedTimer m_clock;
    int m_replyTimeoutMs = 0; // set to the register's time-out on construction
    SessionSettings m_settings;
};
