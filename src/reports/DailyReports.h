#pragma once

#include "common/SessionSettings.h"

#include "reports/ReportDecoder.h"

#include <QByteArray>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <map>
#include <span>

class PluTable;
class ReplyDispatcher;
class StatusReplies;

// The daily reports on the line: the requests of the Reports page and its
// dialogs, the handlers of the report replies 'f' to 'k', and the Z report,
// which the register answers with its error status. Lines are built in the
// language and font of the moment and handed on; nothing here shows anything.
class DailyReports : public QObject {
    Q_OBJECT
  public:
    // Language, charset and separator of what it says and decodes.
    void SetSettings(const SessionSettings& settings) { m_settings = settings; }
    [[nodiscard]] const SessionSettings& Settings() const { return m_settings; }
    using RegisterFontQuery = std::function<bool()>;

    DailyReports(ReplyDispatcher& dispatcher, StatusReplies& status, const PluTable& table,
                 QObject* parent = nullptr);
    ~DailyReports() override;

    // Whether the report view draws register codes; asked for every report.
    void SetRegisterFontQuery(RegisterFontQuery query) { m_registerFont = std::move(query); }
    [[nodiscard]] ReportStyle Style() const;

    // Opens the port unless it is open; false, the user told, when it cannot be.
    bool PortReady();
    // 'f', 'g', 'h' or 'k'; false when the port cannot be opened.
    bool RequestReport(uint8_t code);
    bool RequestPlu(int plu);
    bool RequestOperator(int operatorNumber);

    // Sends the Z request unless one is still unanswered: false when it was
    // not sent. The answer or its absence ends in ZReportFinished or
    // ZReportUnanswered.
    bool RunZReport();
    [[nodiscard]] bool ZReportRunning() const { return m_zTimer.isActive(); }
    void SetZReportTimeout(int ms) { m_zTimer.setInterval(ms); }
    // How long a report request ('f', 'g', 'h', 'k', 'j') waits before
    // ReportUnanswered.
    void SetReportTimeout(int ms) { m_reportTimeoutMs = ms; }
    [[nodiscard]] int ReportTimeout() const { return m_reportTimeoutMs; }
    // A report or the Z report was asked for and has neither come nor timed out.
    [[nodiscard]] bool Awaiting() const;

    // The handler of the replies 'f' to 'k'.
    void ReportReply(std::span<const uint8_t> payload);

  signals:
    void LinesDecoded(const QStringList& lines);
    // The verified payload of a report reply, for users that put its figures in a form of their own.
    void ReportReceived(const QByteArray& payload);
    // A PLU report came in (plu -1 when it was too short to name its PLU).
    void PluReported(int plu);
    void OperatorReported();
    void ZReportStarted();
    // line: the error status text, empty when the register reports no error.
    void ZReportFinished(quint8 status, const QString& line);
    void ZReportUnanswered();
    // A report asked for has not come within its time.
    void ReportUnanswered(quint8 code);

  private:
    bool Send(std::initializer_list<uint8_t> payload, uint8_t expected, int timeoutMs);
    void ErrorStatus(quint8 status, const QString& line);
    void AwaitReport(uint8_t code);

    ReplyDispatcher& m_dispatcher;
    const PluTable& m_table;
    RegisterFontQuery m_registerFont;
    QTimer m_zTimer;
    // One per report code, made when first asked for.
    std::map<uint8_t, QTimer*> m_reportTimers;
    int m_reportTimeoutMs = 6000;
    SessionSettings m_settings;
};
