#include "ctl/CtlRun.h"

#include "common/Captions.h"
#include "protocol/ReplyDispatcher.h"
#include "session/RegisterSession.h"

int CtlRun::Clock() {
    if (!Dispatcher().EnsurePortOpen())
        return FailPort();
    QString text;
    std::optional<RegisterClock> clock;
    // What is connected here ends with the command; the session lives on.
    QObject scope;
    QObject::connect(&Dispatcher(), &ReplyDispatcher::ClockReceived, &scope,
                     [&](const QString& t) { text = t; });
    QObject::connect(&Dispatcher(), &ReplyDispatcher::ClockDecoded, &scope,
                     [&](const RegisterClock& c) { clock = c; });
    Dispatcher().RequestClock();
    RunUntil([&] { return !text.isEmpty() || Dispatcher().ExpectedReply() == 0 || m_interrupted; },
             ReplyWaitMs());
    if (text.isEmpty() && m_interrupted)
        return Fail(QStringLiteral("interrupted"));
    if (text.isEmpty())
        return Fail(Captions::Link::NoResponse.Text());
    if (m_format != OutputFormat::Text && clock) {
        Records records{{QStringLiteral("date"), QStringLiteral("time")}, {}};
        records.Add({IsoDate(clock->Year, clock->Month, clock->Day),
                     IsoTime(clock->Hour, clock->Minute, clock->Second)});
        return PrintRecords(records);
    }
    // The page shows it on two lines with a blank between; one line each is enough here.
    for (const QString& line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        m_context.Out << line << "\n";
    return CtlSuccess;
}
