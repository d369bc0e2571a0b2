#include "reports/DailyReports.h"

#include "protocol/ReplyDispatcher.h"
#include "sales/StatusReplies.h"

DailyReports::DailyReports(ReplyDispatcher& dispatcher, StatusReplies& status, const PluTable& table,
                           QObject* parent)
    : QObject(parent), m_dispatcher(dispatcher), m_table(table) {
    setObjectName(QStringLiteral("DailyReports"));
    for (uint8_t code = TaxReportCode; code <= LastZReportCode; ++code)
        m_dispatcher.SetHandler(code, [this](std::span<const uint8_t> payload) { ReportReply(payload); });
    m_zTimer.setSingleShot(true);
    m_zTimer.setInterval(ReplyDispatcher::ZReportTimeout);
    m_reportTimeoutMs = ReplyDispatcher::ReplyTimeout;
    connect(&m_zTimer, &QTimer::timeout, this, &DailyReports::ZReportUnanswered);
    connect(&status, &StatusReplies::ErrorStatusReceived, this, &DailyReports::ErrorStatus);
}

DailyReports::~DailyReports() {
    for (uint8_t code = TaxReportCode; code <= LastZReportCode; ++code)
        m_dispatcher.SetHandler(code, {});
}

ReportStyle DailyReports::Style() const {
    ReportStyle style;
    style.Language = m_settings.Language;
    style.Charset = m_settings.Charset;
    style.RegisterFont = m_registerFont && m_registerFont();
    style.DecimalSeparator = m_settings.DecimalSeparator;
    return style;
}

bool DailyReports::PortReady() {
    return m_dispatcher.EnsurePortOpen();
}

bool DailyReports::Send(std::initializer_list<uint8_t> payload, uint8_t expected, int timeoutMs) {
    // A closed port would swallow the request without a word: it is opened
    // here, or the user is told that it cannot be.
    if (!PortReady())
        return false;
    m_dispatcher.ExpectReply(expected, timeoutMs);
    m_dispatcher.RS232().SendFrame(payload);
    return true;
}

// The single expected-reply slot of the link forgets a request as soon as
// another one is sent; each report keeps its own time, so that one that
// never comes is said to be missing instead of leaving the view as it was.
void DailyReports::AwaitReport(uint8_t code) {
    QTimer*& timer = m_reportTimers[code];
    if (!timer) {
        timer = new QTimer(this);
        timer->setSingleShot(true);
        connect(timer, &QTimer::timeout, this, [this, code] { emit ReportUnanswered(code); });
    }
    timer->start(m_reportTimeoutMs);
}

bool DailyReports::RequestReport(uint8_t code) {
    if (!Send({code}, code, ReplyDispatcher::ReplyTimeout))
        return false;
    AwaitReport(code);
    return true;
}

bool DailyReports::RequestPlu(int plu) {
    return Send({PluReportCode, uint8_t(plu % 256), uint8_t(plu / 256 % 256)}, PluReportCode,
                ReplyDispatcher::ReplyTimeout);
}

bool DailyReports::RequestOperator(int operatorNumber) {
    if (!Send({OperatorReportCode, uint8_t(operatorNumber)}, OperatorReportCode,
              ReplyDispatcher::ReplyTimeout))
        return false;
    AwaitReport(OperatorReportCode);
    return true;
}

bool DailyReports::RunZReport() {
    // One Z report at a time: a second click before the answer runs nothing.
    if (ZReportRunning())
        return false;
    if (!Send({RunZReportCode}, ' ', ReplyDispatcher::ZReportTimeout))
        return false;
    m_zTimer.start();
    emit ZReportStarted();
    return true;
}

void DailyReports::ErrorStatus(quint8 status, const QString& line) {
    if (!ZReportRunning())
        return;
    m_zTimer.stop();
    emit ZReportFinished(status, line);
}

void DailyReports::ReportReply(std::span<const uint8_t> payload) {
    if (payload.empty())
        return;
    emit ReportReceived(QByteArray(reinterpret_cast<const char*>(payload.data()), qsizetype(payload.size())));
    const QStringList lines = DecodeReport(payload, Style(), m_table);
    if (!lines.isEmpty())
        emit LinesDecoded(lines);
    if (payload[0] == PluReportCode)
        emit PluReported(ReportedPlu(payload).value_or(-1));
    else if (payload[0] == OperatorReportCode)
        emit OperatorReported();
    // The report came: it is not missing, however short it was.
    if (const auto timer = m_reportTimers.find(payload[0]); timer != m_reportTimers.end())
        timer->second->stop();
}

bool DailyReports::Awaiting() const {
    if (ZReportRunning())
        return true;
    for (const auto& [code, timer] : m_reportTimers)
        if (timer->isActive())
            return true;
    return false;
}
