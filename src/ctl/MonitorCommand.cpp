#include "ctl/CtlRun.h"

#include "ctl/JournalFields.h"
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
    if (m_format == OutputFormat::Text) {
        QObject::connect(&monitor, &JournalMonitor::LineDecoded, &scope, [this](const QString& line) {
            m_context.Out << line << "\n" << Qt::flush;
        });
    } else {
        // Scripts get each journal record's fields, never the captions of a language.
        if (m_format == OutputFormat::Csv)
            PrintCsv(m_context.Out, {JournalFieldKeys(), {}});
        m_context.Out << Qt::flush;
        QObject::connect(
            &monitor, &JournalMonitor::RecordDecoded, &scope, [this](const JournalRecord& record) {
                const QVariantList values = JournalFieldValues(record, m_session->Settings().Charset);
                if (m_format == OutputFormat::Json)
                    m_context.Out << JsonLine(JournalFieldKeys(), values) << "\n";
                else
                    PrintCsvRow(m_context.Out, values);
                m_context.Out << Qt::flush;
            });
    }
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
