#pragma once

#include "barcodes/BarcodeTypeTable.h"
#include "common/SessionSettings.h"
#include "database/PluDatabaseFile.h"
#include "database/PluTable.h"
#include "database/TableLock.h"

#include <QObject>
#include <QString>
#include <memory>

class DailyReports;
class HeaderSequence;
class JournalMonitor;
class PluStatSeries;
class PluTransfer;
class ReplyDispatcher;
class StatusReplies;
class TRS232Form;

// One register and the PC's PLU table: the serial link and everything that
// talks over it (the reply dispatcher, the journal monitor, the status and
// report exchanges, the PLU statistics series, the header lines, the PLU
// transfer), the barcode rules and the table with its file. The window and
// orvexctl each build one and stand on it; it shows nothing itself.
class RegisterSession : public QObject {
    Q_OBJECT
  public:
    explicit RegisterSession(const SessionSettings& settings = {}, QObject* parent = nullptr);
    ~RegisterSession() override;

    [[nodiscard]] TRS232Form& RS232() { return *m_rs232; }
    [[nodiscard]] ReplyDispatcher& Dispatcher() { return *m_dispatcher; }
    [[nodiscard]] JournalMonitor& Journal() { return *m_journal; }
    [[nodiscard]] StatusReplies& Status() { return *m_status; }
    [[nodiscard]] DailyReports& Reports() { return *m_reports; }
    [[nodiscard]] PluStatSeries& PluSeries() { return *m_pluSeries; }
    [[nodiscard]] HeaderSequence& Header() { return *m_header; }
    [[nodiscard]] PluTransfer& Transfer() { return *m_transfer; }
    [[nodiscard]] BarcodeRules& Barcodes() { return m_barcodes; }
    [[nodiscard]] PluTable& Table() { return m_table; }
    [[nodiscard]] const PluTable& Table() const { return m_table; }

    // pludb.dat in directory (made with the default table when missing), or
    // a file of any other name; the table is tidied as it comes in.
    [[nodiscard]] DatabaseFileResult LoadTable(const QString& directory);
    // newFileAllowed: a file of another name that is not there yet leaves the
    // table empty (a read creates it).
    [[nodiscard]] DatabaseFileResult LoadTableFile(const QString& path, bool newFileAllowed = false);
    [[nodiscard]] DatabaseFileResult SaveTable(const QString& directory) const;

    // Takes the advisory lock of the table file at path for as long as the
    // session lives or until UnlockTable, for a user that will change and save
    // the table. Returns why not (who holds it), empty when taken. LoadTable
    // takes it on its own, for the window, unless LeaveTableUnlocked was called
    // or a lock is held already.
    [[nodiscard]] QString LockTable(const QString& path, const QString& holder);
    void LeaveTableUnlocked() { m_lockOnLoad = false; }
    void UnlockTable() { m_tableLock.reset(); }
    [[nodiscard]] DatabaseFileResult SaveTableFile(const QString& path) const;

    // Entries from..to were changed by their owner (the database window's
    // settings, an import, the PLU page): they are tidied and every view of
    // them refreshes through TableChanged.
    void PlusChanged(int from, int to);

    [[nodiscard]] const SessionSettings& Settings() const { return m_settings; }
    void SetLanguage(int lang);
    void SetCharset(int charset);
    void SetDecimalSeparator(QChar separator);

    // The program is closing: a running transfer or series takes no further step.
    void Abandon();

    // Nothing of this session's waits for the register: no reply expected, no
    // transfer, series, header sequence or report under way.
    [[nodiscard]] bool LineIdle() const;
    // Another user of the session (the gateway serving a program) holds the
    // line for a while; the window starts nothing of its own meanwhile.
    void TakeLine(const QString& holder);
    void ReleaseLine();
    [[nodiscard]] const QString& LineHolder() const { return m_lineHolder; }

  signals:
    void TableChanged(int from, int to);
    // A range read filled many entries: views of the whole table refill.
    void TableStale();
    // An entry came from the register.
    void PlusRead();
    // Empty when the line is released.
    void LineHolderChanged(const QString& holder);

  private:
    void ApplySettings();

    SessionSettings m_settings;
    PluTable m_table;
    BarcodeRules m_barcodes;
    std::unique_ptr<TableLock> m_tableLock;
    bool m_lockOnLoad = true;
    QString m_lineHolder;
    std::unique_ptr<TRS232Form> m_rs232;
    std::unique_ptr<ReplyDispatcher> m_dispatcher;
    // The handlers registered with the dispatcher go before it.
    std::unique_ptr<JournalMonitor> m_journal;
    std::unique_ptr<StatusReplies> m_status;
    std::unique_ptr<DailyReports> m_reports;
    std::unique_ptr<PluStatSeries> m_pluSeries;
    std::unique_ptr<HeaderSequence> m_header;
    std::unique_ptr<PluTransfer> m_transfer;
};
