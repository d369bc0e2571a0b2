#include "ctl/CtlRun.h"

#include "monitor/JournalMonitor.h"
#include "protocol/ReplyDispatcher.h"
#include "session/RegisterSession.h"

int CtlRun::Monitor() {
    // What is connected here ends with the command; the session lives on.
    QObject scope;
    if (!LoadTable() || !StartLink())
        return CtlFailed;
    if (!Dispatcher().EnsurePortOpen())
        return FailPort();
    JournalMonitor& monitor = m_session->Journal();
    monitor.SetRegisterFontQuery([] { return false; });
    QObject::connect(&monitor, &JournalMonitor::LineDecoded, &scope, [this](const QString& line) {
        // A JSON line carries the time it came and the journal line's fields.
        if (m_format == OutputFormat::Json)
            m_context.Out << JsonLine(
                                 {QStringLiteral("received"), QStringLiteral("fields")},
                                 {IsoTimestamp(QDateTime::currentDateTime()), line.split(QLatin1Char('\t'))})
                          << "\n"
                          << Qt::flush;
        else
            m_context.Out << line << "\n" << Qt::flush;
    });
    QString lost;
    QObject::connect(&Dispatcher(), &ReplyDispatcher::PortLost, &scope,
                     [&](const QString&, const QString& reason) {
                         lost = reason.isEmpty() ? QStringLiteral("the device went away") : reason;
                     });
    // Lines that can no longer be written (a full disk) end the watch: it is reported at the end.
    RunUntil(
        [&] {
            return !lost.isEmpty() || m_context.Out.status() != QTextStream::Ok ||
                   (m_context.StopRequested && m_context.StopRequested());
        },
        -1);
    if (!lost.isEmpty())
        return Fail(lost);
    return CtlSuccess;
}
